#include "platform/PortSwitch.h"
#include "platform/FilesFolder.h"
#include "platform/GermanFormat.h"
#include "platform/PortDirectory.h"
#include "platform/QtHost.h"
#include "platform/QtSerialPort.h"
#include "platform/QtStores.h"
#include "session/DecoderSession.h"
#include "session/ProtocolMonitor.h"
#include "simulator/SimulatedPort.h"
#include "ui/CommandLine.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Quenbrix_551"));
    qb::installGermanTranslations(app);

    const qb::CommandLine line = qb::parseCommandLine(app.arguments());
    if (line.help) {
        std::fputs(qPrintable(qb::usageText()), stdout);
        return 0;
    }
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "%s\n\n%s", qPrintable(line.error), qPrintable(qb::usageText()));
        return 2;
    }

    qb::QtHost host;
    qb::QtSettingsStore settings;
    qb::IniMachineStore machine;
    qb::QtOsVersion os;
    qb::PortDirectory directory(settings);
    if (!line.device.isEmpty())
        directory.pin(*line.pinnedPort, line.device);
    qb::QtSerialPort realPort(host, directory);
    qb::sim::DecoderDevice demoDecoder({line.demoId.toLatin1()});
    qb::sim::SimulatedPort demoPort(host, demoDecoder);
    qb::PortSwitch port(
        [&](int number) -> qb::SerialPort& {
            return line.demo && number == *line.pinnedPort ? static_cast<qb::SerialPort&>(demoPort)
                                                           : static_cast<qb::SerialPort&>(realPort);
        },
        {&realPort, &demoPort});

    qb::MainWindow window({host, port, settings, machine, os,
                           qb::startFilesFolder(QCoreApplication::applicationDirPath(), QDir::homePath()),
                           line.pinnedPort});
    host.setDialogParent(&window);
    if (!line.logPath.isEmpty()) {
        QString error;
        if (!window.session().monitor().logTo(line.logPath, error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 2;
        }
    }
    window.start();
    return app.exec();
}
