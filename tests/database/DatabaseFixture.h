#pragma once

#include "TestEnvironment.h"

#include <QDateTime>
#include <QString>

#include <memory>

class DataControl;
class PostgresServer;
struct Statement;

// A private program folder holding a copy of the installation's empty database, and quick ways
// to fill and read it through the layer itself. Given a server, the database is a fresh one on
// it instead, with the program's tables, and databasePath() its name.
class DatabaseFixture
{
public:
    explicit DatabaseFixture(PostgresServer* server = nullptr);

    [[nodiscard]] QString databasePath() const { return m_databasePath; }
    [[nodiscard]] const TestEnvironment& environment() const { return *m_environment; }

    // Adds a client through R5 and returns its key (0 on failure).
    qint64 addClient(const QString& telefono, const QString& nombre = QString(),
                     const QString& domicilio = QString());
    // Appends a call through R1; true on success.
    bool addCall(qint64 cliente, const QDateTime& fecha, qint16 puesto = 1);
    // Attaches the control to this database with the statement and reads it: 0 or the error.
    int attach(DataControl& control, const Statement& statement) const;
    // A number read with plain SQL, apart from the layer (-1 when the statement gives none).
    [[nodiscard]] qint64 scalar(const QString& sql) const { return scalarIn(m_databasePath, sql); }
    static qint64 scalarIn(const QString& databasePath, const QString& sql);

private:
    std::unique_ptr<TestEnvironment> m_environment;
    QString m_databasePath;
};
