#include "decoder/DecoderIdentity.h"
#include "link/Transport.h"
#include "platform/GermanFormat.h"
#include "platform/QtHost.h"
#include "simulator/SimulatedPort.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <algorithm>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Quenbrix_551"));
    qb::installGermanTranslations(app);

    qb::QtHost host;
    qb::sim::DecoderDevice device;
    qb::sim::SimulatedPort port(host, device);
    qb::DecoderIdentity identity;
    QMainWindow window;
    qb::Transport transport(host, port, identity, [&] { window.close(); });
    host.setDialogParent(&window);

    auto* status = new QLabel(QStringLiteral("Verbindung zum Demo-Decoder wird hergestellt..."));
    status->setMargin(16);
    window.setCentralWidget(status);
    window.setWindowTitle(QStringLiteral("Quenbrix"));
    window.resize(480, 160);
    window.show();

    auto start = host.createTimer();
    start->setInterval(1);
    start->setHandler([&] {
        start->setEnabled(false);
        port.open(1, QStringLiteral("4800,N,8,1"));
        transport.ProtocolVariant = device.variant();
        transport.ReadBlock(1);
        QByteArray block = transport.InString;
        std::reverse(block.begin(), block.end());
        status->setText(QStringLiteral("Demo-Decoder an Port 1, Kennung %1")
                            .arg(QString::fromLatin1(block.mid(70, 8))));
    });
    start->setEnabled(true);
    return app.exec();
}
