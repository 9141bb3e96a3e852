#pragma once

#include <QString>
#include <QTemporaryDir>

// A private world for one test: a temporary root holding a config home and a data home
// (XDG_CONFIG_HOME, XDG_DATA_HOME and HOME point there while the object lives) and a program
// folder, so no test touches the user's own.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    [[nodiscard]] bool isValid() const { return m_root.isValid(); }
    [[nodiscard]] QString root() const { return m_root.path(); }
    [[nodiscard]] QString configHome() const;
    [[nodiscard]] QString dataHome() const;
    [[nodiscard]] QString programFolder() const;
    // A fresh folder under the root, created on demand.
    [[nodiscard]] QString makeFolder(const QString& relativePath) const;

    // The folder where the build put the program, its libraries, the empty database and tools.
    [[nodiscard]] static QString builtProgramFolder();
    [[nodiscard]] static QString builtToolPath(const QString& name);
    // Copies the installation's empty database into folder as "Llamora.mdb"; returns its path.
    [[nodiscard]] static QString copyEmptyDatabase(const QString& folder);

private:
    QTemporaryDir m_root;
    QByteArray m_savedConfigHome;
    QByteArray m_savedDataHome;
    QByteArray m_savedHome;
};
