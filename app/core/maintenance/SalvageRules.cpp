#include "maintenance/SalvageRules.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {
const QString dateForm = QStringLiteral("yyyy-MM-dd");
const QString dateTimeForm = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// The text SQLite compares a value as, and its length as SQLite counts it (characters).
QString textOf(const QVariant& value)
{
    return value.typeId() == QMetaType::QByteArray ? QString::fromUtf8(value.toByteArray())
                                                   : value.toString();
}

qsizetype sqliteLength(const QVariant& value)
{
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray().size()
                                                   : textOf(value).toUcs4().size();
}

bool cutToLength(QVariant& value, qsizetype limit)
{
    if (value.isNull() || sqliteLength(value) <= limit)
        return false;
    const QList<uint> characters = textOf(value).toUcs4().first(limit);
    value = QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()),
                              characters.size());
    return true;
}

bool makeAlertValid(QVariant& value)
{
    bool numeric = false;
    const double number = textOf(value).toDouble(&numeric);
    if (!value.isNull() && numeric && (number == 0 || number == 1))
        return false;
    value = qint64(1);
    return true;
}

// Dates written in other forms that a workstation or a hand-made copy may have left.
QDateTime readableDateTime(const QString& text)
{
    for (const QString& form :
         {QStringLiteral("yyyy-MM-ddTHH:mm:ss"), QStringLiteral("yyyy-MM-dd HH:mm"),
          QStringLiteral("dd/MM/yyyy HH:mm:ss"), QStringLiteral("dd/MM/yyyy HH:mm")}) {
        const QDateTime moment = QDateTime::fromString(text.left(form.size()), form);
        if (moment.isValid())
            return moment;
    }
    for (const QString& form : {dateForm, QStringLiteral("dd/MM/yyyy")}) {
        const QDate day = QDate::fromString(text.left(form.size()), form);
        if (day.isValid())
            return day.startOfDay();
    }
    return {};
}

bool makeDateValid(QVariant& value, const QRegularExpression& rule, const QString& form)
{
    if (value.isNull() ||
        (value.typeId() == QMetaType::QString && rule.match(textOf(value)).hasMatch()))
        return false;
    const QDateTime moment = readableDateTime(textOf(value).trimmed());
    value = moment.isValid() ? QVariant(moment.toString(form)) : QVariant();
    return true;
}
} // namespace

bool fitToTableRules(const QString& table, const QStringList& columns, QVariantList& values)
{
    // The CHECK constraints of schema.sql, column by column.
    static const QRegularExpression dateRule(QStringLiteral("^[0-9]{4}-[0-1][0-9]-[0-3][0-9]$"));
    static const QRegularExpression dateTimeRule(
        QStringLiteral("^[0-9]{4}-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]$"));
    bool changed = false;
    for (qsizetype i = 0; i < columns.size() && i < values.size(); ++i) {
        const QString& column = columns.at(i);
        QVariant& value = values[i];
        if (table == QLatin1String("Clientes")) {
            if (column == QLatin1String("Nombre") || column == QLatin1String("Domicilio"))
                changed |= cutToLength(value, 50);
            else if (column == QLatin1String("Telefono"))
                changed |= cutToLength(value, 20);
            else if (column == QLatin1String("Observaciones"))
                changed |= cutToLength(value, 200);
            else if (column == QLatin1String("Alerta"))
                changed |= makeAlertValid(value);
            else if (column == QLatin1String("FIngreso"))
                changed |= makeDateValid(value, dateRule, dateForm);
        } else if (table == QLatin1String("Llamadas") && column == QLatin1String("Fecha")) {
            changed |= makeDateValid(value, dateTimeRule, dateTimeForm);
        }
    }
    return changed;
}
