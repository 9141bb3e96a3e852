#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A benchmark's own home in a temporary folder, set before the application starts: the port
// table and settings it writes are never the user's. Offscreen unless a platform is named.
class PrivateHome
{
public:
    PrivateHome()
        : m_folder(QDir::tempPath() + QStringLiteral("/llamora-bench-XXXXXX"))
    {
        if (!m_folder.isValid())
            return;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_folder.filePath(QStringLiteral("config"))));
        qputenv("HOME", QFile::encodeName(m_folder.path()));
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    [[nodiscard]] bool isValid() const { return m_folder.isValid(); }
    [[nodiscard]] QString path() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
};
