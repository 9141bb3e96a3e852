// Maintenance benchmark, run by hand:  bench_maintenance [folder]
// Builds a file of 100,000 clients and 1,000,000 calls in a temporary folder (or the given one),
// then measures, median of three runs each:
//  - the compaction of the file;
//  - the repair of the intact file (the check finds nothing to mend);
//  - the repair of the file with 5 pages overwritten with garbage, chosen at random (the same
//    random sequence each run) among all its pages, then among the leaf pages of its two
//    tables, then among the interior pages of their trees (roots included), and the share of
//    rows it saved, beside the rows that lay on undamaged leaf pages.
#include "LargeDatabase.h"
#include "Median.h"
#include "maintenance/Maintenance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

namespace {
constexpr int clients = 100000;
constexpr int calls = 1000000;
constexpr int rounds = 3;
constexpr int damagedPages = 5;

// The first column of the first row of a statement on a file, opened read-only.
qint64 scalar(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    qint64 value = -1;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            value = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return value;
}

qint64 allRows(const QString& path)
{
    return scalar(path, QStringLiteral("SELECT (SELECT count(*) FROM Clientes) + "
                                       "(SELECT count(*) FROM Llamadas)"));
}

double seconds(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

bool copyOver(const QString& from, const QString& to)
{
    QFile::remove(to);
    return QFile::copy(from, to) && QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
}

struct Damage
{
    QList<int> pages;
    qint64 rowsOnThem = 0; // table rows stored on the damaged pages
    QString kinds;         // what each page was
};

QList<int> pagesOf(const QString& path, const QString& sql)
{
    QList<int> pages;
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW)
        pages.append(sqlite3_column_int(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return pages;
}

QString textOf(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr);
    QString text;
    if (sqlite3_step(statement) == SQLITE_ROW)
        text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return text;
}

// Overwrites pages picked at random (the same each run) among candidates with garbage.
Damage damage(const QString& path, const QList<int>& candidates)
{
    Damage done;
    const qint64 pageSize = scalar(path, QStringLiteral("PRAGMA page_size"));
    QRandomGenerator random(2026);
    while (done.pages.size() < damagedPages) {
        const int page = candidates.at(static_cast<int>(random.bounded(candidates.size())));
        if (done.pages.contains(page))
            continue;
        done.pages.append(page);
        const QString where = QStringLiteral(" FROM dbstat WHERE pageno = %1").arg(page);
        if (scalar(path, QStringLiteral("SELECT count(*)") + where +
                             QStringLiteral(" AND name IN ('Clientes', 'Llamadas') AND "
                                            "pagetype = 'leaf'")) > 0)
            done.rowsOnThem += scalar(path, QStringLiteral("SELECT ncell") + where);
        done.kinds += textOf(path, QStringLiteral("SELECT name || ' ' || pagetype") + where) +
                      QStringLiteral("; ");
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return {};
    for (const int page : done.pages) {
        file.seek((page - 1) * pageSize);
        file.write(QByteArray(static_cast<int>(pageSize), '\xab'));
    }
    return done;
}

struct DamagedRun
{
    std::vector<double> times;
    qint64 saved = 0;
    Damage damage;
};

// Repairs a fresh copy of pristine with 5 of the candidate pages damaged.
bool repairDamaged(const QString& folder, const QString& pristine, const QString& live,
                   const QList<int>& candidates, DamagedRun* run)
{
    if (!copyOver(pristine, live))
        return false;
    run->damage = damage(live, candidates);
    QElapsedTimer timer;
    timer.start();
    const MaintenanceResult result = ReparaBaseDatos(folder);
    run->times.push_back(seconds(timer));
    if (!result.succeeded) {
        std::printf("repair failed: %s\n", qPrintable(result.message.text));
        return false;
    }
    run->saved = allRows(live);
    for (const QString& name :
         QDir(folder).entryList({QStringLiteral("Llamora-averiada-*")}, QDir::Files))
        QFile::remove(QDir(folder).filePath(name));
    return true;
}

void reportDamaged(const char* label, const DamagedRun& run, qint64 total)
{
    std::printf("repair with %d damaged pages (%s), median of %d: %.2f s\n", damagedPages, label,
                rounds, median(run.times));
    std::printf("  pages: %s\n", qPrintable(run.damage.kinds));
    const qint64 undamaged = total - run.damage.rowsOnThem;
    std::printf("  rows saved: %lld of %lld (%.3f%%, goal 95%%); rows on undamaged pages: %lld, "
                "all saved: %s\n",
                static_cast<long long>(run.saved), static_cast<long long>(total),
                100.0 * static_cast<double>(run.saved) / static_cast<double>(total),
                static_cast<long long>(undamaged), run.saved == undamaged ? "yes" : "no");
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString live = QDir(folder).filePath(QStringLiteral("Llamora.mdb"));
    const QString pristine = QDir(folder).filePath(QStringLiteral("pristine.mdb"));
    QFile::remove(pristine);

    QElapsedTimer timer;
    timer.start();
    if (!LargeDatabase::build(pristine, clients, calls)) {
        std::printf("could not build the file in %s\n", qPrintable(folder));
        return 1;
    }
    const qint64 total = allRows(pristine);
    std::printf("file built in %.1f s: %lld rows, %.0f MB\n", seconds(timer),
                static_cast<long long>(total), static_cast<double>(QFile(pristine).size()) / 1e6);

    QList<int> anyPage;
    const qint64 pageCount = scalar(pristine, QStringLiteral("PRAGMA page_count"));
    for (int page = 2; page <= pageCount; ++page)
        anyPage.append(page);
    const auto tablePages = [&](const char* type) {
        return pagesOf(pristine, QStringLiteral("SELECT pageno FROM dbstat WHERE name IN "
                                                "('Clientes', 'Llamadas') AND pagetype = '%1'")
                                     .arg(QLatin1String(type)));
    };
    const QList<int> tableLeaves = tablePages("leaf");
    const QList<int> tableInterior = tablePages("internal");

    std::vector<double> compaction;
    std::vector<double> intact;
    DamagedRun anyKind;
    DamagedRun tableKind;
    DamagedRun interiorKind;
    for (int round = 0; round < rounds; ++round) {
        if (!copyOver(pristine, live))
            return 1;
        timer.restart();
        MaintenanceResult result = CompactaBaseDatos(folder);
        compaction.push_back(seconds(timer));
        if (!result.succeeded || allRows(live) != total) {
            std::printf("compaction failed: %s\n", qPrintable(result.detail));
            return 1;
        }
        timer.restart();
        result = ReparaBaseDatos(folder);
        intact.push_back(seconds(timer));
        if (!result.succeeded || !repairDamaged(folder, pristine, live, anyPage, &anyKind) ||
            !repairDamaged(folder, pristine, live, tableLeaves, &tableKind) ||
            !repairDamaged(folder, pristine, live, tableInterior, &interiorKind))
            return 1;
    }

    std::printf("compaction, median of %d: %.2f s (goal 10 s)\n", rounds, median(compaction));
    std::printf("repair of the intact file, median of %d: %.2f s\n", rounds, median(intact));
    reportDamaged("any pages", anyKind, total);
    reportDamaged("table leaves", tableKind, total);
    reportDamaged("interior pages of the tables", interiorKind, total);
    return 0;
}
