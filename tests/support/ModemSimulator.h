#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// Drives the modem simulator (modemsim from the program folder) for a test: a caller-ID modem
// on a pseudo-terminal. Each command waits until the simulator has carried it out. The process
// ends with the object.
class ModemSimulator
{
public:
    ModemSimulator() = default;
    ~ModemSimulator();
    ModemSimulator(const ModemSimulator&) = delete;
    ModemSimulator& operator=(const ModemSimulator&) = delete;

    // Starts it with modemsim's options (e.g. {"--accept", "AT+VCID=1"}); true once it has
    // reported its device.
    bool start(const QStringList& arguments = {});
    [[nodiscard]] QString devicePath() const { return m_devicePath; }

    // Rings one call; options are modemsim's call options, e.g. {"--name", "DIAZ JUAN"}.
    bool call(const QString& number, const QStringList& options = {});
    // Sends these bytes as they are.
    bool raw(const QByteArray& bytes);
    // Closes the device, as a modem pulled out.
    bool unplug();
    // Any modemsim command line.
    bool command(const QString& line);

    // Points port n (1..16) of the port table of the current config home at the simulator.
    bool pointPort(int n) const;

    // What the simulator wrote to its error output so far.
    [[nodiscard]] QString errorOutput();

    void stop();

private:
    QProcess m_process;
    QString m_devicePath;
    QByteArray m_output;
};
