#include "CommandLine.h"
#include "Migration.h"
#include "database/server/ServerSchema.h"
#include "server/PgPass.h"
#include "server/ServerProbe.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTextStream>

// llamora-servidor: prepares an office's PostgreSQL database for Llamora. "crear" makes the
// tables (a second run changes nothing); "migrar ARCHIVO" copies a shared-folder database into
// it. Every failure is told in Spanish and ends with a code other than 0.

namespace {

int fail(const QString& text)
{
    QTextStream(stderr) << "llamora-servidor: " << text << '\n';
    return 1;
}

// The progress line, rewritten in place each whole percent.
class ProgressLine
{
public:
    void show(qint64 done, qint64 total)
    {
        const int percent = total > 0 ? int(done * 100 / total) : 100;
        if (percent == m_shown)
            return;
        m_shown = percent;
        m_out << "\rCopiando: " << done << " de " << total << " filas (" << percent << " %)";
        m_out.flush();
    }
    void end()
    {
        if (m_shown >= 0)
            m_out << '\n';
        m_out.flush();
    }

private:
    QTextStream m_out{stdout};
    int m_shown = -1;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("llamora-servidor"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prepara la base de datos PostgreSQL de la oficina para Llamora.\n"
        "  crear           crea las tablas, los índices y la búsqueda sin acentos (si ya están, "
        "no cambia nada)\n"
        "  migrar ARCHIVO  copia los clientes y las llamadas de un Llamora.mdb a la base vacía, "
        "en una sola transacción"));
    parser.addHelpOption();
    const QCommandLineOption host(QStringLiteral("equipo"),
                                  QStringLiteral("Equipo del servidor, o la carpeta de su socket "
                                                 "(localhost si no se da)."),
                                  QStringLiteral("nombre"), QStringLiteral("localhost"));
    const QCommandLineOption port(QStringLiteral("puerto"), QStringLiteral("Puerto (5432)."),
                                  QStringLiteral("n"), QStringLiteral("5432"));
    const QCommandLineOption database(QStringLiteral("base"),
                                      QStringLiteral("Base de datos (obligatoria)."),
                                      QStringLiteral("nombre"));
    const QCommandLineOption user(QStringLiteral("usuario"),
                                  QStringLiteral("Usuario de PostgreSQL (el del sistema si no se "
                                                 "da)."),
                                  QStringLiteral("usuario"));
    const QCommandLineOption sslMode(QStringLiteral("ssl"), QStringLiteral("sslmode de libpq."),
                                     QStringLiteral("modo"));
    const QCommandLineOption passwordFrom(
        QStringLiteral("clave-de"),
        QStringLiteral("Lee la contraseña de la primera línea de este archivo (- para la entrada "
                       "estándar). Sin ella se usa ~/.pgpass, o ninguna."),
        QStringLiteral("archivo"));
    for (const QCommandLineOption& option : {host, port, database, user, sslMode, passwordFrom})
        parser.addOption(option);
    parser.addPositionalArgument(QStringLiteral("orden"), QStringLiteral("crear o migrar"));
    parser.addPositionalArgument(QStringLiteral("archivo"),
                                 QStringLiteral("Para migrar: el Llamora.mdb de origen."));
    parser.process(app);

    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0);
    const bool create = command == QLatin1String("crear") && arguments.size() == 1;
    const bool migrate = command == QLatin1String("migrar") && arguments.size() == 2;
    if (!create && !migrate) {
        QTextStream(stderr) << "llamora-servidor: use «crear» o «migrar ARCHIVO» (vea --help)\n";
        return 2;
    }
    ServerAddress address;
    address.host = parser.value(host).trimmed();
    const std::optional<int> portNumber = CommandLine::portNumber(parser.value(port));
    address.port = portNumber.value_or(0);
    address.database = parser.value(database).trimmed();
    address.user = parser.value(user).trimmed();
    address.sslMode = parser.value(sslMode).trimmed();
    if (!portNumber)
        return fail(QStringLiteral("--puerto debe ser un número de 1 a 65535"));
    if (address.database.isEmpty())
        return fail(QStringLiteral("falta --base"));
    QString password;
    if (parser.isSet(passwordFrom)) {
        if (!PgPass::readFromFile(parser.value(passwordFrom), &password))
            return fail(QStringLiteral("no se pudo leer la contraseña de «%1»")
                            .arg(parser.value(passwordFrom)));
    }
    const QString sourcePath = migrate ? QFileInfo(arguments.at(1)).absoluteFilePath() : QString();
    if (migrate && !QFileInfo(sourcePath).isFile())
        return fail(
            QStringLiteral("no existe el archivo «%1»").arg(QDir::toNativeSeparators(sourcePath)));

    const ServerProbe probe = probeServer(address, password);
    const bool tablesThere = probe.connected();
    if (!tablesThere && probe.result != ServerProbe::Result::TablesMissing)
        return fail(probe.text);
    if (migrate && !tablesThere)
        return fail(QStringLiteral("la base de datos «%1» no tiene las tablas de Llamora: "
                                   "ejecute antes «llamora-servidor crear»")
                        .arg(address.database));

    QTextStream out(stdout);
    int result = 0;
    {
        QSqlDatabase target = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"));
        applyServerAddress(target, address, probeTimeoutSeconds);
        target.setPassword(password);
        if (!target.open())
            return fail(QStringLiteral("no se pudo conectar con el servidor: ") +
                        target.lastError().text().simplified());
        if (create) {
            if (const int error = ServerSchema::create(target); error != 0) {
                result = fail(QStringLiteral("no se pudieron crear las tablas en %1 (error %2); "
                                             "la base de datos quedó como estaba")
                                  .arg(address.displayText())
                                  .arg(error));
            } else if (tablesThere) {
                out << "Las tablas de Llamora ya estaban en " << address.displayText()
                    << "; no se cambió nada.\n";
            } else {
                out << "Creadas las tablas, los índices y la búsqueda sin acentos de Llamora en "
                    << address.displayText() << ".\n";
            }
        } else {
            ProgressLine progress;
            Migration migration(sourcePath, target, [&progress](qint64 done, qint64 total) {
                progress.show(done, total);
            });
            const bool copied = migration.run();
            progress.end();
            if (!copied) {
                result =
                    fail(migration.problem() + QStringLiteral(". El servidor quedó como estaba."));
            } else {
                out << "Copiados " << migration.copied().clients << " clientes y "
                    << migration.copied().calls << " llamadas de "
                    << QDir::toNativeSeparators(sourcePath) << " a " << address.displayText()
                    << ".\n";
                if (!migration.analyzed())
                    out << "No se pudieron tomar las estadísticas de las tablas copiadas: las "
                           "listas irán lentas hasta que el servidor las tome solo (o hasta un "
                           "«Compactar» desde Llamora).\n";
            }
        }
        target.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    return result;
}
