#pragma once

#include "database/BackgroundCount.h"
#include "database/DatabaseConnection.h"
#include "database/KeySet.h"
#include "database/Statements.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <functional>

// A data control: a connection to the database file plus a result set over one catalogue
// statement, with a current row.
//
// The set is keyset-driven: refresh() reads the exact count and the keys in order (a call list
// its first keys at once and the rest in chunks, see KeySet), and rows are then read in bounded
// pages on demand. No read lock outlives the call that takes it, so a
// list on screen never blocks another workstation's writes. Rows changed by others show their
// new values when their page is read again; rows added by others appear after the next refresh;
// rows deleted by others surface as 3167.
//
// Field values: Fecha is a QDateTime, FIngreso a QDate, Alerta a bool, keys and numbers qint64,
// texts QString; Null is a null QVariant.
//
// Every operation returns 0 or an engine error number (DatabaseError).
class DataControl : public QObject
{
    Q_OBJECT

public:
    enum class EditMode
    {
        None,
        Editing, // edit(): the file's write lock is held until update() or cancelUpdate()
        Adding,  // addNew(): nothing is locked until update()
    };

    explicit DataControl(QObject* parent = nullptr);
    ~DataControl() override;

    // The database file; empty detaches the control (closing its connection at once).
    void setDatabaseName(const QString& filePath);
    [[nodiscard]] QString databaseName() const { return m_databaseName; }
    // A read-only control (snapshot) opens the file read-only and refuses changes.
    void setReadOnly(bool readOnly);
    [[nodiscard]] bool isReadOnly() const { return m_readOnly; }
    void setBusyTimeout(int milliseconds) { m_busyTimeoutMs = milliseconds; }

    // Takes effect at the next refresh(); until then the set is empty.
    void setRecordSource(const Statement& statement);
    [[nodiscard]] const Statement& recordSource() const { return m_source; }

    // Opens the file if needed, runs the source and moves to the first row. With no database
    // name it empties the set and returns 0.
    int refresh();
    int requery() { return refresh(); }
    // Opens the file without reading anything (for appending to a table); 0 or an error.
    int open() { return ensureOpen(); }
    [[nodiscard]] bool isAttached() const { return m_connection.isOpen(); }
    DatabaseConnection& connection() { return m_connection; }

    // Current row. A call list's exact count comes a moment after its first rows are read,
    // counted on a thread of its own (or at once when a row past them or a key is asked for);
    // until then recordCount() gives the rows read so far and isCounted() is false. moveLast()
    // does not wait for it: the last rows are read and follow the first ones until the count
    // puts the rest between them (rowsJoined).
    [[nodiscard]] int recordCount() const { return m_keys.size(); }
    [[nodiscard]] bool isCounted() const { return m_keys.isCounted(); }
    // Reads the exact count now when it is still to come.
    int countRecords();
    [[nodiscard]] bool isEmpty() const { return m_keys.isEmpty(); }
    [[nodiscard]] bool isBOF() const { return isEmpty() || m_position < 0; }
    [[nodiscard]] bool isEOF() const { return isEmpty() || m_position >= recordCount(); }
    [[nodiscard]] bool hasCurrentRow() const { return !isBOF() && !isEOF(); }
    [[nodiscard]] int position() const { return m_position; }
    [[nodiscard]] qint64 currentKey() const;
    // Null when there is no current row or it has been deleted; see currentRowError().
    [[nodiscard]] QVariant field(const QString& name) const;
    // 0, 3021 (no current row), 3167 (deleted by another workstation) or a read error.
    [[nodiscard]] int currentRowError() const;
    [[nodiscard]] QStringList fieldNames() const { return m_columnNames; }

    int moveFirst();
    int moveLast();
    int moveNext();
    int movePrevious();
    int moveTo(int row);
    // Table access: makes the row with this key current (adding it to the set when a refresh
    // has not seen it yet). 3021 when there is no such row (EOF afterwards).
    int seek(qint64 key);

    // Any row of the set, for grids; reads its page when needed.
    [[nodiscard]] QVariant valueAt(int row, const QString& name) const;
    [[nodiscard]] qint64 keyAt(int row) const { return m_keys.at(row); }
    [[nodiscard]] int lastReadError() const { return m_lastReadError; }

    // Editing.
    [[nodiscard]] EditMode editMode() const { return m_editMode; }
    int addNew();
    // Takes the write lock (3260 when another workstation holds it past the busy timeout) and
    // reads the row again: 3167 when it is gone, 3197 when it changed since it was read (the
    // row then shows its new values and a second edit() succeeds).
    int edit();
    // Sets a field of the row being edited or added.
    int setField(const QString& name, const QVariant& value);
    // Writes the pending row. After addNew() the new row is appended at the end of the set and
    // lastInsertedKey() gives its key; the current row does not move.
    int update();
    void cancelUpdate();
    [[nodiscard]] qint64 lastInsertedKey() const { return m_lastInsertedKey; }
    // Deletes the current row; the position stays on it (now deleted) until the next move.
    int deleteCurrent();
    // Adds n to an integer field of the current row in one statement, so that counts written at
    // the same moment by other workstations are never lost. 3167 when the row is gone.
    int addToField(const QString& name, qint64 n);

signals:
    // The current row changed (move, refresh, seek, delete).
    void repositioned();
    // The set was read again (refresh, or a row appended by update()).
    void recordSetChanged();
    // Rows joined the set after its first ones were read, count of them from row first on: the
    // last rows read ahead of the count, or the rest when the count arrived (none when the
    // count only confirmed the rows read). Rows from first on moved down by count.
    void rowsJoined(int first, int count);

private:
    using Row = QVariantList;
    // Rows read in one page.
    static constexpr int pageSize = 100;
    int ensureOpen() const;
    int ensureColumnNames();
    void clearSet();
    int readPage(int page) const;
    [[nodiscard]] const Row* rowAt(int row) const;
    int readRowByKey(qint64 key, Row* row, bool* found);
    void forgetPages();
    int finishMove(int newPosition);
    void takeCount(int error, qint64 count);
    // Runs a read of keys (the count, the last rows) and takes in the rows it adds. 0 or the
    // read's error.
    int readJoiningRows(const std::function<int()>& read);
    // Rows joined at the head's end, the set having held before rows.
    void joinRows(int first, int before);
    [[nodiscard]] int columnIndex(const QString& name) const;
    int checkWritable() const;
    int checkCurrentRowWritable() const;
    [[nodiscard]] QString whereCurrentKey() const;
    // One statement on the current row, its key bound last; 3167 when it touches nothing.
    int execOnCurrentRow(const QString& sql, const QVariantList& values);
    // The same in a write transaction of its own unless one is open.
    int writeCurrentRow(const QString& sql, const QVariantList& values);
    int beginOwnWrite(bool* owns);
    int endOwnWrite(bool owns, int error);

    mutable DatabaseConnection m_connection;
    QString m_databaseName;
    bool m_readOnly = false;
    int m_busyTimeoutMs = DatabaseConnection::defaultBusyTimeoutMs;
    Statement m_source;

    mutable KeySet m_keys{m_connection};
    BackgroundCount m_counter;
    // Reads the rest of a call list's keys a chunk at a time while the program is idle.
    QTimer m_keyReader;
    QStringList m_columnNames;
    int m_position = 0;
    mutable QList<bool> m_deleted;
    mutable QHash<int, QList<Row>> m_pages;
    mutable QList<int> m_pageUse; // least recently used first
    mutable int m_lastReadError = 0;

    EditMode m_editMode = EditMode::None;
    bool m_editOwnsTransaction = false;
    QVariantMap m_pending; // fields set since addNew()/edit(), by column name
    qint64 m_lastInsertedKey = 0;
};
