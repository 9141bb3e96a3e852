#include "database/FieldValues.h"

#include "database/DateText.h"

#include <QStringList>

namespace FieldValues {

bool isIntegerColumn(const QString& column)
{
    return column == QLatin1String("IdCliente") || column == QLatin1String("IdLlamada") ||
           column == QLatin1String("Cliente") || column == QLatin1String("Puesto") ||
           column == QLatin1String("CantLlamadas");
}

QVariant fromStored(const QString& column, const QVariant& raw)
{
    if (raw.isNull())
        return {};
    if (column == QLatin1String("Fecha"))
        return DateText::dateTimeFromStored(raw.toString());
    if (column == QLatin1String("FIngreso"))
        return DateText::dateFromStored(raw.toString());
    if (column == QLatin1String("Alerta"))
        return raw.toLongLong() != 0;
    if (isIntegerColumn(column))
        return raw.toLongLong();
    return raw.toString();
}

// The stored form of a value given to setField(); an invalid QVariant when it cannot be read.
QVariant toStored(const QString& column, const QVariant& value, bool* ok)
{
    *ok = true;
    if (column == QLatin1String("Alerta"))
        return value.isNull() ? 0 : (value.toBool() ? 1 : 0);
    if (value.isNull())
        return QVariant(QMetaType::fromType<QString>());
    if (column == QLatin1String("Fecha") || column == QLatin1String("FIngreso")) {
        const bool dayOnly = column == QLatin1String("FIngreso");
        QDateTime moment;
        if (value.typeId() == QMetaType::QDateTime) {
            moment = value.toDateTime();
        } else if (value.typeId() == QMetaType::QDate) {
            moment = QDateTime(value.toDate(), QTime(0, 0));
        } else {
            // Text as the workstation writes it (its regional form), or already in stored form.
            const QString text = value.toString().trimmed();
            moment = DateText::dateTimeFromRegional(text);
            if (!moment.isValid())
                moment = QDateTime(DateText::dateFromRegional(text), QTime(0, 0));
            if (!moment.isValid())
                moment = DateText::dateTimeFromStored(text);
        }
        if (!moment.isValid()) {
            *ok = false;
            return {};
        }
        return dayOnly ? DateText::storedDate(moment.date()) : DateText::storedDateTime(moment);
    }
    if (isIntegerColumn(column)) {
        const qint64 number = value.toLongLong(ok);
        return *ok ? QVariant(number) : QVariant();
    }
    return value.toString();
}

QString programColumnName(const QString& name)
{
    static const QStringList known = {
        QStringLiteral("IdCliente"),     QStringLiteral("Nombre"),
        QStringLiteral("Domicilio"),     QStringLiteral("Telefono"),
        QStringLiteral("Observaciones"), QStringLiteral("Alerta"),
        QStringLiteral("CantLlamadas"),  QStringLiteral("FIngreso"),
        QStringLiteral("IdLlamada"),     QStringLiteral("Cliente"),
        QStringLiteral("Fecha"),         QStringLiteral("Puesto"),
    };
    for (const QString& column : known) {
        if (column.compare(name, Qt::CaseInsensitive) == 0)
            return column;
    }
    return name;
}

QString unqualified(const QString& qualified)
{
    const qsizetype dot = qualified.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? qualified : qualified.mid(dot + 1);
}

} // namespace FieldValues
