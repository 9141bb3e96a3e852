#pragma once

#include <QString>

class QSqlDatabase;

// Where the office's database server is. There is no password here on purpose: libpq finds it
// in the user's ~/.pgpass (mode 0600), or the server needs none (peer or certificate).
struct ServerAddress
{
    QString host; // name, address, or the folder of a Unix socket
    int port = 5432;
    QString database;
    QString user;
    QString sslMode; // libpq's sslmode; empty keeps libpq's default

    // A server is named when host and database are.
    [[nodiscard]] bool isSet() const;
    // "usuario@host:puerto/base", for messages and logs.
    [[nodiscard]] QString displayText() const;

    // The address as a database name, which the layer takes wherever it takes a file's path
    // ("postgresql:host=...&port=...&dbname=...&user=..."), so that the program passes one
    // string around whichever engine holds the data.
    [[nodiscard]] QString toDatabaseName() const;
    // The address a database name stands for; an unset one when it names a file.
    [[nodiscard]] static ServerAddress fromDatabaseName(const QString& name);

    friend bool operator==(const ServerAddress&, const ServerAddress&) = default;
};

// Whether a database name stands for a server rather than a file.
[[nodiscard]] bool isServerDatabaseName(const QString& name);

// The sslmode values libpq accepts.
[[nodiscard]] bool isValidSslMode(const QString& sslMode);

// Sets a QPSQL connection to the address. connectTimeoutSeconds bounds how long an unreachable
// server keeps the open waiting.
void applyServerAddress(QSqlDatabase& database, const ServerAddress& address,
                        int connectTimeoutSeconds);
