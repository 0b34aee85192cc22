#include "ui/CommandLine.h"

#include "session/Connection.h"

namespace qb {

namespace {

bool parsePort(const QString& value, CommandLine& line)
{
    int number = 1;
    QString device = value;
    const int equals = value.indexOf('=');
    if (equals >= 0) {
        bool ok = false;
        number = value.left(equals).toInt(&ok);
        if (!ok || number < 1 || number > Connection::PortCount) {
            line.error = QStringLiteral("Ungültige Portnummer in \"%1\" (1..%2)").arg(value).arg(Connection::PortCount);
            return false;
        }
        device = value.mid(equals + 1);
    }
    if (device.isEmpty()) {
        line.error = QStringLiteral("--port braucht ein Gerät, z. B. --port 1=/dev/ttyUSB0");
        return false;
    }
    line.pinnedPort = number;
    line.device = device;
    return true;
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.help = true;
        } else if (arg == QLatin1String("--port")) {
            if (i + 1 >= arguments.size()) {
                line.error = QStringLiteral("--port braucht ein Gerät, z. B. --port 1=/dev/ttyUSB0");
                return line;
            }
            if (!parsePort(arguments[++i], line))
                return line;
        } else if (arg.startsWith(QLatin1String("--port="))) {
            if (!parsePort(arg.mid(7), line))
                return line;
        } else if (arg == QLatin1String("--log") || arg.startsWith(QLatin1String("--log="))) {
            line.logPath = arg == QLatin1String("--log") ? arguments.value(++i) : arg.mid(6);
            if (line.logPath.isEmpty()) {
                line.error = QStringLiteral("--log braucht eine Datei, z. B. --log quenbrix.log");
                return line;
            }
        } else if (arg == QLatin1String("--demo") || arg.startsWith(QLatin1String("--demo="))) {
            line.demo = true;
            if (arg.size() > 6) {
                line.demoId = arg.mid(7);
                if (line.demoId.size() != 8) {
                    line.error = QStringLiteral("Die Kennung des Demo-Decoders hat 8 Zeichen: \"%1\"").arg(line.demoId);
                    return line;
                }
            }
        } else if (arg.startsWith(QLatin1String("-"))) {
            line.error = QStringLiteral("Unbekannte Option \"%1\"").arg(arg);
            return line;
        }
        // Anything else (arguments of the window system) is left to Qt.
    }
    if (line.demo && line.pinnedPort) {
        line.error = QStringLiteral("--demo und --port schließen sich aus");
        return line;
    }
    if (line.demo)
        line.pinnedPort = 1;
    return line;
}

QString usageText()
{
    return QStringLiteral(
        "Aufruf: quenbrix [--port [N=]GERÄT] [--demo[=KENNUNG]] [--log DATEI] [--help]\n"
        "\n"
        "  --port [N=]GERÄT   Gerät (z. B. /dev/ttyUSB0 oder das Pseudo-Terminal von quenbrix-sim)\n"
        "                     als Port N (1..20, ohne Angabe 1) für diesen Lauf verwenden\n"
        "  --demo[=KENNUNG]   mit dem eingebauten Demo-Decoder an Port 1 arbeiten\n"
        "                     (Kennung mit 8 Zeichen, ohne Angabe R5--XC45)\n"
        "  --log DATEI        jeden gesendeten und empfangenen Rahmen in die Datei schreiben\n"
        "                     (Zeit, Richtung, Befehl, Bytes; auch im Menü Hilfe > Protokollmonitor)\n"
        "  --help             diese Hilfe\n"
        "\n"
        "Ohne Optionen wird der zuletzt gewählte Port verwendet.\n");
}

}  // namespace qb
