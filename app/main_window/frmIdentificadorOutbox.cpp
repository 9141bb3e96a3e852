#include "Lineo.h"
#include "MessageBox.h"
#include "TrayIcon.h"
#include "TrayText.h"
#include "database/DatabaseErrors.h"
#include "frmIdentificador.h"
#include "outbox/Outbox.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"

#include <QFontMetrics>
#include <QLabel>

// The calls this workstation could not log: kept in the outbox, delivered later, and shown on
// the window and the notification icon while they wait.

namespace {

QString callsText(int count)
{
    return count == 1 ? QStringLiteral("1 llamada") : QStringLiteral("%1 llamadas").arg(count);
}

QString waitingText(int count)
{
    return callsText(count) + QStringLiteral(" sin registrar");
}

// Where the waiting calls are, one line each, for the notification icon: on the disk (safe),
// not saved (lost if the program ends), or in a file that cannot be read or locked.
QStringList whereabouts(const Outbox& outbox)
{
    QStringList lines;
    if (outbox.count() > 0)
        lines << waitingText(outbox.count());
    if (outbox.unsavedCount() > 0)
        lines << QStringLiteral("%1 sin guardar: no cierre el programa").arg(outbox.unsavedCount());
    if (outbox.isUnreadable())
        lines << QStringLiteral("Hay llamadas sin registrar en un archivo que no se puede leer");
    else if (!outbox.readProblem().isEmpty() && outbox.count() > outbox.unsavedCount())
        lines << QStringLiteral("No se pueden registrar por ahora: el archivo está bloqueado");
    return lines;
}

// The same in the one short line the window has room for, the most urgent first.
QString markText(const Outbox& outbox)
{
    if (outbox.unsavedCount() > 0)
        return QStringLiteral("%1 sin guardar: no cierre el programa").arg(outbox.unsavedCount());
    if (outbox.isUnreadable())
        return QStringLiteral("Archivo de llamadas ilegible");
    if (!outbox.readProblem().isEmpty() && outbox.count() > 0)
        return QStringLiteral("%1 sin registrar, bloqueadas").arg(outbox.count());
    return outbox.count() > 0 ? waitingText(outbox.count()) : QString();
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
    m_lblPendientes->setTextFormat(Qt::PlainText);
    m_lblPendientes->hide();

    connect(m_outbox, &Outbox::stateChanged, this, &frmIdentificador::showWaitingCalls);
    connect(m_outbox, &Outbox::deliveryFinished, this, &frmIdentificador::showWaitingCalls);
    connect(m_outbox, &Outbox::setAside, this, &frmIdentificador::outboxSetAside);
    showWaitingCalls();
}

void frmIdentificador::placeOutboxMark()
{
    // Under the buttons, left of the note button.
    m_lblPendientes->setGeometry(twipsRect(300, 3420, 3360, 300));
}

QString frmIdentificador::trayToolTip() const
{
    QStringList lines{TextoBandeja(m_Lineo1->Enabled())};
    if (!m_Lineo1->Estado().isEmpty())
        lines << QStringLiteral("Línea VoIP: ") + m_Lineo1->Estado();
    lines << whereabouts(*m_outbox);
    return lines.join(QLatin1Char('\n'));
}

void frmIdentificador::showWaitingCalls()
{
    const int count = m_outbox->count();
    // Once for each time calls begin to wait, not for every call after the first.
    if (m_waitingShown == 0 && count > 0)
        m_balloonDue = true;
    else if (count == 0)
        m_balloonDue = false;
    m_waitingShown = count;
    const QString mark = markText(*m_outbox);
    m_lblPendientes->setVisible(!mark.isEmpty());
    const bool atRisk = m_outbox->unsavedCount() > 0 || !m_outbox->readProblem().isEmpty();
    // Amber on the black panel while the calls are safe on the disk, seen at a glance and not
    // mistaken for a caller's alert; red while they are not.
    m_lblPendientes->setStyleSheet(atRisk ? QStringLiteral("QLabel { color: #ff4040; }")
                                          : QStringLiteral("QLabel { color: #ffb000; }"));
    if (!mark.isEmpty()) {
        // Bold, a little smaller where the line would not fit.
        QFont font = this->font();
        font.setBold(true);
        while (QFontMetrics(font).horizontalAdvance(mark) > m_lblPendientes->width() &&
               font.pointSizeF() > 6)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        m_lblPendientes->setFont(font);
        m_lblPendientes->setText(mark);
        m_lblPendientes->setToolTip(waitingExplanation());
    }
    if (const QStringList lines = whereabouts(*m_outbox); lines != m_trayLines) {
        m_trayLines = lines;
        updateTrayToolTip();
    }
    tellOutboxProblems();
    showBalloonIfDue();
}

QString frmIdentificador::waitingExplanation() const
{
    QStringList why;
    const int onDisk = m_outbox->count() - m_outbox->unsavedCount();
    const QString readProblem = m_outbox->readProblem();
    if (m_outbox->isUnreadable())
        why << QStringLiteral("Las llamadas sin registrar guardadas en este equipo no se pueden "
                              "leer ni contar: %1. No se borra ninguna; se registrarán cuando "
                              "se corrija.")
                   .arg(readProblem);
    else if (!readProblem.isEmpty() && onDisk > 0)
        why << QStringLiteral("%1 guardadas en este equipo no se pueden registrar por ahora: %2. "
                              "No se borra ninguna; se registrarán cuando se corrija.")
                   .arg(callsText(onDisk), readProblem);
    else if (onDisk > 0)
        why << QStringLiteral("%1 se guardaron en este equipo y se registrarán solas, con su "
                              "fecha y hora, en cuanto la base de datos vuelva a estar "
                              "disponible.")
                   .arg(callsText(onDisk));
    if (m_outbox->unsavedCount() > 0)
        why << QStringLiteral("%1 no se pudieron guardar en este equipo (%2) y están solo en "
                              "memoria: no cierre el programa hasta que se guarden o se "
                              "registren.")
                   .arg(callsText(m_outbox->unsavedCount()), m_outbox->saveProblem());
    return why.join(QLatin1Char('\n'));
}

void frmIdentificador::tellOutboxProblems()
{
    // Said once each time a problem begins, without waiting for an answer.
    const bool inMemory = m_outbox->unsavedCount() > 0;
    const bool unreadable = !m_outbox->readProblem().isEmpty();
    const bool tell = (inMemory && !m_memoryTold) || (unreadable && !m_unreadableTold);
    m_memoryTold = inMemory;
    m_unreadableTold = unreadable;
    if (tell)
        MessageBox::notify(
            this,
            Message{QStringLiteral("Atención: hay llamadas sin registrar que no están a salvo.\n") +
                        waitingExplanation(),
                    MessageIcon::Exclamation, MessageButtons::Ok});
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
