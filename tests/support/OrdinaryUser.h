#pragma once

#include <QProcess>
#include <QStringList>

// Root ignores file permissions, so a test about a file or folder that cannot be written must
// run that part as an ordinary user. CI runs as root: there the part runs in a child process as
// the user nobody (setpriv); a developer who is no root runs it directly.
// A build under a folder closed to other users (a clone under /root) cannot be run by nobody:
// the child then runs from a copy of its program and of the built program folder in a temporary
// folder nobody may enter, with LLAMORA_PROGRAM_DIR pointing at the copied program folder. A
// child started so may use the program folder, not the other executables of the build.
namespace OrdinaryUser {

// The account the child runs as.
inline constexpr int Id = 65534;

[[nodiscard]] bool isRoot();

// program with arguments, as nobody when this process is root and as ourselves otherwise, set
// up in process but not started. Set the process's environment before, not after: a copy of the
// build changes it.
void prepare(QProcess& process, const QString& program, const QStringList& arguments);

// Runs one function of this test executable again, as nobody, with the environment of this
// process; its output goes to ours. True when it passed. For root only.
[[nodiscard]] bool runTestFunction(const char* testFunction);

// Copies program and the built program folder into folder, laid out as in the build so that the
// program's RPATH finds the libraries (hard links where the file system allows). Returns the
// copy of program, and the copy of the program folder in *programFolder; "" when it failed.
[[nodiscard]] QString copyBuild(const QString& program, const QString& folder,
                                QString* programFolder);

} // namespace OrdinaryUser
