#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// The stored properties of a hosted control, kept by name with the host window's description.
class PropertyBag
{
public:
    virtual ~PropertyBag() = default;

    // Empty when the description holds no value of that name.
    [[nodiscard]] virtual std::optional<QVariant> read(const QString& name) const = 0;
    virtual void write(const QString& name, const QVariant& value) = 0;
};

// A property bag held in memory, for hosts that keep their descriptions in a map.
class VariantMapPropertyBag final : public PropertyBag
{
public:
    VariantMapPropertyBag() = default;
    explicit VariantMapPropertyBag(QVariantMap values)
        : m_values(std::move(values))
    {
    }

    [[nodiscard]] std::optional<QVariant> read(const QString& name) const override
    {
        const auto it = m_values.constFind(name);
        if (it == m_values.constEnd())
            return std::nullopt;
        return *it;
    }

    void write(const QString& name, const QVariant& value) override { m_values.insert(name, value); }

    [[nodiscard]] const QVariantMap& values() const { return m_values; }

private:
    QVariantMap m_values;
};

// Outcome of loading a control's stored properties: a set that lacks one fails, naming it.
struct PropertyLoadResult
{
    QString missingProperty;

    [[nodiscard]] bool ok() const { return missingProperty.isEmpty(); }
    [[nodiscard]] static PropertyLoadResult success() { return {}; }
    [[nodiscard]] static PropertyLoadResult missing(const QString& name) { return {name}; }
};

// What a host needs of a control to create, load and save it.
class PersistentControl
{
public:
    virtual ~PersistentControl() = default;

    // A newly placed instance: the control's defaults, applied through its setters.
    virtual void initNew() = 0;
    // A stored instance: every stored property must be present, applied in the control's order.
    [[nodiscard]] virtual PropertyLoadResult readProperties(const PropertyBag& bag) = 0;
    // Every stored property is written, whatever its value.
    virtual void writeProperties(PropertyBag& bag) const = 0;
};
