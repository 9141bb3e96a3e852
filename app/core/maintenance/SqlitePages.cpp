#include "maintenance/SqlitePages.h"

#include <cstring>

namespace {
constexpr int fileHeaderSize = 100;

quint32 bigEndian(const uchar* p, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | p[i];
    return value;
}

// SQLite's variable-length integer at p, read no further than end; its length, 0 when it does
// not end before end.
int readVarint(const uchar* p, const uchar* end, quint64* value)
{
    quint64 v = 0;
    for (int i = 0; i < 9; ++i) {
        if (p + i >= end)
            return 0;
        if (i == 8) {
            *value = (v << 8) | p[i];
            return 9;
        }
        v = (v << 7) | (p[i] & 0x7f);
        if ((p[i] & 0x80) == 0) {
            *value = v;
            return i + 1;
        }
    }
    return 0;
}

bool validPageSize(int size)
{
    return size >= 512 && size <= 65536 && (size & (size - 1)) == 0;
}

// The number of body bytes of a value of a serial type; -1 for the reserved types.
qint64 serialSize(quint64 type)
{
    static constexpr int fixed[] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0, -1, -1};
    return type < 12 ? fixed[type] : static_cast<qint64>((type - 12) / 2);
}

QVariant serialValue(quint64 type, const uchar* p, qint64 size)
{
    if (type == 0)
        return {};
    if (type == 8 || type == 9)
        return QVariant(static_cast<qint64>(type - 8));
    if (type <= 7) {
        quint64 raw = 0;
        for (qint64 i = 0; i < size; ++i)
            raw = (raw << 8) | p[i];
        if (type == 7) {
            double real = 0;
            std::memcpy(&real, &raw, sizeof real);
            return QVariant(real);
        }
        const int unused = static_cast<int>(64 - 8 * size);
        return QVariant(static_cast<qint64>(raw << unused) >> unused); // sign-extended
    }
    const auto* text = reinterpret_cast<const char*>(p);
    if (type % 2 == 0)
        return QVariant(QByteArray(text, static_cast<qsizetype>(size)));
    return QVariant(QString::fromUtf8(text, static_cast<qsizetype>(size)));
}
} // namespace

bool SqlitePages::open(const QString& path)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    m_size = m_file.size();
    m_data = m_size >= 512 ? m_file.map(0, m_size) : nullptr;
    if (m_data == nullptr)
        return false;

    const int headerPageSize =
        m_data[16] == 0 && m_data[17] == 1 ? 65536 : static_cast<int>(bigEndian(m_data + 16, 2));
    m_headerIntact = std::memcmp(m_data, "SQLite format 3", 16) == 0 &&
                     validPageSize(headerPageSize) && m_size >= headerPageSize &&
                     headerPageSize - m_data[20] >= 480;
    if (m_headerIntact) {
        m_pageSize = headerPageSize;
        m_usableSize = headerPageSize - m_data[20];
        m_pageCount = static_cast<quint32>(m_size / m_pageSize);
        return true;
    }
    // The cells of the schema page end at the end of its page: the smallest size at which they
    // all fit and read is the file's.
    for (int size = 512; size <= 65536 && size <= m_size; size *= 2) {
        m_pageSize = m_usableSize = size;
        m_pageCount = static_cast<quint32>(m_size / size);
        if (looksLikeSchemaPage())
            return true;
    }
    m_pageCount = 0;
    return false;
}

bool SqlitePages::looksLikeSchemaPage() const
{
    const std::optional<BtreePage> first = btreePage(1);
    if (!first || first->cells.isEmpty())
        return false;
    if (first->kind == TableInterior)
        return interiorCell(*first, 0).has_value();
    if (first->kind != TableLeaf)
        return false;
    for (int cell = 0; cell < first->cells.size(); ++cell) {
        const auto row = leafCell(*first, cell, 65536);
        const auto values = row ? decodeRecord(row->second, 5) : std::nullopt;
        if (!values || values->size() != 5)
            return false;
    }
    return true;
}

quint32 SqlitePages::headerField(int offset) const
{
    return m_headerIntact && offset >= 0 && offset + 4 <= fileHeaderSize
               ? bigEndian(m_data + offset, 4)
               : 0;
}

SqlitePages::Bytes SqlitePages::page(quint32 number) const
{
    if (!isPage(number))
        return {};
    return {m_data + static_cast<qint64>(number - 1) * m_pageSize,
            static_cast<size_t>(m_usableSize)};
}

std::optional<SqlitePages::BtreePage> SqlitePages::btreePage(quint32 number) const
{
    const Bytes bytes = page(number);
    const int start = number == 1 ? fileHeaderSize : 0;
    const int usable = static_cast<int>(bytes.size());
    if (bytes.empty() || start + 12 > usable)
        return std::nullopt;
    const uchar* header = bytes.data() + start;
    const quint8 kind = header[0];
    if (kind != IndexInterior && kind != TableInterior && kind != IndexLeaf && kind != TableLeaf)
        return std::nullopt;
    const bool interior = kind == IndexInterior || kind == TableInterior;
    const int cellCount = static_cast<int>(bigEndian(header + 3, 2));
    const int stored = static_cast<int>(bigEndian(header + 5, 2));
    const int contentStart = stored == 0 ? 65536 : stored;
    const int pointers = start + (interior ? 12 : 8);
    const int pointersEnd = pointers + 2 * cellCount;
    if (pointersEnd > usable || contentStart < pointersEnd || contentStart > usable)
        return std::nullopt;

    BtreePage result;
    result.number = number;
    result.kind = static_cast<PageKind>(kind);
    result.cells.reserve(cellCount);
    for (int i = 0; i < cellCount; ++i) {
        const int offset = static_cast<int>(bigEndian(bytes.data() + pointers + 2 * i, 2));
        if (offset < contentStart || offset + 4 > usable)
            return std::nullopt;
        result.cells.append(offset);
    }
    if (interior) {
        result.rightChild = bigEndian(header + 8, 4);
        if (!isPage(result.rightChild) || result.rightChild == 1)
            return std::nullopt;
    }
    return result;
}

std::optional<SqlitePages::InteriorCell> SqlitePages::interiorCell(const BtreePage& page,
                                                                   int cell) const
{
    const Bytes bytes = this->page(page.number);
    const uchar* p = bytes.data() + page.cells.at(cell);
    InteriorCell result;
    result.leftChild = bigEndian(p, 4);
    quint64 key = 0;
    if (!isPage(result.leftChild) || result.leftChild == 1 ||
        readVarint(p + 4, bytes.data() + bytes.size(), &key) == 0)
        return std::nullopt;
    result.key = static_cast<qint64>(key);
    return result;
}

std::optional<std::pair<qint64, QByteArray>> SqlitePages::leafCell(const BtreePage& page, int cell,
                                                                   qint64 maxPayload) const
{
    const Bytes bytes = this->page(page.number);
    const uchar* end = bytes.data() + bytes.size();
    const uchar* p = bytes.data() + page.cells.at(cell);
    quint64 payloadSize = 0;
    quint64 key = 0;
    int length = readVarint(p, end, &payloadSize);
    if (length == 0 || payloadSize > static_cast<quint64>(maxPayload) ||
        payloadSize > static_cast<quint64>(m_pageCount) * m_usableSize)
        return std::nullopt;
    p += length;
    if ((length = readVarint(p, end, &key)) == 0)
        return std::nullopt;
    p += length;

    // The part of the payload kept on the leaf itself, as SQLite's file format fixes it.
    const qint64 usable = m_usableSize;
    const qint64 total = static_cast<qint64>(payloadSize);
    const qint64 most = usable - 35;
    const qint64 least = (usable - 12) * 32 / 255 - 23;
    qint64 local = total;
    if (total > most) {
        const qint64 spill = least + (total - least) % (usable - 4);
        local = spill <= most ? spill : least;
    }
    const bool overflows = local < total;
    if (end - p < local + (overflows ? 4 : 0))
        return std::nullopt;
    QByteArray payload(reinterpret_cast<const char*>(p), static_cast<qsizetype>(local));
    // Each overflow page carries usable - 4 bytes, so the chain ends after a bounded number of
    // pages whatever its links say.
    quint32 next = overflows ? bigEndian(p + local, 4) : 0;
    while (payload.size() < total) {
        const Bytes overflow = this->page(next);
        if (overflow.empty() || next == 1)
            return std::nullopt;
        const qint64 take = std::min<qint64>(total - payload.size(), usable - 4);
        payload.append(reinterpret_cast<const char*>(overflow.data() + 4),
                       static_cast<qsizetype>(take));
        next = bigEndian(overflow.data(), 4);
    }
    return std::make_pair(static_cast<qint64>(key), payload);
}

std::optional<QVariantList> decodeRecord(const QByteArray& payload, int maxColumns)
{
    const auto* begin = reinterpret_cast<const uchar*>(payload.constData());
    const uchar* end = begin + payload.size();
    quint64 headerSize = 0;
    int length = readVarint(begin, end, &headerSize);
    if (length == 0 || headerSize < static_cast<quint64>(length) ||
        headerSize > static_cast<quint64>(payload.size()))
        return std::nullopt;
    const uchar* headerEnd = begin + headerSize;
    const uchar* p = begin + length;
    const uchar* body = headerEnd;
    QVariantList values;
    while (p < headerEnd) {
        quint64 type = 0;
        if ((length = readVarint(p, headerEnd, &type)) == 0 || values.size() == maxColumns)
            return std::nullopt;
        p += length;
        const qint64 size = serialSize(type);
        if (size < 0 || size > end - body)
            return std::nullopt;
        values.append(serialValue(type, body, size));
        body += size;
    }
    if (body != end)
        return std::nullopt;
    return values;
}
