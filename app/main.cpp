// Module1's Main: the program starts here.

#include "ProgramInfo.h"
#include "ProgramWindows.h"
#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"
#include "startup/StartupSequence.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramInfo::title());
    QApplication::setApplicationVersion(ProgramInfo::versionText());
    // The main window lives hidden behind its notification icon; only "Salir" ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // Standard buttons read "Aceptar", "Cancelar", "&Sí" and "&No".
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    ProgramValues values;
    values.programFolder = QCoreApplication::applicationDirPath();
    const SettingsStore settings(values.programFolder);

    ProgramWindows windows(values);
    StartupSequence startup(settings, values, windows);
    // The windows can still end the program on the way to the splash, before the loop runs.
    if (startup.Main() == StartupSequence::Outcome::Ended || windows.hasEnded())
        return windows.hasEnded() ? windows.exitCode() : EXIT_FAILURE;
    return QApplication::exec();
}
