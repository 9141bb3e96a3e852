#pragma once

#include "ProgramInfo.h"

#include <QString>

// The notification icon's tooltip: "Llamora v 3.0.0", three blanks, then the state.
inline QString TextoBandeja(bool identificacionActivada)
{
    return ProgramInfo::title() + QStringLiteral(" v ") + ProgramInfo::versionText() +
           QStringLiteral("   ") +
           (identificacionActivada ? QStringLiteral("Activado") : QStringLiteral("Desactivado"));
}
