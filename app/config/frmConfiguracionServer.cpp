#include "MessageBox.h"
#include "WaitCursor.h"
#include "WizardLook.h"
#include "WorkerThread.h"
#include "frmConfiguracion.h"
#include "server/PgPass.h"
#include "server/ServerProbe.h"
#include "settings/SettingsStore.h"

#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

// The database tab's choice between the shared folder and an office's database server, the
// server's fields and its trial connection.

using namespace wizard;

namespace {
// libpq's sslmode words; the first entry leaves libpq its own default.
const QStringList sslModes{QString(),
                           QStringLiteral("disable"),
                           QStringLiteral("allow"),
                           QStringLiteral("prefer"),
                           QStringLiteral("require"),
                           QStringLiteral("verify-ca"),
                           QStringLiteral("verify-full")};
constexpr int defaultServerPort = 5432;
} // namespace

QWidget* frmConfiguracion::buildDatabaseChoice(QWidget* frame)
{
    optCarpeta = new QRadioButton(QStringLiteral("Carpeta com&partida"), frame);
    optCarpeta->setObjectName(QStringLiteral("optCarpeta"));
    optServidor = new QRadioButton(QStringLiteral("Ser&vidor"), frame);
    optServidor->setObjectName(QStringLiteral("optServidor"));
    optCarpeta->setChecked(true);
    auto* choice = new QHBoxLayout;
    choice->addWidget(optCarpeta);
    choice->addWidget(optServidor);
    choice->addStretch(1);

    stkBase = new QStackedWidget(frame);
    stkBase->setObjectName(QStringLiteral("stkBase"));
    auto* folderPage = new QWidget(stkBase);
    auto* serverPage = new QWidget(stkBase);
    stkBase->addWidget(folderPage);
    stkBase->addWidget(serverPage);
    buildServerPage(serverPage);

    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(choice);
    layout->addWidget(stkBase, 1);
    return folderPage;
}

void frmConfiguracion::buildServerPage(QWidget* page)
{
    const auto field = [page](const char* name) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QLatin1String(name));
        return edit;
    };
    txtEquipo = field("txtEquipo");
    txtEquipo->setToolTip(
        QStringLiteral("Nombre o dirección del equipo donde corre PostgreSQL (o la carpeta de su "
                       "socket, en ese mismo equipo)."));
    txtPuertoServidor = new QSpinBox(page);
    txtPuertoServidor->setObjectName(QStringLiteral("txtPuertoServidor"));
    txtPuertoServidor->setRange(1, 65535);
    txtPuertoServidor->setValue(defaultServerPort);
    txtBase = field("txtBase");
    txtUsuarioBase = field("txtUsuarioBase");
    txtClaveBase = field("txtClaveBase");
    txtClaveBase->setEchoMode(QLineEdit::Password);
    txtClaveBase->setPlaceholderText(QStringLiteral("la guardada, o ninguna"));
    txtClaveBase->setToolTip(
        QStringLiteral("Se guarda solo en el archivo ~/.pgpass de este usuario. Déjela vacía si "
                       "el servidor no la pide o si ya está guardada."));
    cboSsl = new QComboBox(page);
    cboSsl->setObjectName(QStringLiteral("cboSsl"));
    cboSsl->addItem(QStringLiteral("predeterminado"));
    for (qsizetype i = 1; i < sslModes.size(); ++i)
        cboSsl->addItem(sslModes.at(i));
    cmdProbarBase = new QPushButton(QStringLiteral("P&robar"), page);
    cmdProbarBase->setObjectName(QStringLiteral("cmdProbarBase"));
    cmdProbarBase->setAutoDefault(false);
    lblServidor = new QLabel(QStringLiteral("Sin probar"), page);
    lblServidor->setObjectName(QStringLiteral("lblServidor"));
    lblServidor->setTextFormat(Qt::PlainText);
    lblServidor->setWordWrap(true);
    makeBold(lblServidor);

    auto* layout = new QFormLayout(page);
    layout->addRow(QStringLiteral("&Equipo:"), txtEquipo);
    layout->addRow(QStringLiteral("Puer&to:"), txtPuertoServidor);
    layout->addRow(QStringLiteral("Base de &datos:"), txtBase);
    layout->addRow(QStringLiteral("&Usuario:"), txtUsuarioBase);
    layout->addRow(QStringLiteral("Contrase&ña:"), txtClaveBase);
    layout->addRow(QStringLiteral("SS&L:"), cboSsl);
    layout->addRow(cmdProbarBase, lblServidor);
}

void frmConfiguracion::loadServerSettings()
{
    const ServerAddress address = SettingsStore(m_programFolder).servidor();
    (address.isSet() ? optServidor : optCarpeta)->setChecked(true);
    stkBase->setCurrentIndex(serverChosen() ? 1 : 0);
    if (!address.isSet())
        return;
    txtEquipo->setText(address.host);
    txtPuertoServidor->setValue(address.port);
    txtBase->setText(address.database);
    txtUsuarioBase->setText(address.user);
    cboSsl->setCurrentIndex(qMax(0, int(sslModes.indexOf(address.sslMode))));
}

bool frmConfiguracion::serverChosen() const
{
    return optServidor->isChecked();
}

ServerAddress frmConfiguracion::serverAddressFromForm() const
{
    ServerAddress address;
    address.host = txtEquipo->text().trimmed();
    address.port = txtPuertoServidor->value();
    address.database = txtBase->text().trimmed();
    address.user = txtUsuarioBase->text().trimmed();
    address.sslMode = sslModes.value(cboSsl->currentIndex());
    return address;
}

void frmConfiguracion::optBase_Click()
{
    stkBase->setCurrentIndex(serverChosen() ? 1 : 0);
    MuestraPaso(static_cast<quint8>(SSTab1->currentIndex()));
}

ServerProbe frmConfiguracion::probeFormServer()
{
    const ServerAddress address = serverAddressFromForm();
    const QString password = txtClaveBase->text();
    ServerProbe probe;
    lblServidor->setText(QStringLiteral("Probando…"));
    setTextColour(lblServidor, explanationColour);
    {
        // An unreachable server makes the user wait a few seconds; the window still repaints.
        const WaitCursor wait;
        runOffUiThread([&] { probe = probeServer(address, password); },
                       QEventLoop::ExcludeUserInputEvents);
    }
    lblServidor->setText(probe.text);
    setTextColour(lblServidor, probe.connected() ? detectedColour : notDetectedColour);
    return probe;
}

void frmConfiguracion::cmdProbarBase_Click()
{
    probeFormServer();
}

bool frmConfiguracion::VerificaServidor()
{
    const ServerProbe probe = probeFormServer();
    if (!probe.connected()) {
        MessageBox::show(this, QStringLiteral("No se puede usar el servidor: ") + probe.text,
                         MessageIcon::Exclamation, MessageButtons::Ok);
        return false;
    }
    const QString password = txtClaveBase->text();
    if (password.isEmpty())
        return true;
    QString problem;
    if (PgPass::store(serverAddressFromForm(), password, &problem))
        return true;
    MessageBox::show(
        this, QStringLiteral("No se pudo guardar la contraseña del servidor: %1.").arg(problem),
        MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}
