#include "LineOptions.h"
#include "PortTable.h"
#include "ServerOptions.h"
#include "database/DatabaseFile.h"
#include "server/PgPass.h"
#include "server/ServerProbe.h"
#include "settings/ProgramFolder.h"
#include "settings/ServerSetting.h"
#include "settings/SettingsStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <optional>

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

// A whole number from low to high written plainly ("4", not "04", "+4" or "4 "), as the wizard
// stores it; nothing for anything else.
std::optional<int> wholeNumber(const QString& text, int low, int high)
{
    static const QRegularExpression plain(QStringLiteral("^[1-9][0-9]{0,3}$"));
    if (!plain.match(text).hasMatch())
        return std::nullopt;
    const int value = text.toInt();
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

// The value stored for a setting, checked as the program checks what it accepts: the wizard's
// lists for the port and the workstation, "0" or "1" for the switch-on, and a folder whose
// database opens and can be written. Empty with *problem set when the value is refused.
QString checkedValue(SettingKey key, const QString& value, QString* problem)
{
    switch (key) {
    case SettingKey::Puerto:
        if (wholeNumber(value, PortTable::FirstPort, PortTable::LastPort))
            return value;
        *problem = QStringLiteral("--puerto debe ser un número de 1 a 16, no «%1»").arg(value);
        return {};
    case SettingKey::Puesto:
        if (wholeNumber(value, 1, 10))
            return value;
        *problem = QStringLiteral("--puesto debe ser un número de 1 a 10, no «%1»").arg(value);
        return {};
    case SettingKey::ActivarCID:
        if (value == QLatin1String("0") || value == QLatin1String("1"))
            return value;
        *problem = QStringLiteral("--activar debe ser 0 o 1, no «%1»").arg(value);
        return {};
    case SettingKey::BaseDeDatos: {
        const QString folder = QDir::cleanPath(QDir(value).absolutePath());
        const QString path = databasePathIn(folder);
        if (probeDatabaseFile(path) != 0) {
            *problem = QStringLiteral("no hay en «%1» una base de datos Llamora.mdb que se pueda "
                                      "abrir")
                           .arg(QDir::toNativeSeparators(folder));
            return {};
        }
        if (const WriteAccess access = probeWriteAccess(path); access != WriteAccess::Writable) {
            *problem = QStringLiteral("la base de datos de «%1» no se puede usar para registrar "
                                      "llamadas: %2")
                           .arg(QDir::toNativeSeparators(folder), writeAccessProblem(access, path));
            return {};
        }
        return folder;
    }
    case SettingKey::Servidor:
        break; // the server has options of its own (ServerOptions)
    }
    return {};
}

// "N=PATH": port number N of the table stands for the device PATH (empty PATH: the default).
// The path must be a full one, as the wizard asks.
bool applyDevice(PortTable& table, const QString& assignment)
{
    const qsizetype equals = assignment.indexOf(QLatin1Char('='));
    if (equals < 1)
        return false;
    const auto port =
        wholeNumber(assignment.left(equals), PortTable::FirstPort, PortTable::LastPort);
    const QString device = assignment.mid(equals + 1);
    if (!port || (!device.isEmpty() && !QDir::isAbsolutePath(device)))
        return false;
    table.setDevice(*port, device);
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
        "asistente de configuración) y la tabla de puertos serie. Rechaza los valores que el "
        "programa no aceptaría y termina con un código distinto de 0 cuando no pudo escribir."));
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
          QStringLiteral("Carpeta que contiene la base de datos Llamora.mdb (debe abrirse y "
                         "poder escribirse)."),
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
    const LineOptions line;
    line.addTo(parser);
    const ServerOptions server;
    server.addTo(parser);
    parser.addOption(show);
    parser.process(app);

    if (!parser.isSet(programFolder))
        return fail(QStringLiteral("falta --carpeta-programa"));
    // The same folder text the program builds its settings address from.
    const QString folder = programFolderFor(parser.value(programFolder));
    if (folder.isEmpty())
        return fail(QStringLiteral("la carpeta del programa «%1» no existe")
                        .arg(parser.value(programFolder)));

    // Everything is checked before anything is written.
    QList<std::pair<SettingKey, QString>> values;
    for (const SettingOption& setting : settings) {
        if (!parser.isSet(setting.option))
            continue;
        QString problem;
        const QString value = checkedValue(setting.key, parser.value(setting.option), &problem);
        if (!problem.isEmpty())
            return fail(problem + QStringLiteral("; no se escribió nada"));
        values.append({setting.key, value});
    }
    PortTable table = PortTable::load();
    for (const QString& assignment : parser.values(device)) {
        if (!applyDevice(table, assignment))
            return fail(QStringLiteral("asignación de dispositivo no válida: «%1» (se espera "
                                       "n=ruta completa, con n de 1 a 16); no se escribió nada")
                            .arg(assignment));
    }

    LineSettings lineSettings = LineSettings::load();
    if (QString problem; !line.apply(parser, &lineSettings, &problem))
        return fail(problem + QStringLiteral("; no se escribió nada"));

    SettingsStore store(folder);
    // The server is checked as the wizard checks it: it must answer with the program's tables.
    // Choosing the folder, or --sin-servidor, goes back to the shared file.
    const bool folderChosen = std::any_of(values.cbegin(), values.cend(), [](const auto& value) {
        return value.first == SettingKey::BaseDeDatos;
    });
    const bool serverChosen = server.anySet(parser);
    if (serverChosen && (folderChosen || server.clearRequested(parser)))
        return fail(QStringLiteral("elija la carpeta compartida o el servidor, no los dos; no se "
                                   "escribió nada"));
    ServerAddress serverAddress = store.servidor();
    QString serverPassword;
    if (serverChosen) {
        if (QString problem; !server.apply(parser, &serverAddress, &serverPassword, &problem))
            return fail(problem + QStringLiteral("; no se escribió nada"));
        const ServerProbe probe = probeServer(serverAddress, serverPassword);
        if (!probe.connected())
            return fail(QStringLiteral("no se puede usar el servidor: ") + probe.text +
                        QStringLiteral(" No se escribió nada."));
        values.append({SettingKey::Servidor, serverSettingText(serverAddress)});
    } else if (folderChosen || server.clearRequested(parser)) {
        values.append({SettingKey::Servidor, QString()});
    }
    if (!serverPassword.isEmpty()) {
        if (QString problem; !PgPass::store(serverAddress, serverPassword, &problem))
            return fail(QStringLiteral("no se pudo guardar la contraseña del servidor: ") +
                        problem);
    }
    for (const auto& [key, value] : values) {
        if (!store.write(key, value))
            return fail(QStringLiteral("no se pudo guardar la configuración en «%1»")
                            .arg(QDir::toNativeSeparators(store.filePath())));
    }
    if (parser.isSet(device) && !table.save())
        return fail(QStringLiteral("no se pudo guardar la tabla de puertos en «%1»")
                        .arg(QDir::toNativeSeparators(PortTable::filePath())));

    if (line.anySet(parser)) {
        if (QString problem; !lineSettings.save(&problem))
            return fail(problem);
    }

    if (parser.isSet(show)) {
        QTextStream out(stdout);
        out << "programa: " << folder << '\n';
        out << "configuracion: " << store.filePath() << '\n';
        out << "puertos: " << PortTable::filePath() << '\n';
        out << "linea: " << LineSettings::filePath() << '\n';
        out << "contrasenas: " << PgPass::filePath() << '\n';
    }
    return 0;
}
