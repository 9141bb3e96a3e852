#include "ProgramInfo.h"

#include <QApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramInfo::title());
    QApplication::setApplicationVersion(ProgramInfo::versionText());

    // Standard buttons read "Aceptar", "Cancelar", "&Sí" and "&No".
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    QLabel placeholder(ProgramInfo::title() + QStringLiteral(" v ") + ProgramInfo::versionText());
    placeholder.show();
    return QApplication::exec();
}
