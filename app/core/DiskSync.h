#pragma once

#include <QString>

// Writes through to the disk what the system may still hold in memory, so that it survives a
// power cut. False when the path cannot be opened or the system refuses.

// A file's contents (opened for writing, as only a writer may flush it everywhere).
bool syncFile(const QString& path);
// A folder's entries: a new name, a rename or a removal made in it.
bool syncFolder(const QString& folder);
