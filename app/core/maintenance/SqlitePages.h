#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QVariant>
#include <QtGlobal>

#include <optional>
#include <span>

// A SQLite database file read page by page as it lies on the disk, without the engine: the repair
// reads rows through it where the engine gives up on a damaged b-tree. Nothing read from the file
// is trusted: every offset, count and page number is checked against the page and the file before
// it is used, so a damaged page gives "unreadable", never a read out of bounds or a loop.
class SqlitePages
{
public:
    using Bytes = std::span<const uchar>;

    enum PageKind : quint8
    {
        IndexInterior = 2,
        TableInterior = 5,
        IndexLeaf = 10,
        TableLeaf = 13,
    };

    // A b-tree page whose header and cell pointers lie within the page.
    struct BtreePage
    {
        quint32 number = 0;
        PageKind kind = TableLeaf;
        QList<int> cells; // offsets of the cells in the page
        quint32 rightChild = 0;
    };

    struct InteriorCell
    {
        quint32 leftChild = 0;
        qint64 key = 0;
    };

    // Maps the file for reading. The page size comes from the header, or, when the header is
    // damaged, from the first size at which page 1 reads as the schema's b-tree. False when the
    // file is no database at any size.
    bool open(const QString& path);

    [[nodiscard]] quint32 pageCount() const { return m_pageCount; }
    // Whether the first 100 bytes hold a database header (its free-list fields can be used).
    [[nodiscard]] bool headerIntact() const { return m_headerIntact; }
    // A 4-byte field of the header (0 when the header is damaged).
    [[nodiscard]] quint32 headerField(int offset) const;
    // The page's bytes, usable part only; empty when there is no such page.
    [[nodiscard]] Bytes page(quint32 number) const;
    [[nodiscard]] bool isPage(quint64 number) const { return number >= 1 && number <= m_pageCount; }

    [[nodiscard]] std::optional<BtreePage> btreePage(quint32 number) const;
    [[nodiscard]] std::optional<InteriorCell> interiorCell(const BtreePage& page, int cell) const;
    // A table leaf's cell: its key and its whole payload, overflow pages followed; nothing when
    // the payload would be longer than maxPayload.
    [[nodiscard]] std::optional<std::pair<qint64, QByteArray>>
    leafCell(const BtreePage& page, int cell, qint64 maxPayload) const;

private:
    bool looksLikeSchemaPage() const;

    QFile m_file;
    const uchar* m_data = nullptr;
    qint64 m_size = 0;
    int m_pageSize = 0;
    int m_usableSize = 0;
    quint32 m_pageCount = 0;
    bool m_headerIntact = false;
};

// The values of a record (SQLite's row format): integers as qint64, reals as double, texts as
// QString, blobs as QByteArray, NULL as a null QVariant. Nothing when the record is damaged or
// holds more than maxColumns values.
[[nodiscard]] std::optional<QVariantList> decodeRecord(const QByteArray& payload, int maxColumns);
