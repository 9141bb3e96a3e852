#include "database/server/ServerSchema.h"

#include "database/DatabaseErrors.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

// Resources of a static library are registered explicitly; the name is the .qrc's.
static void initSchemaResource()
{
    Q_INIT_RESOURCE(server_schema);
}

namespace ServerSchema {

QStringList statements()
{
    initSchemaResource();
    QFile file(QStringLiteral(":/database/server/schema.sql"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (!line.trimmed().startsWith(QLatin1String("--")))
            lines << line;
    }
    // Every statement ends a line with ";" and none has one at a line's end inside it.
    QStringList result;
    static const QRegularExpression end(QStringLiteral(";\\s*\\n"));
    const QString script = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    for (const QString& statement : script.split(end)) {
        if (!statement.trimmed().isEmpty())
            result << statement.trimmed();
    }
    return result;
}

int create(QSqlDatabase& database)
{
    const QStringList all = statements();
    if (all.isEmpty())
        return DatabaseError::ReservedError;
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("SHOW server_encoding")) || !query.next())
        return errorNumberFor(query.lastError());
    if (query.value(0).toString().compare(QLatin1String("UTF8"), Qt::CaseInsensitive) != 0)
        return DatabaseError::NotADatabase;
    query.finish();
    if (!database.transaction())
        return errorNumberFor(database.lastError());
    for (const QString& statement : all) {
        if (!query.exec(statement)) {
            const int error = errorNumberFor(query.lastError());
            query.finish();
            database.rollback();
            return error == DatabaseError::None ? DatabaseError::ReservedError : error;
        }
        query.finish();
    }
    if (!database.commit())
        return errorNumberFor(database.lastError());
    return DatabaseError::None;
}

} // namespace ServerSchema
