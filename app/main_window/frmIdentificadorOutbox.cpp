#include "Lineo.h"
#include "MessageBox.h"
#include "TrayIcon.h"
#include "TrayText.h"
#include "database/DatabaseErrors.h"
#include "frmIdentificador.h"
#include "outbox/Outbox.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"

#include <QLabel>

// The calls this workstation could not log: kept in the outbox, delivered later, and shown on
// the window and the notification icon while they wait.

namespace {

QString waitingText(int count)
{
    return count == 1 ? QStringLiteral("1 llamada sin registrar")
                      : QStringLiteral("%1 llamadas sin registrar").arg(count);
}

} // namespace

void frmIdentificador::buildOutbox()
{
    m_outbox = new Outbox(
        OutboxFile::pathFor(m_values.programFolder), [this] { return m_values.databasePath(); },
        this);
    m_reception->setKeepForLater([this](const PendingCall& call) { return m_outbox->add(call); });

    m_lblPendientes = new QLabel(this);
    m_lblPendientes->setObjectName(QStringLiteral("lblPendientes"));
    m_lblPendientes->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Amber on the black panel: seen at a glance, not mistaken for a caller's alert.
    m_lblPendientes->setStyleSheet(QStringLiteral("QLabel { color: #ffb000; font-weight: bold; }"));
    m_lblPendientes->hide();

    connect(m_outbox, &Outbox::countChanged, this, &frmIdentificador::showWaitingCalls);
    connect(m_outbox, &Outbox::deliveryFinished, this,
            [this] { showWaitingCalls(m_outbox->count()); });
    connect(m_outbox, &Outbox::setAside, this, &frmIdentificador::outboxSetAside);
    showWaitingCalls(m_outbox->count());
}

void frmIdentificador::placeOutboxMark()
{
    // Under the buttons, left of the note button.
    m_lblPendientes->setGeometry(twipsRect(300, 3420, 3360, 300));
}

QString frmIdentificador::trayToolTip() const
{
    QString text = TextoBandeja(m_Lineo1->Enabled());
    if (!m_Lineo1->Estado().isEmpty())
        text += QLatin1Char('\n') + QStringLiteral("Línea VoIP: ") + m_Lineo1->Estado();
    if (m_outbox->count() > 0)
        text += QLatin1Char('\n') + waitingText(m_outbox->count());
    return text;
}

void frmIdentificador::showWaitingCalls(int count)
{
    // Once for each time calls begin to wait, not for every call after the first.
    if (m_waitingShown == 0 && count > 0)
        m_balloonDue = true;
    else if (count == 0)
        m_balloonDue = false;
    const bool changed = count != m_waitingShown;
    m_waitingShown = count;
    m_lblPendientes->setVisible(count > 0);
    if (count > 0) {
        m_lblPendientes->setText(waitingText(count));
        QString why = QStringLiteral(
            "La base de datos no se pudo escribir. Estas llamadas se guardaron en este equipo y "
            "se registrarán solas, con su fecha y hora, en cuanto la base de datos vuelva a "
            "estar disponible.");
        if (m_outbox->unsavedCount() > 0)
            why += QStringLiteral("\n%1 no se pudieron guardar en este equipo: no cierre el "
                                  "programa hasta que se registren.")
                       .arg(m_outbox->unsavedCount());
        m_lblPendientes->setToolTip(why);
    }
    if (changed)
        updateTrayToolTip();
    showBalloonIfDue();
}

void frmIdentificador::showBalloonIfDue()
{
    if (!m_balloonDue || !m_tray->isShown() || !m_tray->supportsMessages())
        return;
    m_balloonDue = false;
    m_tray->showMessage(
        ProgramInfo::title(),
        QStringLiteral("Hay llamadas sin registrar: la base de datos no se puede escribir. "
                       "Quedan guardadas en este equipo y se registrarán en cuanto vuelva a "
                       "estar disponible."));
}

void frmIdentificador::followReception(const ReceptionResult& result)
{
    if (result.outcome == ReceptionResult::Outcome::Logged) {
        m_repairTold = false;
        // The database takes calls again: the ones waiting follow.
        m_outbox->deliver();
        return;
    }
    // A damaged file passes the start-up checks and then fails every call. Said once, without
    // waiting for an answer, so the calls after it are taken as usual.
    if (result.databaseError == DatabaseError::NotADatabase && !m_repairTold) {
        m_repairTold = true;
        MessageBox::notify(
            this, Message{QStringLiteral("La base de datos está dañada y necesita reparación "
                                         "(menú, Base de datos, Reparar). Mientras tanto las "
                                         "llamadas se guardan en este equipo y se registrarán "
                                         "después de la reparación."),
                          MessageIcon::Exclamation, MessageButtons::Ok});
    }
}

void frmIdentificador::outboxSetAside(const QString& path)
{
    MessageBox::notify(
        this, Message{QStringLiteral("Una parte de las llamadas sin registrar no se pudo leer o "
                                     "no se puede registrar. Se guardó aparte, sin borrarla, en "
                                     "el archivo:\n") +
                          path,
                      MessageIcon::Exclamation, MessageButtons::Ok});
}
