#pragma once

#include "TestEnvironment.h"

#include <QList>
#include <QString>

// A program folder with a database of clients and calls, and ways to look at and damage the
// file apart from the program's own layer.
class MaintenanceFixture
{
public:
    // A small page size gives a small file a tree of three levels.
    explicit MaintenanceFixture(int clients = 200, int calls = 3000, int pageSize = 4096);

    [[nodiscard]] QString folder() const { return m_environment.programFolder(); }
    [[nodiscard]] QString databasePath() const { return m_databasePath; }
    [[nodiscard]] QString path(const QString& fileName) const;

    // The folder's files but the presence companion, which the first open creates.
    static QStringList filesIn(const QString& folder);
    // The file's inode number (0 when there is none): whether a name still names the same file.
    static quint64 inode(const QString& path);
    static qint64 callCount(const QString& databasePath);

    // Every row of both tables, digested; empty when the file cannot be read whole.
    static QString fingerprint(const QString& databasePath);
    // "ok", or the first problem the integrity check reports, or the error that stopped it.
    static QString integrity(const QString& databasePath);
    // Each row of a statement as one text, its values joined by "|".
    static QStringList rows(const QString& databasePath, const QString& sql);
    // A number read with plain SQL (-1 when the statement gives none).
    static qint64 scalar(const QString& databasePath, const QString& sql);
    // The leaf pages of a table's tree, in file order.
    static QList<int> leafPages(const QString& databasePath, const QString& table);
    // The same for "internal" pages, root included.
    static QList<int> treePages(const QString& databasePath, const QString& table,
                                const QString& pageType);
    static int rootPage(const QString& databasePath, const QString& table);
    // The leaf page holding a table's lowest keys.
    static int firstLeafPage(const QString& databasePath, const QString& table);
    // Rows of a table stored on the given pages.
    static qint64 rowsOnPages(const QString& databasePath, const QString& table,
                              const QList<int>& pages);
    // Runs statements on the file with plain SQL, one after the other; false at the first failing.
    static bool execute(const QString& databasePath, const QStringList& statements);
    enum class Fill
    {
        Pattern,        // a byte that no page of a database begins with
        Ones,           // 0xFF
        OnesPastFirst8, // 0xFF but the page's first 8 bytes and last 8, as a torn write leaves it
        Zeros,
        Random,
    };
    // Overwrites whole pages.
    static bool overwritePages(const QString& databasePath, const QList<int>& pages,
                               Fill fill = Fill::Pattern);
    static bool zeroHeader(const QString& databasePath);

private:
    TestEnvironment m_environment;
    QString m_databasePath;
};
