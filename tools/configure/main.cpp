#include "PortTable.h"
#include "settings/SettingsStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

struct SettingOption
{
    SettingKey key;
    QCommandLineOption option;
};

int fail(const QString& text)
{
    QTextStream(stderr) << "llamora-config: " << text << '\n';
    return 2;
}

// "N=PATH": port number N of the table stands for the device PATH (empty PATH: the default).
bool applyDevice(PortTable& table, const QString& assignment)
{
    const qsizetype equals = assignment.indexOf(QLatin1Char('='));
    if (equals < 1)
        return false;
    bool isNumber = false;
    const int port = assignment.left(equals).toInt(&isNumber);
    if (!isNumber || !PortTable::isValidPort(port))
        return false;
    table.setDevice(port, assignment.mid(equals + 1));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("llamora-config"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Escribe la configuración de una instalación de Llamora (la misma que guarda el "
        "asistente de configuración) y la tabla de puertos serie."));
    parser.addHelpOption();
    const QCommandLineOption programFolder(
        QStringLiteral("carpeta-programa"),
        QStringLiteral("Carpeta del programa Llamora cuya configuración se escribe (obligatoria)."),
        QStringLiteral("carpeta"));
    const QList<SettingOption> settings{
        {SettingKey::Puerto,
         {QStringLiteral("puerto"), QStringLiteral("Puerto del módem, 1 a 16."),
          QStringLiteral("n")}},
        {SettingKey::Puesto,
         {QStringLiteral("puesto"), QStringLiteral("Número de este puesto, 1 a 10."),
          QStringLiteral("n")}},
        {SettingKey::ActivarCID,
         {QStringLiteral("activar"),
          QStringLiteral("1 para activar la identificación al iniciarse, 0 para no hacerlo."),
          QStringLiteral("0|1")}},
        {SettingKey::BaseDeDatos,
         {QStringLiteral("base-de-datos"),
          QStringLiteral("Carpeta que contiene la base de datos Llamora.mdb."),
          QStringLiteral("carpeta")}},
    };
    const QCommandLineOption device(
        QStringLiteral("dispositivo"),
        QStringLiteral("Asigna un dispositivo a un puerto, por ejemplo 4=/dev/ttyACM0 "
                       "(sin ruta: vuelve a /dev/ttyS<n-1>). Se puede repetir."),
        QStringLiteral("n=ruta"));
    const QCommandLineOption show(QStringLiteral("mostrar"),
                                  QStringLiteral("Muestra dónde quedan los archivos."));
    parser.addOption(programFolder);
    for (const SettingOption& setting : settings)
        parser.addOption(setting.option);
    parser.addOption(device);
    parser.addOption(show);
    parser.process(app);

    if (!parser.isSet(programFolder))
        return fail(QStringLiteral("falta --carpeta-programa"));

    SettingsStore store(QDir::cleanPath(QDir(parser.value(programFolder)).absolutePath()));
    for (const SettingOption& setting : settings) {
        if (parser.isSet(setting.option))
            store.write(setting.key, parser.value(setting.option));
    }

    if (parser.isSet(device)) {
        PortTable table = PortTable::load();
        for (const QString& assignment : parser.values(device)) {
            if (!applyDevice(table, assignment))
                return fail(QStringLiteral("asignación de dispositivo no válida: ") + assignment);
        }
        if (!table.save())
            return fail(QStringLiteral("no se pudo guardar ") + PortTable::filePath());
    }

    if (parser.isSet(show)) {
        QTextStream out(stdout);
        out << "configuracion: " << store.filePath() << '\n';
        out << "puertos: " << PortTable::filePath() << '\n';
    }
    return 0;
}
