// Detection time of the line control over the modem simulator, in five cases. Run by hand:
//     detection_bench [--runs N] [--reply-delay MS]
// Prints the median of N detections per case, with the control's default reply bound.

#include "Lineo.h"
#include "ModemSimulator.h"
#include "PortTable.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

struct Case
{
    const char* title;
    QStringList simulatorOptions;
    bool hasDevice = true;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 5;
    QString replyDelay = QStringLiteral("0");
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--runs"))
            runs = qMax(1, arguments[i + 1].toInt());
        else if (arguments[i] == QLatin1String("--reply-delay"))
            replyDelay = arguments[i + 1];
    }

    TestEnvironment environment; // the port table goes to a temporary config home
    const QStringList delay{QStringLiteral("--reply-delay"), replyDelay};
    const std::vector<Case> cases{
        {"accepts candidate 1 (AT+VCID=1)",
         delay + QStringList{QStringLiteral("--accept"), QStringLiteral("AT+VCID=1")}},
        {"accepts candidate 5 (AT*ID1=1)",
         delay + QStringList{QStringLiteral("--accept"), QStringLiteral("AT*ID1=1")}},
        {"ERROR to everything", delay + QStringList{QStringLiteral("--error-all")}},
        {"silent", {QStringLiteral("--silent")}},
        {"no device", {}, false},
    };

    QTextStream out(stdout);
    out << "Detection time, median of " << runs << " runs, reply bound "
        << Lineo::DefaultReplyTimeout.count() << " ms per candidate, modem reply delay "
        << replyDelay << " ms\n";
    for (const Case& one : cases) {
        std::vector<double> times;
        QString command;
        for (int run = 0; run < runs; ++run) {
            ModemSimulator modem;
            if (one.hasDevice) {
                if (!modem.start(one.simulatorOptions) || !modem.pointPort(4)) {
                    out << "cannot start the modem simulator\n";
                    return 1;
                }
            } else {
                PortTable table;
                table.setDevice(4, environment.root() + QStringLiteral("/no-device"));
                if (!table.save())
                    return 1;
            }
            Lineo lineo;
            lineo.setPuerto(4);
            QElapsedTimer clock;
            clock.start();
            lineo.setEnabled(true);
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
            command = lineo.Enabled() ? lineo.ComandoCID() : QStringLiteral("(none)");
            lineo.setEnabled(false);
        }
        out << QStringLiteral("  %1 %2 ms  -> %3\n")
                   .arg(QLatin1String(one.title), -34)
                   .arg(median(times), 8, 'f', 1)
                   .arg(command);
        out.flush();
    }
    return 0;
}
