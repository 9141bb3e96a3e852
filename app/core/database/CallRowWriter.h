#pragma once

#include <QSqlQuery>
#include <QString>
#include <QtGlobal>

#include <memory>

class DatabaseConnection;

// R1 inside the caller's write transaction, checked: the new call row is read back by its key
// before the caller commits. A damaged page of Llamadas can take an insert without an error and
// then hold no readable row; the read back turns that into 3343, so the caller rolls back and
// the call is kept for later instead of being "logged" where nobody can read it. The statements
// are prepared once, for a caller that writes many calls, and on the server kept by the
// connection for the next writer.
class CallRowWriter
{
public:
    explicit CallRowWriter(DatabaseConnection& connection);

    // 0, or the engine error of preparing the statements.
    [[nodiscard]] int prepareError() const { return m_prepareError; }

    // fecha in its stored form. 0, an engine error, or 3343 when the row does not read back as
    // written.
    int append(qint64 cliente, const QString& fecha, qint16 puesto);

private:
    int m_prepareError = 0; // first: the queries' preparing sets it
    std::shared_ptr<QSqlQuery> m_insert;
    std::shared_ptr<QSqlQuery> m_readBack;
};
