#pragma once

#include <QProcess>
#include <QStringList>

// Root ignores file permissions, so a test about a file or folder that cannot be written must
// run that part as an ordinary user. CI runs as root: there the part runs in a child process as
// the user nobody (setpriv); a developer who is no root runs it directly.
namespace OrdinaryUser {

// The account the child runs as.
inline constexpr int Id = 65534;

[[nodiscard]] bool isRoot();

// program with arguments, as nobody when this process is root and as ourselves otherwise, set
// up in process but not started.
void prepare(QProcess& process, const QString& program, const QStringList& arguments);

// Runs one function of this test executable again, as nobody, with the environment of this
// process; its output goes to ours. True when it passed. For root only.
[[nodiscard]] bool runTestFunction(const char* testFunction);

} // namespace OrdinaryUser
