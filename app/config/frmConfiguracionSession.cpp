#include "Autostart.h"
#include "frmConfiguracion.h"

#include <QCoreApplication>
#include <QFileInfo>

// Starting the program with the user's session.

void frmConfiguracion::AgregaInicioWindows()
{
    Autostart::add(programFilePath());
}

void frmConfiguracion::QuitaInicioWindows()
{
    Autostart::remove();
}

bool frmConfiguracion::EstaEnInicioWindows()
{
    return Autostart::isPresent();
}

QString frmConfiguracion::programFilePath() const
{
    return m_programFolder + QLatin1Char('/') +
           QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}
