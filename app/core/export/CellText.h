#pragma once

#include "export/ListColumn.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QLocale>

#include <vector>

class StoredRow;

// The texts of a list's cells from the values as the file stores them, as the grid shows them:
// dates in the region's short form, "Sí"/"No" for the alert, numbers unformatted, texts as they
// are. Texts stay in UTF-8 from the file to the output, and formatted days and times are kept,
// so that a million calls cost a few thousand formats and no conversions.
class CellText
{
public:
    explicit CellText(QLocale locale = QLocale());

    // The text of a row's cell in UTF-8; valid until the next call or the row's end.
    [[nodiscard]] QByteArrayView text(const StoredRow& row, int column, ListColumn::Format format);

private:
    [[nodiscard]] const QByteArray& dayText(int year, int month, int day);
    [[nodiscard]] const QByteArray& timeText(int secondOfDay);

    QLocale m_locale;
    QHash<qint64, QByteArray> m_days; // by Julian day
    std::vector<QByteArray> m_times;  // by second of the day, formatted when first met
    QByteArray m_dateTime;            // the last date and time put together
};
