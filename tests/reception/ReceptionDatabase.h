#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

// A copy of the installation's empty database in a folder, read and seeded with plain SQL on a
// connection of the test's own, apart from the layer under test.
class ReceptionDatabase
{
public:
    // Copies the empty database into folder.
    explicit ReceptionDatabase(const QString& folder);

    [[nodiscard]] QString folder() const { return m_folder; }
    [[nodiscard]] QString path() const { return m_path; }
    [[nodiscard]] bool exists() const;

    // Every row of a query, read to the end; an empty list when it fails.
    [[nodiscard]] QList<QVariantList> rows(const QString& sql) const;
    [[nodiscard]] qint64 scalar(const QString& sql) const;
    bool execute(const QString& sql) const;

    // A client with earlier calls (each counted); null texts stay Null. Returns its key.
    qint64 addClient(const QString& telefono, const QVariant& nombre, const QVariant& domicilio,
                     const QVariant& observaciones, bool alerta, int earlierCalls);

private:
    QString m_folder;
    QString m_path;
};
