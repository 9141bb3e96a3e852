#pragma once

#include "CallerIdParser.h"
#include "LineSettings.h"
#include "PropertyBag.h"
#include "SerialPort.h"
#include "lineo_export.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class SipLine;

// The caller-ID line control: finds the caller-ID command the modem on port `Puerto` accepts,
// then raises `Llamada` once per caller-ID record the modem sends between the rings. Where the
// line settings choose a SIP account instead, switching on registers it and every INVITE from
// its registrar raises `Llamada` the same way; `Estado` tells whether it is registered.
//
// Everything runs on the host's thread. Setting Enabled to True blocks until the detection is
// over (no event is processed meanwhile); the caller reads Enabled back to learn the outcome.
class LINEO_EXPORT Lineo : public QObject, public PersistentControl
{
    Q_OBJECT
    Q_PROPERTY(QString Numero READ Numero)
    Q_PROPERTY(QDateTime FechaHora READ FechaHora)
    Q_PROPERTY(QString Nombre READ Nombre)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(qint16 Puerto READ Puerto WRITE setPuerto)
    Q_PROPERTY(QString ComandoCID READ ComandoCID)
    Q_PROPERTY(QString Estado READ Estado NOTIFY estadoChanged)

public:
    // Modems answer a command within about 150 ms; half a second leaves a slow one ample room
    // while a detection that finds nothing stays near three seconds.
    static constexpr std::chrono::milliseconds DefaultReplyTimeout{500};

    // Over the machine's serial ports.
    explicit Lineo(QObject* parent = nullptr);
    // Over the given port (tests use a scripted one).
    explicit Lineo(std::unique_ptr<SerialPort> port, QObject* parent = nullptr);
    ~Lineo() override;

    // The last caller's number without surrounding blanks; "0" for a withheld one.
    [[nodiscard]] QString Numero() const { return m_numero.trimmed(); }
    // The last record's date and time (current year, seconds 0), or the clock's when the record
    // carried no valid date or time.
    [[nodiscard]] QDateTime FechaHora() const { return m_fechaHora; }
    // Caller names are not parsed.
    [[nodiscard]] QString Nombre() const { return {}; }
    [[nodiscard]] bool Enabled() const { return m_enabled; }
    [[nodiscard]] qint16 Puerto() const { return m_puerto; }
    [[nodiscard]] QString ComandoCID() const { return m_comandoCID; }
    // The SIP line's state ("Registrado", or "Sin registro: " and why); empty for the modem.
    [[nodiscard]] QString Estado() const { return m_estado; }

    // True runs the detection on Puerto (blocking), or starts the SIP registration (at once),
    // as the stored line settings choose; False closes the port or unregisters.
    void setEnabled(bool value);
    // The source the next switch-on uses regardless of the stored choice (the wizard's modem
    // detection); nothing: the stored choice.
    void setFuente(std::optional<LineSource> fuente) { m_fuente = fuente; }
    // Numbers out of 1..16 are ignored. Takes effect at the next detection.
    void setPuerto(int value);

    // How long one candidate command waits for "OK" or "ERROR".
    void setReplyTimeout(std::chrono::milliseconds timeout) { m_replyTimeout = timeout; }
    [[nodiscard]] std::chrono::milliseconds replyTimeout() const { return m_replyTimeout; }

    void initNew() override;
    [[nodiscard]] PropertyLoadResult readProperties(const PropertyBag& bag) override;
    void writeProperties(PropertyBag& bag) const override;

signals:
    // A complete caller-ID record arrived; Numero and FechaHora already hold it.
    void Llamada();
    // The device went away while listening: the port is closed and Enabled reads False.
    void deviceLost();
    // A stored property was set (for the host to save its description).
    void propertyChanged(const QString& name);
    // Estado changed.
    void estadoChanged();

private:
    bool EnviaComando(const QString& comando, qint16 puerto);
    bool BuscaComandoCID(qint16 puerto);
    void onDataReceived();
    void onPortError();
    bool startSip(const SipAccount& account);
    void stopSip();
    void setEstado(const QString& estado);

    std::unique_ptr<SerialPort> m_port;
    CallerIdParser m_parser;
    QString m_numero;
    QDateTime m_fechaHora;
    bool m_enabled = false;
    bool m_detecting = false;
    qint16 m_puerto = 4;
    QString m_comandoCID;
    std::chrono::milliseconds m_replyTimeout = DefaultReplyTimeout;
    std::optional<LineSource> m_fuente;
    SipLine* m_sip = nullptr;
    QString m_estado;
};
