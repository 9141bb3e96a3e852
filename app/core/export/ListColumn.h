#pragma once

#include <QString>

// One column of a list as the browser shows it: its caption, the field it shows and how.
struct ListColumn
{
    enum class Format
    {
        Text,     // as stored; numbers unformatted
        Date,     // the regional short date
        DateTime, // the regional short date and time
        YesNo,    // "Sí" / "No"
    };

    QString caption;
    QString field;
    Format format = Format::Text;
};
