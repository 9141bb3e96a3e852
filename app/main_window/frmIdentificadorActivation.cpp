#include "Lineo.h"
#include "Parlux.h"
#include "PictureButton.h"
#include "TrayIcon.h"
#include "TrayText.h"
#include "frmIdentificador.h"
#include "outbox/Outbox.h"
#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QRegularExpression>

#include <cmath>
#include <limits>

// The notification-area icon and the switch that turns caller identification on and off.

namespace {

// The leading number of a text, as a stored port is read: "3" is 3, "3x" is 3, "" and "x" are 0.
int leadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?\\d+)"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return 0;
    bool ok = false;
    const qlonglong value = match.captured(1).toLongLong(&ok);
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(value);
}

// The stored workstation number as the notice panel shows it. A number is taken rounded, as a
// 16-bit integer; text that is no such number shows workstation 1, as the settings loader does.
qint16 puestoForPanel(const QString& stored)
{
    bool ok = false;
    const double value = stored.trimmed().toDouble(&ok);
    if (!ok || std::isnan(value) || value < std::numeric_limits<qint16>::min() ||
        value > std::numeric_limits<qint16>::max())
        return 1;
    return static_cast<qint16>(std::lround(value));
}

} // namespace

void frmIdentificador::CreaIconoBandeja()
{
    if (!m_tray->isAvailable())
        return;
    m_tray->setIcon(m_skin.icon);
    m_tray->setToolTip(trayToolTip());
    m_tray->show();
}

Qt::WindowFlags frmIdentificador::windowFlagsFor(bool trayAvailable)
{
    return Qt::FramelessWindowHint | (trayAvailable ? Qt::Tool : Qt::Window);
}

void frmIdentificador::followTrayAvailability(bool available)
{
    // A window open on screen stays open; one put away goes behind the new icon, or into the
    // task bar when the icon has gone. Changing the flags hides the window.
    const bool open = isVisible() && !isMinimized();
    setWindowFlags(windowFlagsFor(available));
    if (available)
        CreaIconoBandeja();
    else
        m_tray->remove();
    if (open)
        show();
    else if (!available)
        showMinimized();
}

void frmIdentificador::updateTrayToolTip()
{
    m_tray->setToolTip(trayToolTip());
}

void frmIdentificador::hideToTray()
{
    if (m_tray->isShown())
        hide();
    else
        showMinimized();
}

void frmIdentificador::cmdEncendidoID_Click()
{
    switchIdentification(m_Lineo1->Enabled() ? Switch::Off : Switch::On);
}

void frmIdentificador::Lineo1_deviceLost()
{
    // Switched on again since the loss was reported: nothing to follow.
    if (m_Lineo1->Enabled())
        return;
    switchIdentification(Switch::Off);
}

void frmIdentificador::Lineo1_estadoChanged()
{
    const QString estado = m_Lineo1->Estado();
    m_cmdEncendidoID->setToolTip(
        estado.isEmpty()
            ? QStringLiteral("Activar o desactivar la identificación")
            : QStringLiteral("Activar o desactivar la identificación\nLínea VoIP: ") + estado);
    updateTrayToolTip();
    // Only a line that was registered can be lost; a switch-off is no loss.
    QString news;
    if (estado.isEmpty()) {
        m_lineWasRegistered = false;
        m_lineLost = false;
    } else if (estado == QStringLiteral("Registrado")) {
        if (m_lineLost)
            news = QStringLiteral("La línea VoIP vuelve a estar registrada.");
        m_lineWasRegistered = true;
        m_lineLost = false;
    } else if (m_lineWasRegistered && !m_lineLost) {
        m_lineLost = true;
        news = QStringLiteral("La línea VoIP perdió el registro (%1). Se reintenta sola; hasta "
                              "entonces no llegan llamadas.")
                   .arg(estado.mid(estado.indexOf(QLatin1Char(':')) + 1).trimmed());
    }
    if (!news.isEmpty() && m_tray->isShown() && m_tray->supportsMessages())
        m_tray->showMessage(ProgramInfo::title(), news);
}

void frmIdentificador::switchIdentification(Switch direction)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SettingsStore settings(m_values.programFolder);
    m_Parlux1->setPuesto(puestoForPanel(settings.puesto(QStringLiteral("1"))));
    m_Parlux1->setPuestoVisible(true);
    m_cmdEncendidoID->setEnabled(false);

    if (direction == Switch::On) {
        // Read afresh: the wizard may have chosen another port since the last switch.
        m_Lineo1->setPuerto(leadingNumber(settings.puerto()));
        m_Lineo1->setEnabled(true);
        if (m_Lineo1->Enabled()) {
            m_cmdEncendidoID->setPicture(m_skin.Image1.value(EncendidoActivado));
            m_Parlux1->setEnabledFlag(true);
            m_mnuConfiguracion->setEnabled(false);
            m_mnuConfiguracion1->setEnabled(false);
            m_cmdManual->setEnabled(false);
            m_mnuActivar->setText(QStringLiteral("Desa&ctivar Llamora"));
            // Calls kept while the line was off (or the database was away) go in now.
            m_outbox->deliver();
        }
    } else {
        m_Lineo1->setEnabled(false);
        if (!m_Lineo1->Enabled()) {
            m_cmdEncendidoID->setPicture(m_skin.Image1.value(EncendidoDesactivado));
            m_Parlux1->setEnabledFlag(false);
            m_mnuConfiguracion->setEnabled(true);
            m_mnuConfiguracion1->setEnabled(true);
            m_cmdManual->setEnabled(true);
            m_mnuActivar->setText(QStringLiteral("A&ctivar Llamora"));
            m_cmdLlamante->setEnabled(false);
        }
    }

    m_cmdEncendidoID->setEnabled(true);
    m_Parlux1->setPuestoVisible(false);
    QApplication::restoreOverrideCursor();
    updateTrayToolTip();
}

void frmIdentificador::PicLogo_MouseMove(TrayEvent event, const QPoint& globalPos)
{
    if (m_trayGuard)
        return;
    m_trayGuard = true;
    switch (event) {
    case TrayEvent::LeftPressed:
        // A modal dialog of the window is open: it must be answered first.
        if (isAvailableToUser())
            mnuAbrir_Click();
        m_trayGuard = false;
        break;
    case TrayEvent::RightReleased:
        // As for the left button: the dialog must be answered first. Its entries would act
        // under it (the wizard's detection switches the line off behind an "Activado").
        if (!isAvailableToUser()) {
            m_trayGuard = false;
            break;
        }
        // The guard drops when the menu closes (see buildMenus).
        m_mnuBar->popup(globalPos, m_mnuBar->defaultAction());
        if (!m_mnuBar->isVisible())
            m_trayGuard = false;
        break;
    }
}

void frmIdentificador::mnuAbrir_Click()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void frmIdentificador::mnuActivar_Click()
{
    // A menu left open while a modal dialog came up (a call's message) must not switch under it.
    if (!isAvailableToUser())
        return;
    m_cmdEncendidoID->click();
}
