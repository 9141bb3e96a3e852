#include "settings/ProgramFolder.h"

#include "ProgramInfo.h"

#include <QDir>
#include <QFileInfo>

QString programFolderFor(const QString& folder)
{
    const QFileInfo given(folder);
    if (folder.isEmpty() || !given.isDir())
        return {};
    // The executable may itself be a link into another folder: the program then runs from
    // there.
    const QFileInfo program(QDir(folder).filePath(ProgramInfo::title()));
    if (program.exists())
        return QFileInfo(program.canonicalFilePath()).absolutePath();
    return given.canonicalFilePath();
}
