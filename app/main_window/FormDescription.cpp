#include "FormDescription.h"

#include "PropertyBag.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

FormDescription FormDescription::load(const QString& path)
{
    FormDescription description;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        description.m_error =
            Message{QStringLiteral("No se pudo abrir la descripción de la ventana «%1»: %2. "
                                   "Sus controles toman los valores iniciales.")
                        .arg(path, file.errorString()),
                    MessageIcon::Exclamation};
        return description;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        description.m_error =
            Message{QStringLiteral("La descripción de la ventana «%1» está dañada (%2). "
                                   "Sus controles toman los valores iniciales.")
                        .arg(path, parseError.error != QJsonParseError::NoError
                                       ? parseError.errorString()
                                       : QStringLiteral("no es un objeto")),
                    MessageIcon::Exclamation};
        return description;
    }
    description.m_controls = document.object().toVariantMap();
    return description;
}

std::optional<Message> FormDescription::restore(const QString& controlName,
                                                PersistentControl& control) const
{
    if (m_error) {
        control.initNew();
        return std::nullopt; // reported once, through error()
    }
    const auto stored = m_controls.constFind(controlName);
    if (stored == m_controls.constEnd() || stored->typeId() != QMetaType::QVariantMap) {
        control.initNew();
        return Message{QStringLiteral("La descripción de la ventana no guarda las propiedades de "
                                      "%1. El control toma sus valores iniciales.")
                           .arg(controlName),
                       MessageIcon::Exclamation};
    }
    const VariantMapPropertyBag bag(stored->toMap());
    const PropertyLoadResult result = control.readProperties(bag);
    if (result.ok())
        return std::nullopt;
    control.initNew();
    return Message{QStringLiteral("No se pudieron cargar las propiedades de %1: falta «%2». "
                                  "El control toma sus valores iniciales.")
                       .arg(controlName, result.missingProperty),
                   MessageIcon::Exclamation};
}
