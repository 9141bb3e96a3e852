#include "maintenance/PageSalvage.h"

#include <QHash>

#include <limits>
#include <vector>

namespace {
constexpr qint64 lowestKey = std::numeric_limits<qint64>::min();
constexpr qint64 highestKey = std::numeric_limits<qint64>::max();
// No row of ours comes near this; a longer one read from a page is damage.
constexpr qint64 longestRow = 1 << 20;
constexpr int schemaColumns = 5; // type, name, tbl_name, rootpage, sql
constexpr int sequenceColumns = 2;

struct KeyRange
{
    qint64 first = lowestKey;
    qint64 last = highestKey;
    [[nodiscard]] bool contains(qint64 key) const { return key >= first && key <= last; }
};

// How a tree's rows are told apart and where they go.
struct TreeReading
{
    TreeReading(int columns, std::function<bool(const QVariantList& values)> accepting,
                std::function<void(qint64 key, const QVariantList& values)> rows)
        : maxColumns(columns)
        , accepts(std::move(accepting))
        , row(std::move(rows))
    {}

    int maxColumns = 0;
    std::function<bool(const QVariantList& values)> accepts;
    std::function<void(qint64 key, const QVariantList& values)> row;
    QList<KeyRange> damaged; // key ranges of the parts that could not be read
    bool rootRead = false;
};

class PageReader
{
public:
    PageReader(const SqlitePages& pages,
               const std::function<void(qint64 done, qint64 total)>& progress)
        : m_pages(pages)
        , m_state(static_cast<size_t>(pages.pageCount()) + 1, Unread)
        , m_progress(progress)
    {
        readFreeList();
    }

    // The number of damaged parts met.
    int readTree(quint32 root, TreeReading& tree);
    void readLeftoverLeaves(const QList<TreeReading*>& trees);

private:
    enum PageState : quint8
    {
        Unread,
        Free,
        Read,
    };

    struct Pending
    {
        quint32 page;
        KeyRange keys;
    };

    void readFreeList();
    void markRead(quint32 page);
    bool readInterior(const SqlitePages::BtreePage& page, KeyRange keys,
                      std::vector<Pending>* children);
    // The rows of a leaf's cells that tree accepts, each with its key; unreadable counts the
    // others.
    QList<std::pair<qint64, QVariantList>> rowsOf(const SqlitePages::BtreePage& page,
                                                  const TreeReading& tree, int* unreadable) const;

    const SqlitePages& m_pages;
    std::vector<PageState> m_state;
    std::function<void(qint64, qint64)> m_progress;
    qint64 m_done = 0;
};

// The free list: trunk pages, each listing leaf pages. Both kinds are left out of every read.
void PageReader::readFreeList()
{
    quint32 trunk = m_pages.headerField(32);
    const int perTrunk = static_cast<int>(m_pages.page(1).size() / 4) - 2;
    while (m_pages.isPage(trunk) && trunk != 1 && m_state[trunk] == Unread) {
        m_state[trunk] = Free;
        const SqlitePages::Bytes bytes = m_pages.page(trunk);
        const auto field = [&](int index) {
            const uchar* p = bytes.data() + 4 * index;
            return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
        };
        const int leaves = static_cast<int>(std::min<quint32>(field(1), perTrunk));
        for (int i = 0; i < leaves; ++i) {
            const quint32 leaf = field(2 + i);
            if (m_pages.isPage(leaf) && leaf != 1)
                m_state[leaf] = Free;
        }
        trunk = field(0);
    }
}

void PageReader::markRead(quint32 page)
{
    m_state[page] = Read;
    if (m_progress && ++m_done % 256 == 0)
        m_progress(m_done, m_pages.pageCount());
}

// An interior page's children with the key range each covers; false when its keys or links are
// not those of a sound page of this tree.
bool PageReader::readInterior(const SqlitePages::BtreePage& page, KeyRange keys,
                              std::vector<Pending>* children)
{
    qint64 first = keys.first;
    for (int cell = 0; cell < page.cells.size(); ++cell) {
        const auto child = m_pages.interiorCell(page, cell);
        if (!child || child->key < first || child->key > keys.last)
            return false;
        children->push_back({child->leftChild, {first, child->key}});
        if (child->key == highestKey)
            return true;
        first = child->key + 1;
    }
    children->push_back({page.rightChild, {first, keys.last}});
    return true;
}

QList<std::pair<qint64, QVariantList>> PageReader::rowsOf(const SqlitePages::BtreePage& page,
                                                          const TreeReading& tree,
                                                          int* unreadable) const
{
    QList<std::pair<qint64, QVariantList>> rows;
    for (int cell = 0; cell < page.cells.size(); ++cell) {
        const auto stored = m_pages.leafCell(page, cell, longestRow);
        auto values = stored ? decodeRecord(stored->second, tree.maxColumns) : std::nullopt;
        if (values && tree.accepts(*values))
            rows.append({stored->first, std::move(*values)});
        else
            ++*unreadable;
    }
    return rows;
}

// Reads the tree from its root, in key order. A page that cannot be read, or that a link reaches
// a second time, is damage: the key range it should have held is noted for the search of
// leftover leaves.
int PageReader::readTree(quint32 root, TreeReading& tree)
{
    int damagedParts = 0;
    std::vector<Pending> pending{{root, KeyRange{}}};
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        const bool unread = m_pages.isPage(next.page) && m_state[next.page] == Unread;
        const auto page = unread ? m_pages.btreePage(next.page) : std::nullopt;
        if (page)
            markRead(next.page);
        std::vector<Pending> children;
        bool sound = page && (page->kind == SqlitePages::TableLeaf ||
                              (page->kind == SqlitePages::TableInterior &&
                               readInterior(*page, next.keys, &children)));
        if (next.page == root)
            tree.rootRead = sound;
        if (sound && page->kind == SqlitePages::TableLeaf) {
            // A row that reads is kept even when others of its page do not.
            int unreadable = 0;
            for (const auto& [key, values] : rowsOf(*page, tree, &unreadable)) {
                if (next.keys.contains(key))
                    tree.row(key, values);
                else
                    ++unreadable;
            }
            sound = unreadable == 0;
        }
        if (!sound) {
            ++damagedParts;
            tree.damaged.append(next.keys);
            continue;
        }
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return damagedParts;
}

// Leaf pages that no tree reached and that are not free: each goes to the tree whose shape most
// of its rows have, and gives the rows whose keys lie where that tree is damaged.
void PageReader::readLeftoverLeaves(const QList<TreeReading*>& trees)
{
    for (quint32 number = 2; number <= m_pages.pageCount(); ++number) {
        if (m_state[number] != Unread)
            continue;
        markRead(number);
        const auto page = m_pages.btreePage(number);
        if (!page || page->kind != SqlitePages::TableLeaf || page->cells.isEmpty())
            continue;
        for (TreeReading* tree : trees) {
            if (tree->damaged.isEmpty())
                continue;
            int unreadable = 0;
            const auto rows = rowsOf(*page, *tree, &unreadable);
            if (rows.size() <= unreadable)
                continue;
            for (const auto& [key, values] : rows) {
                for (const KeyRange& range : std::as_const(tree->damaged)) {
                    if (range.contains(key)) {
                        tree->row(key, values);
                        break;
                    }
                }
            }
            break;
        }
    }
}
} // namespace

int readTablesFromPages(const SqlitePages& pages, const QList<TableToRead*>& tables,
                        const std::function<void(qint64 done, qint64 total)>& progress)
{
    PageReader reader(pages, progress);
    QHash<QString, qint64> roots;
    TreeReading schema{schemaColumns,
                       [](const QVariantList& values) { return values.size() == schemaColumns; },
                       [&](qint64, const QVariantList& values) {
                           if (values.at(0).toString() == QLatin1String("table"))
                               roots.insert(values.at(1).toString(), values.at(3).toLongLong());
                       }};
    reader.readTree(1, schema);
    const auto readFromRoot = [&](const QString& name, TreeReading& tree) {
        const qint64 root = roots.value(name, 0);
        if (root > 1 && pages.isPage(static_cast<quint64>(root)))
            return reader.readTree(static_cast<quint32>(root), tree);
        tree.damaged.append(KeyRange{});
        return 1;
    };

    int damagedParts = 0;
    std::vector<TreeReading> trees;
    trees.reserve(static_cast<size_t>(tables.size()));
    for (TableToRead* table : tables) {
        const int columns = table->columns;
        trees.emplace_back(
            columns,
            [columns](const QVariantList& values) {
                return values.size() == columns && values.at(0).isNull();
            },
            [table](qint64 key, const QVariantList& values) {
                table->found = true;
                table->row(key, values);
            });
        damagedParts += readFromRoot(table->name, trees.back());
        table->found = table->found || trees.back().rootRead;
    }
    // The counters of AUTOINCREMENT, so that no deleted row's key is given again.
    QHash<QString, qint64> counters;
    TreeReading sequence{sequenceColumns,
                         [](const QVariantList& values) {
                             return values.size() == sequenceColumns &&
                                    values.at(0).typeId() == QMetaType::QString &&
                                    values.at(1).typeId() == QMetaType::LongLong;
                         },
                         [&](qint64, const QVariantList& values) {
                             qint64& counter = counters[values.at(0).toString()];
                             counter = std::max(counter, values.at(1).toLongLong());
                         }};
    readFromRoot(QStringLiteral("sqlite_sequence"), sequence);

    QList<TreeReading*> leftovers;
    for (TreeReading& tree : trees)
        leftovers.append(&tree);
    leftovers.append(&sequence);
    reader.readLeftoverLeaves(leftovers);
    for (TableToRead* table : tables)
        table->keyCounter = counters.value(table->name, 0);
    return damagedParts;
}
