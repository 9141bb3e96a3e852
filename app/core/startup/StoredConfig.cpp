#include "startup/StoredConfig.h"

#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"

namespace {
std::optional<int> wholeNumber(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}
} // namespace

void StoredConfig::applyTo(ProgramValues& values) const
{
    values.NumeroPuesto = NumeroPuesto;
    values.CarpetaBase = CarpetaBase;
    values.Servidor = Servidor;
}

StoredConfig readStoredConfig(const SettingsStore& settings)
{
    StoredConfig config;
    config.Puerto = wholeNumber(settings.puerto());
    config.NumeroPuesto = numeroPuestoFrom(settings.puesto());
    config.ActivarCID = wholeNumber(settings.activarCID()) == 1;
    config.CarpetaBase = carpetaBaseFrom(settings.baseDeDatos(), settings.programFolder());
    config.Servidor = settings.servidor();
    return config;
}
