// quenbrix-cli: the decoder session of the window program on the command
// line, for people with many decoders and for scripts.

#include "cli/CliOptions.h"
#include "cli/Tool.h"
#include "platform/ConsoleHost.h"
#include "platform/PortDirectory.h"
#include "platform/PortSwitch.h"
#include "platform/QtSerialPort.h"
#include "platform/QtStores.h"
#include "simulator/DecoderDevice.h"
#include "simulator/SimulatedPort.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The window's settings: the same port numbers, the same pinned devices.
    app.setApplicationName(QStringLiteral("Quenbrix_551"));

    const qb::cli::Options options = qb::cli::parseOptions(app.arguments());
    if (options.help) {
        std::fputs(qPrintable(qb::cli::usageText()), stdout);
        return qb::cli::Success;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "quenbrix-cli: %s\nHilfe: quenbrix-cli --help\n", qPrintable(options.error));
        return qb::cli::Usage;
    }

    // The tool reports every failure in its own words; the window's
    // messages only on request.
    qb::ConsoleHost host(options.verbose ? stderr : nullptr);
    qb::QtSettingsStore settings;
    qb::IniMachineStore machine;
    qb::PortDirectory directory(settings);
    const bool device = !options.demo && options.port.toInt() == 0;
    if (device)
        directory.pin(1, options.port);
    qb::QtSerialPort realPort(host, directory);
    qb::sim::DecoderDevice demoDecoder({options.demoId.toLatin1()});
    qb::sim::SimulatedPort demoPort(host, demoDecoder);
    qb::PortSwitch port(
        [&](int) -> qb::SerialPort& {
            return options.demo ? static_cast<qb::SerialPort&>(demoPort) : static_cast<qb::SerialPort&>(realPort);
        },
        {&realPort, &demoPort});

    qb::cli::Tool tool(options, {host, port, settings, machine, stdout, stderr, [&host] { return host.shown(); }});
    return tool.run();
}
