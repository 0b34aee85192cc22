#include "cli/CliOptions.h"

namespace qb::cli {

namespace {

const QStringList Commands = {"identify", "read", "backup", "restore", "verify"};

// "--name value" or "--name=value".
bool takeValue(const QStringList& arguments, int& i, const QString& name, QString& value, QString& error)
{
    const QString& arg = arguments[i];
    if (arg.startsWith(name + '=')) {
        value = arg.mid(name.size() + 1);
    } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
    } else {
        error = QStringLiteral("%1 braucht einen Wert").arg(name);
        return false;
    }
    if (value.isEmpty()) {
        error = QStringLiteral("%1 braucht einen Wert").arg(name);
        return false;
    }
    return true;
}

bool isOption(const QString& arg, const char* name)
{
    return arg == QLatin1String(name) || arg.startsWith(QLatin1String(name) + '=');
}

QString checkCommand(const Options& o)
{
    if (o.command.isEmpty())
        return QStringLiteral("Welcher Befehl? identify, read, backup, restore oder verify");
    if (!Commands.contains(o.command))
        return QStringLiteral("Unbekannter Befehl \"%1\"").arg(o.command);
    if (o.port.isEmpty() && !o.demo)
        return QStringLiteral("--port GERÄT fehlt (z. B. --port /dev/ttyUSB0 oder --port 3)");
    if (!o.port.isEmpty() && o.demo)
        return QStringLiteral("--demo und --port schließen sich aus");
    if (!o.port.isEmpty() && !portNumberOf(o.port))
        return QStringLiteral("Ungültige Portnummer \"%1\" (1..20 oder ein Gerät wie /dev/ttyUSB0)").arg(o.port);
    const int wanted = o.command == QLatin1String("identify") ? 0 : 1;
    if (o.arguments.size() != wanted) {
        if (o.command == QLatin1String("read"))
            return QStringLiteral("read braucht die Nummer eines Ausgangs oder \"all\"");
        if (wanted == 1)
            return QStringLiteral("%1 braucht den Namen einer Sicherungsdatei (*.epr)").arg(o.command);
        return QStringLiteral("identify braucht keine weiteren Angaben");
    }
    return {};
}

}  // namespace

std::optional<int> portNumberOf(const QString& port)
{
    bool number = false;
    const int n = port.toInt(&number);
    if (!number)
        return port.contains('/') || port.startsWith(QLatin1String("COM")) ? std::optional(1) : std::nullopt;
    return n >= 1 && n <= 20 ? std::optional(n) : std::nullopt;
}

Options parseOptions(const QStringList& arguments)
{
    Options o;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            o.help = true;
        } else if (isOption(arg, "--port")) {
            if (!takeValue(arguments, i, QStringLiteral("--port"), o.port, o.error))
                return o;
        } else if (isOption(arg, "--log")) {
            if (!takeValue(arguments, i, QStringLiteral("--log"), o.logPath, o.error))
                return o;
        } else if (arg == QLatin1String("--demo") || arg.startsWith(QLatin1String("--demo="))) {
            o.demo = true;
            if (arg.size() > 6)
                o.demoId = arg.mid(7);
            if (o.demoId.size() != 8) {
                o.error = QStringLiteral("Die Kennung des Demo-Decoders hat 8 Zeichen: \"%1\"").arg(o.demoId);
                return o;
            }
        } else if (arg == QLatin1String("--json")) {
            o.json = true;
        } else if (arg == QLatin1String("--force")) {
            o.force = true;
        } else if (arg == QLatin1String("--verbose") || arg == QLatin1String("-v")) {
            o.verbose = true;
        } else if (arg.startsWith('-') && arg.size() > 1) {
            o.error = QStringLiteral("Unbekannte Option \"%1\"").arg(arg);
            return o;
        } else if (o.command.isEmpty()) {
            o.command = arg;
        } else {
            o.arguments << arg;
        }
    }
    if (!o.help)
        o.error = checkCommand(o);
    return o;
}

QString usageText()
{
    return QStringLiteral(
        "Aufruf: quenbrix-cli --port GERÄT [--json] [--log DATEI] BEFEHL\n"
        "\n"
        "Befehle:\n"
        "  identify             Decoder bei 4800 oder 9600 Baud suchen und Kennung, Familie,\n"
        "                       Protokollvariante, Geschwindigkeit und Ausgänge zeigen\n"
        "  read N | read all    die Einstellungen von Ausgang N (oder aller Ausgänge) lesen\n"
        "  backup DATEI.epr     den ganzen Speicher des Decoders in eine Sicherungsdatei schreiben\n"
        "  restore DATEI.epr    eine Sicherungsdatei in den Decoder zurückschreiben\n"
        "  verify DATEI.epr     eine Sicherungsdatei mit dem Speicher des Decoders vergleichen\n"
        "\n"
        "Optionen:\n"
        "  --port GERÄT         das Gerät (z. B. /dev/ttyUSB0) oder die Portnummer 1..20, wie\n"
        "                       das Programm Quenbrix sie zählt\n"
        "  --demo[=KENNUNG]     mit dem eingebauten Demo-Decoder arbeiten (ohne Angabe R5--XC45)\n"
        "  --json               Ergebnisse als JSON ausgeben\n"
        "  --force              eine vorhandene Sicherungsdatei überschreiben\n"
        "  --log DATEI          jeden gesendeten und empfangenen Rahmen protokollieren\n"
        "  --verbose, -v        auch die Meldungen zeigen, die das Fenster zeigen würde\n"
        "  --help               diese Hilfe\n"
        "\n"
        "Rückgabewerte: 0 Erfolg, 2 falscher Aufruf, 3 Schnittstelle nicht zu öffnen,\n"
        "4 kein Decoder, 5 falscher Decoder, 6 Fehler in der Verbindung zum Decoder,\n"
        "7 Datei beschädigt oder nicht lesbar/schreibbar, 8 Sicherung und Decoder verschieden.\n");
}

}  // namespace qb::cli
