#pragma once

#include <QString>

// Puts the file fresh in place of the live database file, keeping the old one under keepAs.
//
// Where the file system allows hard links, keepAs becomes a second name of the old file and one
// rename then puts fresh in place, so that the live name always names a whole database, even
// when the process dies half-way. Where links are refused (some network shares) the old file is
// renamed and fresh renamed after it; when that last rename fails, the old file goes back.
//
// Before the switch fresh is written through to the disk and takes the live file's permission
// bits and group, so every user who could write the old file can write the new one. A journal
// left beside the live file belongs to the old file and goes with it.
//
// keepAs must not exist. Returns true on success; otherwise error says why (for diagnostics) and
// the live name still names the old file. links = Links::Refused goes straight to the renames.
enum class Links
{
    Try,
    Refused,
};
bool replaceKeepingOld(const QString& live, const QString& fresh, const QString& keepAs,
                       QString* error, Links links = Links::Try);

// Removes a file that may be missing; false only when it exists and stays.
bool removeIfPresent(const QString& path);

// The rollback journal of a database file.
[[nodiscard]] QString journalOf(const QString& databasePath);
