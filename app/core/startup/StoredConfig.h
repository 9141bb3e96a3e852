#pragma once

#include "database/ServerAddress.h"

#include <QString>
#include <QtGlobal>

#include <optional>

class SettingsStore;
struct ProgramValues;

// What the main window's RecuperaConfig takes from the settings store when it loads, already
// converted. Unreadable values give the built-in ones; nothing is ever reported.
struct StoredConfig
{
    // "Puerto" as a whole number, for Lineo1.Puerto (which ignores numbers outside 1 to 16);
    // empty when nothing usable is stored, and the control keeps its own port.
    std::optional<int> Puerto;
    // "Puesto"; 1 when it is empty, 0 or not a number.
    qint16 NumeroPuesto = 1;
    // "ActivarCID" reads as the number 1: identification is switched on at load.
    bool ActivarCID = false;
    // "Base de datos", or the program folder when that is empty.
    QString CarpetaBase;
    // "Servidor"; when set, the database is there and CarpetaBase is not used.
    ServerAddress Servidor;

    // NumeroPuesto, CarpetaBase and Servidor into the program-wide values.
    void applyTo(ProgramValues& values) const;
};

[[nodiscard]] StoredConfig readStoredConfig(const SettingsStore& settings);
