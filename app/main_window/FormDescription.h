#pragma once

#include "Message.h"

#include <QString>
#include <QVariantMap>

#include <optional>

class PersistentControl;

// A window's saved description: the stored properties of each hosted control, by the control's
// name, kept as a small JSON object {"Lineo1": {"Puerto": 4, ...}, ...}.
class FormDescription
{
public:
    // Reads the description; an unreadable one is remembered as an error (see error()).
    [[nodiscard]] static FormDescription load(const QString& path);

    // Why the description could not be read, for the user; empty when it was read.
    [[nodiscard]] const std::optional<Message>& error() const { return m_error; }

    // Gives the control its stored properties. When the description lacks the control or one of
    // its properties, the control gets its defaults instead and the returned message says so.
    [[nodiscard]] std::optional<Message> restore(const QString& controlName,
                                                 PersistentControl& control) const;

private:
    QVariantMap m_controls;
    std::optional<Message> m_error;
};
