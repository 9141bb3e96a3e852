#include "database/SqlDialect.h"

QString SqlDialect::keyList(const QString& parameter) const
{
    if (m_engine == Engine::File)
        return QStringLiteral("json_each(") + parameter + QLatin1Char(')');
    return QStringLiteral("(SELECT CAST(Elemento.value AS bigint) AS value, Elemento.ordinality "
                          "AS key FROM json_array_elements_text(CAST(") +
           parameter + QStringLiteral(" AS json)) WITH ORDINALITY AS Elemento)");
}

QString SqlDialect::unindexed(const QString& column) const
{
    return m_engine == Engine::File ? QLatin1Char('+') + column : column;
}

QString SqlDialect::nextHour(const QString& hour) const
{
    if (m_engine == Engine::File)
        return QStringLiteral("strftime('%Y-%m-%d %H', ") + hour +
               QStringLiteral(" || ':00:00', '+1 hour')");
    return QStringLiteral("to_char(CAST(") + hour +
           QStringLiteral(" || ':00:00' AS timestamp) + interval '1 hour', 'YYYY-MM-DD HH24')");
}
