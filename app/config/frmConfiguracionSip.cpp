#include "MessageBox.h"
#include "SipLine.h"
#include "WizardLook.h"
#include "frmConfiguracion.h"

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

// The line tab's choice between a modem and a SIP account, the account's fields and its trial
// registration.

using namespace wizard;

namespace {
const QList<SipTransport> transports{SipTransport::Udp, SipTransport::Tcp, SipTransport::Tls};
}

QWidget* frmConfiguracion::buildLineChoice(QWidget* frame)
{
    optModem = new QRadioButton(QStringLiteral("Mó&dem"), frame);
    optModem->setObjectName(QStringLiteral("optModem"));
    optSip = new QRadioButton(QStringLiteral("&Línea VoIP (SIP)"), frame);
    optSip->setObjectName(QStringLiteral("optSip"));
    optModem->setChecked(true);
    auto* choice = new QHBoxLayout;
    choice->addWidget(optModem);
    choice->addWidget(optSip);
    choice->addStretch(1);

    stkFuente = new QStackedWidget(frame);
    stkFuente->setObjectName(QStringLiteral("stkFuente"));
    auto* modemPage = new QWidget(stkFuente);
    auto* sipPage = new QWidget(stkFuente);
    stkFuente->addWidget(modemPage);
    stkFuente->addWidget(sipPage);
    buildSipPage(sipPage);

    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(choice);
    layout->addWidget(stkFuente, 1);
    return modemPage;
}

void frmConfiguracion::buildSipPage(QWidget* page)
{
    const auto field = [page](const char* name) {
        auto* edit = new QLineEdit(page);
        edit->setObjectName(QLatin1String(name));
        return edit;
    };
    txtServidor = field("txtServidor");
    txtServidor->setToolTip(QStringLiteral("Nombre o dirección de la centralita o del proveedor."));
    txtPuertoSip = new QSpinBox(page);
    txtPuertoSip->setObjectName(QStringLiteral("txtPuertoSip"));
    txtPuertoSip->setRange(1, 65535);
    cboTransporte = new QComboBox(page);
    cboTransporte->setObjectName(QStringLiteral("cboTransporte"));
    for (const SipTransport transport : transports)
        cboTransporte->addItem(SipAccount::transportName(transport).toUpper());
    txtUsuario = field("txtUsuario");
    txtUsuarioAut = field("txtUsuarioAut");
    txtUsuarioAut->setPlaceholderText(QStringLiteral("el mismo usuario"));
    txtClave = field("txtClave");
    txtClave->setEchoMode(QLineEdit::Password);
    txtPrefijo = field("txtPrefijo");
    txtPrefijo->setToolTip(QStringLiteral(
        "Cifras que reemplazan el «+» de los números internacionales, como se marcan en la "
        "oficina."));
    cmdProbar = new QPushButton(QStringLiteral("&Probar"), page);
    cmdProbar->setObjectName(QStringLiteral("cmdProbar"));
    cmdProbar->setAutoDefault(false);
    lblRegistro = new QLabel(QStringLiteral("Sin probar"), page);
    lblRegistro->setObjectName(QStringLiteral("lblRegistro"));
    lblRegistro->setTextFormat(Qt::PlainText);
    lblRegistro->setWordWrap(true);
    makeBold(lblRegistro);

    auto* server = new QHBoxLayout;
    server->addWidget(txtServidor, 1);
    server->addWidget(txtPuertoSip);
    server->addWidget(cboTransporte);
    auto* layout = new QFormLayout(page);
    layout->addRow(QStringLiteral("Servid&or:"), server);
    layout->addRow(QStringLiteral("&Usuario:"), txtUsuario);
    layout->addRow(QStringLiteral("Usuario de au&tenticación:"), txtUsuarioAut);
    layout->addRow(QStringLiteral("Contrase&ña:"), txtClave);
    layout->addRow(QStringLiteral("Prefijo &internacional:"), txtPrefijo);
    layout->addRow(cmdProbar, lblRegistro);
}

void frmConfiguracion::loadLineSettings()
{
    m_lineAtOpening = LineSettings::load();
    const SipAccount& sip = m_lineAtOpening.sip;
    (m_lineAtOpening.source == LineSource::Sip ? optSip : optModem)->setChecked(true);
    stkFuente->setCurrentIndex(sipChosen() ? 1 : 0);
    txtServidor->setText(sip.server);
    txtPuertoSip->setValue(sip.port);
    cboTransporte->setCurrentIndex(int(transports.indexOf(sip.transport)));
    txtUsuario->setText(sip.user);
    txtUsuarioAut->setText(sip.authUser);
    txtClave->setText(sip.password);
    txtPrefijo->setText(sip.internationalPrefix);
}

bool frmConfiguracion::sipChosen() const
{
    return optSip->isChecked();
}

LineSettings frmConfiguracion::lineSettingsFromForm() const
{
    // What the form does not show (the local port, other senders) stays as stored.
    LineSettings settings = m_lineAtOpening;
    settings.source = sipChosen() ? LineSource::Sip : LineSource::Modem;
    SipAccount& sip = settings.sip;
    sip.server = txtServidor->text().trimmed();
    sip.port = txtPuertoSip->value();
    sip.transport = transports.value(cboTransporte->currentIndex(), SipTransport::Udp);
    sip.user = txtUsuario->text().trimmed();
    sip.authUser = txtUsuarioAut->text().trimmed();
    sip.password = txtClave->text();
    sip.internationalPrefix = txtPrefijo->text().trimmed();
    return settings;
}

void frmConfiguracion::optFuente_Click()
{
    stkFuente->setCurrentIndex(sipChosen() ? 1 : 0);
    MuestraPaso(static_cast<quint8>(SSTab1->currentIndex()));
    if (!sipChosen())
        cboPort_Click();
}

void frmConfiguracion::cmdProbar_Click()
{
    const SipAccount account = lineSettingsFromForm().sip;
    if (const QString problem = account.problem(); !problem.isEmpty()) {
        showProbeResult(false, problem);
        return;
    }
    cmdProbar->setEnabled(false);
    lblRegistro->setText(QStringLiteral("Probando…"));
    setTextColour(lblRegistro, explanationColour);
    m_probe = std::make_unique<SipLine>(account);
    connect(m_probe.get(), &SipLine::probeFinished, this, &frmConfiguracion::showProbeResult);
    m_probe->probe();
}

void frmConfiguracion::showProbeResult(bool registered, const QString& text)
{
    cmdProbar->setEnabled(true);
    lblRegistro->setText(registered ? text : QStringLiteral("Sin registro: ") + text);
    setTextColour(lblRegistro, registered ? detectedColour : notDetectedColour);
}

bool frmConfiguracion::checkLineSettings()
{
    const LineSettings settings = lineSettingsFromForm();
    if (settings.source != LineSource::Sip)
        return true;
    const QString problem = settings.sip.problem();
    if (problem.isEmpty())
        return true;
    MessageBox::show(this, QStringLiteral("La línea VoIP no está completa: %1.").arg(problem),
                     MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}

bool frmConfiguracion::storeLineSettings()
{
    const LineSettings settings = lineSettingsFromForm();
    QString problem;
    if (settings.save(&problem))
        return true;
    MessageBox::show(this, QStringLiteral("No se pudo guardar la línea: %1.").arg(problem),
                     MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}
