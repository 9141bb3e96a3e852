#include "database/SqliteHooks.h"

#include "database/Statements.h"

#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QThread>

#include <sqlite3.h>

namespace {
// SQLite calls this for llamora_fold(text): lower case without accents. Plain ASCII, by far
// the most common, is folded without leaving UTF-8.
void foldCallback(sqlite3_context* context, int argumentCount, sqlite3_value** arguments)
{
    if (argumentCount != 1 || sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const int size = sqlite3_value_bytes(arguments[0]);
    bool ascii = true;
    for (int i = 0; i < size && ascii; ++i)
        ascii = static_cast<unsigned char>(text[i]) < 0x80;
    if (ascii) {
        QByteArray lower(text, size);
        for (char& c : lower) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        sqlite3_result_text(context, lower.constData(), static_cast<int>(lower.size()),
                            SQLITE_TRANSIENT);
        return;
    }
    const QByteArray folded = foldForMatching(QString::fromUtf8(text, size)).toUtf8();
    sqlite3_result_text(context, folded.constData(), static_cast<int>(folded.size()),
                        SQLITE_TRANSIENT);
}

// Waiting for another workstation's lock. SQLite's own timeout handler sleeps longer and longer
// (up to 100 ms between tries), so a workstation that writes often can keep the lock from one
// that waits until the timeout runs out. Trying again every 1 to 3 ms, a random amount, gives
// every waiter a fair chance; the whole wait still ends at the connection's busy timeout.
int waitForLock(void* data, int attempt)
{
    auto* wait = static_cast<BusyWait*>(data);
    if (attempt == 0)
        wait->waited.start();
    if (wait->waited.elapsed() >= wait->timeoutMs)
        return 0;
    QThread::usleep(1000 + QRandomGenerator::global()->bounded(2000));
    return 1;
}
} // namespace

sqlite3* sqliteHandle(const QSqlDatabase& database)
{
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

void installBusyWait(const QSqlDatabase& database, BusyWait* wait)
{
    if (sqlite3* connection = sqliteHandle(database))
        sqlite3_busy_handler(connection, &waitForLock, wait);
}

bool registerFoldFunction(const QSqlDatabase& database)
{
    sqlite3* connection = sqliteHandle(database);
    if (connection == nullptr)
        return false;
    const QByteArray name = foldFunctionName().toUtf8();
    return sqlite3_create_function_v2(connection, name.constData(), 1,
                                      SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &foldCallback,
                                      nullptr, nullptr, nullptr) == SQLITE_OK;
}
