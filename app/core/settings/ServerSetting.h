#pragma once

#include "database/ServerAddress.h"

#include <QString>

// The stored form of "Servidor": libpq's own connection text, which a technician knows from psql,
//   host=servidor.oficina port=5432 dbname=llamora user=recepcion sslmode=require
// Values with blanks, quotes or backslashes are quoted as libpq quotes them. A password never
// goes in: it is left out when written and ignored when read.
[[nodiscard]] QString serverSettingText(const ServerAddress& address);
// An empty or unreadable text gives an address that is not set.
[[nodiscard]] ServerAddress serverAddressFromSetting(const QString& text);
