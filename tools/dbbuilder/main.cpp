// Builds the installation's empty database from the schema file:
//   dbbuilder <schema.sql> <Llamora.mdb>
// It writes a temporary file beside the target and renames it, so a failed build never leaves a
// half-made database behind.
#include <cstdio>
#include <fstream>
#include <sqlite3.h>
#include <sstream>
#include <string>

namespace {
int failWith(const std::string& text)
{
    std::fprintf(stderr, "dbbuilder: %s\n", text.c_str());
    return 1;
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3)
        return failWith("usage: dbbuilder <schema.sql> <output database>");
    const std::string schemaPath = argv[1];
    const std::string target = argv[2];
    const std::string temporary = target + ".building";

    std::ifstream schemaFile(schemaPath);
    if (!schemaFile)
        return failWith("cannot read " + schemaPath);
    std::stringstream schema;
    schema << schemaFile.rdbuf();

    std::remove(temporary.c_str());
    sqlite3* database = nullptr;
    if (sqlite3_open_v2(temporary.c_str(), &database, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        const std::string message = database ? sqlite3_errmsg(database) : "out of memory";
        sqlite3_close(database);
        return failWith("cannot create " + temporary + ": " + message);
    }
    char* error = nullptr;
    // The rollback journal: the file lives in shared network folders, where WAL is unsafe.
    const std::string script =
        "PRAGMA journal_mode = DELETE;\nBEGIN;\n" + schema.str() + "\nCOMMIT;\nVACUUM;\n";
    if (sqlite3_exec(database, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        sqlite3_close(database);
        std::remove(temporary.c_str());
        return failWith("schema failed: " + message);
    }
    sqlite3_close(database);
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        return failWith("cannot write " + target);
    }
    return 0;
}
