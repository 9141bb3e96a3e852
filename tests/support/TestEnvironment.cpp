#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QtGlobal>

TestEnvironment::TestEnvironment()
    : m_root(QDir::tempPath() + QStringLiteral("/llamora-test-XXXXXX"))
    , m_savedConfigHome(qgetenv("XDG_CONFIG_HOME"))
    , m_savedDataHome(qgetenv("XDG_DATA_HOME"))
    , m_savedHome(qgetenv("HOME"))
{
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome());
    QDir().mkpath(programFolder());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    qputenv("HOME", QFile::encodeName(root()));
}

TestEnvironment::~TestEnvironment()
{
    qputenv("XDG_CONFIG_HOME", m_savedConfigHome);
    qputenv("XDG_DATA_HOME", m_savedDataHome);
    qputenv("HOME", m_savedHome);
}

QString TestEnvironment::dataHome() const
{
    return root() + QStringLiteral("/data");
}

QString TestEnvironment::configHome() const
{
    return root() + QStringLiteral("/config");
}

QString TestEnvironment::programFolder() const
{
    return root() + QStringLiteral("/program");
}

QString TestEnvironment::makeFolder(const QString& relativePath) const
{
    const QString path = root() + QLatin1Char('/') + relativePath;
    QDir().mkpath(path);
    return path;
}

QString TestEnvironment::builtProgramFolder()
{
    const QByteArray fromCTest = qgetenv("LLAMORA_PROGRAM_DIR");
    return fromCTest.isEmpty() ? QStringLiteral(LLAMORA_PROGRAM_DIR_AT_BUILD)
                               : QFile::decodeName(fromCTest);
}

QString TestEnvironment::builtToolPath(const QString& name)
{
    return builtProgramFolder() + QLatin1Char('/') + name;
}

QString TestEnvironment::copyEmptyDatabase(const QString& folder)
{
    const QString target = folder + QStringLiteral("/Llamora.mdb");
    QFile::remove(target);
    QFile::copy(builtProgramFolder() + QStringLiteral("/Llamora.mdb"), target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                      QFile::ReadOther);
    return target;
}
