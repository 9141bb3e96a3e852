#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A database file damaged the way a failing disk or an interrupted copy leaves it: every page
// after the first is garbage, while the header and the list of tables stay intact, so the file
// still opens and passes the start-up checks. The change counter moves on, as after any write,
// so a workstation with the file open reads the pages again.
inline bool damageDatabase(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    if (bytes.size() < 100)
        return false;
    int pageSize = (static_cast<uchar>(bytes.at(16)) << 8) | static_cast<uchar>(bytes.at(17));
    if (pageSize == 1)
        pageSize = 65536;
    for (qsizetype i = pageSize; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(0xA5);
    bytes[27] = static_cast<char>(bytes.at(27) + 1);
    return file.seek(0) && file.write(bytes) == bytes.size();
}

// The table whose b-tree starts at rootPage loses everything of that page past its first 8 bytes
// (the page header of a leaf), as a torn write leaves it: 0xFF bytes.
inline bool overwriteRootPage(const QString& path, int rootPage)
{
    QFile file(path);
    if (rootPage < 1 || !file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray header = file.read(100);
    if (header.size() < 100)
        return false;
    int pageSize = (static_cast<uchar>(header.at(16)) << 8) | static_cast<uchar>(header.at(17));
    if (pageSize == 1)
        pageSize = 65536;
    const qint64 offset = qint64(rootPage - 1) * pageSize + 8;
    return file.seek(offset) &&
           file.write(QByteArray(pageSize - 8, static_cast<char>(0xFF))) == pageSize - 8;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes bytes over the file in place (the same file, as a repair that keeps it open would).
inline bool overwriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size() && file.flush();
}
