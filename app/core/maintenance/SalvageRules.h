#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// The rules of the database's tables (app/core/database/schema.sql), applied to a row read from a
// damaged file before it goes into the fresh one: a value that breaks a rule is made valid in the
// least surprising way, so the row is kept rather than refused. Returns whether a value changed.
//  - a text longer than its column allows is cut to that length;
//  - Alerta other than 0 or 1 (NULL too) becomes 1, so the client is looked at again;
//  - a date in another form is rewritten in ours when it can be read, and becomes NULL when not.
// columns are the table's column names in order; values follow them.
bool fitToTableRules(const QString& table, const QStringList& columns, QVariantList& values);
