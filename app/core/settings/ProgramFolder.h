#pragma once

#include <QString>

// The program folder as the running program itself reports it (the folder of its executable,
// which the system gives with every symbolic link resolved), for a folder that holds the
// program or a link to it. Tools that write an installation's settings address them through
// this, so that they reach the same file the program reads. Empty when there is no such folder.
[[nodiscard]] QString programFolderFor(const QString& folder);
