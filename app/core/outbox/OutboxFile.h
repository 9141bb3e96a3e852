#pragma once

#include "outbox/PendingCall.h"

#include <QList>
#include <QString>

// The outbox of one installation on this computer: a text file under the user's data folder,
// one line per call not yet logged, in arrival order,
//   <data home>/Llamora/<application name, encoded as the settings file's>.pendientes
// Each line carries its own check sum, so a line cut short by a crash (or any other damage) is
// recognised; it is moved into a file of its own beside the outbox, never deleted.
//
// Every access takes an exclusive lock on a companion ".lock" file for a moment, so several
// instances of one installation (and the delivery thread) can share the file. Removing lines
// writes a new file and renames it over the old one, so the outbox is always either the old or
// the new list. Lines may end in LF or CR LF (a file copied through another system).
//
// When an access fails, problem() says why in words for the user (Spanish); it is cleared by
// the next access that works.
class OutboxFile
{
public:
    // How long an access waits for another one to finish before it gives up.
    static constexpr int lockTimeoutMs = 5000;

    explicit OutboxFile(QString filePath);

    // The outbox of the installation in programFolder, under the current data home.
    [[nodiscard]] static QString pathFor(const QString& programFolder);
    [[nodiscard]] QString filePath() const { return m_filePath; }

    // Appends one call and syncs it to the disk before returning; false when it could not be
    // written (folder not writable, disk full, lock not obtained).
    bool append(const PendingCall& call);

    // Every waiting call, in arrival order. A damaged part is set aside first; asidePath (when
    // given) receives the file it went to. False when the file could not be read.
    bool read(QList<PendingCall>* calls, QString* asidePath = nullptr);
    // The calls read() would give, counted without the lock and without changing anything: for
    // an outbox whose lock cannot be taken. -1 when the file cannot be read either.
    [[nodiscard]] int countWithoutLock();

    // Why the last access failed; empty when it worked.
    [[nodiscard]] QString problem() const { return m_problem; }

    // Takes these calls off the outbox (one line for each, the earliest matching one). False
    // when the new list could not be written; the old one then stays whole.
    bool remove(const QList<PendingCall>& delivered);
    // Moves calls that can never be logged out of the outbox into the set-aside file.
    bool setAside(const QList<PendingCall>& refused, QString* asidePath);

    // Encoding of one line, without its line end; a line that does not decode is damage.
    [[nodiscard]] static QByteArray encode(const PendingCall& call);
    [[nodiscard]] static bool decode(const QByteArray& line, PendingCall* call);

private:
    class Lock;
    bool readLocked(QList<PendingCall>* calls, QString* asidePath);
    bool rewriteLocked(const QList<PendingCall>& calls);
    bool removeLocked(const QList<PendingCall>& calls);
    bool setAsideLocked(const QByteArray& damaged, QString* asidePath);
    bool readBytes(QByteArray* bytes);
    bool fail(const QString& problem);
    bool succeed();

    QString m_filePath;
    QString m_problem;
};
