#include "settings/SettingsStore.h"

#include "ProgramInfo.h"
#include "settings/ServerSetting.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace {
// Most file systems allow 255 bytes per name; keep room for ".ini" and a hash.
constexpr int maximumEncodedLength = 200;

QString encodedFileName(const QString& applicationName)
{
    QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(applicationName));
    if (encoded.size() > maximumEncodedLength) {
        const QByteArray hash =
            QCryptographicHash::hash(applicationName.toUtf8(), QCryptographicHash::Sha1).toHex();
        encoded = encoded.left(maximumEncodedLength - hash.size() - 1) + QLatin1Char('~') +
                  QString::fromLatin1(hash);
    }
    return encoded;
}

QString keyPath(SettingKey key)
{
    return SettingsStore::section() + QLatin1Char('/') + SettingsStore::storedName(key);
}
} // namespace

SettingsStore::SettingsStore(QString programFolder)
    : m_programFolder(std::move(programFolder))
{}

QString SettingsStore::storedName(SettingKey key)
{
    switch (key) {
    case SettingKey::Puerto:
        return QStringLiteral("Puerto");
    case SettingKey::Puesto:
        return QStringLiteral("Puesto");
    case SettingKey::ActivarCID:
        return QStringLiteral("ActivarCID");
    case SettingKey::BaseDeDatos:
        return QStringLiteral("Base de datos");
    case SettingKey::Servidor:
        return QStringLiteral("Servidor");
    }
    return QString();
}

QString SettingsStore::applicationName(const QString& programFolder)
{
    return ProgramInfo::title() + QLatin1Char('-') + programFolder;
}

QString SettingsStore::encodedApplicationName(const QString& programFolder)
{
    return encodedFileName(applicationName(programFolder));
}

QString SettingsStore::filePathFor(const QString& programFolder)
{
    // Looked up at each access: the configuration home may change while the program runs
    // (tests point it elsewhere), and the name is always built afresh.
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return configHome + QLatin1Char('/') + ProgramInfo::title() + QLatin1Char('/') +
           encodedApplicationName(programFolder) + QStringLiteral(".ini");
}

QString SettingsStore::filePath() const
{
    return filePathFor(m_programFolder);
}

QString SettingsStore::read(SettingKey key, const QString& defaultValue) const
{
    const QSettings settings(filePath(), QSettings::IniFormat);
    const QVariant value = settings.value(keyPath(key));
    if (!value.isValid())
        return defaultValue;
    // A value edited by hand into a list ("1, 2") still reads as its text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

bool SettingsStore::write(SettingKey key, const QString& value)
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.setValue(keyPath(key), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString SettingsStore::writeProblem() const
{
    return writeProblemFor(filePath());
}

QString SettingsStore::writeProblemFor(const QString& filePath)
{
    const QFileInfo file(filePath);
    if (file.exists() && !file.isFile())
        return QStringLiteral("«%1» no es un archivo")
            .arg(QDir::toNativeSeparators(file.absoluteFilePath()));
    if (file.exists() && !file.isWritable())
        return QStringLiteral("sin permiso de escritura en el archivo «%1»")
            .arg(QDir::toNativeSeparators(file.absoluteFilePath()));
    // The nearest existing part of the folder's path decides: a file there blocks the folder, and
    // a folder still to be made needs leave to write in its parent.
    QFileInfo folder(file.absolutePath());
    while (!folder.exists() && !folder.isRoot())
        folder = QFileInfo(folder.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("«%1» no es una carpeta")
            .arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
    if (!folder.isWritable())
        return QStringLiteral("sin permiso de escritura en la carpeta «%1»")
            .arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
    return QStringLiteral("el sistema no permitió escribir el archivo (¿disco lleno?)");
}

QString SettingsStore::puerto(const QString& defaultValue) const
{
    return read(SettingKey::Puerto, defaultValue);
}

QString SettingsStore::puesto(const QString& defaultValue) const
{
    return read(SettingKey::Puesto, defaultValue);
}

QString SettingsStore::activarCID(const QString& defaultValue) const
{
    return read(SettingKey::ActivarCID, defaultValue);
}

QString SettingsStore::baseDeDatos(const QString& defaultValue) const
{
    return read(SettingKey::BaseDeDatos, defaultValue);
}

ServerAddress SettingsStore::servidor() const
{
    return serverAddressFromSetting(read(SettingKey::Servidor, QString()));
}

bool SettingsStore::setServidor(const ServerAddress& address)
{
    return write(SettingKey::Servidor, serverSettingText(address));
}
