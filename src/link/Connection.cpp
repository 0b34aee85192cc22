#include "link/Connection.h"

#include "link/MainView.h"
#include "link/Transport.h"
#include "platform/Host.h"
#include "platform/Stores.h"

namespace qb {

const QString Connection::AppName = QStringLiteral("Quenbrix_551");
const QString Connection::Section = QStringLiteral("Parameter");
const QString Connection::FirstSettings = QStringLiteral("4800,N,8,1");
const QString Connection::SecondSettings = QStringLiteral("9600,N,8,1");

namespace {
const QString CRLF = QStringLiteral("\r\n");
const QString PortKey = QStringLiteral("Com_Port");
const QString LocationKey = QStringLiteral("Location");
}  // namespace

Connection::Connection(Host& host, SerialPort& port, SettingsStore& settings, MachineStore& machine,
                       Transport& transport, MainView& view)
    : host_(host),
      port_(port),
      settings_(settings),
      machine_(machine),
      transport_(transport),
      view_(view),
      timer1_(host.createTimer()),
      timer3_(host.createTimer()),
      lineSettings_(FirstSettings)
{
    timer1_->setInterval(PortOpenDelayMs);
    timer1_->setHandler([this] { openByTimer(); });
    timer3_->setInterval(FirstReconnectMs);
    timer3_->setHandler([this] { Reconnect(); });
    port_.setEventHandler([this](CommEvent event) { OnCommEvent(event); });
}

Connection::~Connection()
{
    port_.setEventHandler({});
}

QString Connection::connectingStatus(int port, int attemptsLeft)
{
    return QStringLiteral("Verbindung Comm ") + QString::number(port) +
           QStringLiteral(" wird hergestellt. Bitte warten!  ") + QString::number(attemptsLeft);
}

QString Connection::portMissingStatus(int port)
{
    return QStringLiteral("Serieller Anschluß ") + QString::number(port) +
           QStringLiteral(" nicht gefunden!    Bitte anderen Anschluß auswählen.");
}

QString Connection::portText(int n) const
{
    return QStringLiteral("COM Port ") + QString::number(n);
}

void Connection::loadSettings(const QString& programFolder, std::optional<int> portForThisRun)
{
    const QString location = settings_.value(AppName, Section, LocationKey, QString());
    LocationPath = location.isEmpty() ? programFolder : location;
    if (portForThisRun) {
        // A pinned run (a device on the command line, the demo) leaves the
        // user's stored port alone.
        PortNumber = *portForThisRun;
        return;
    }
    const QString stored = settings_.value(AppName, Section, PortKey, QString::number(PortNumber)).trimmed();
    bool numeric = false;
    const int number = stored.toInt(&numeric);
    if (numeric && number == 0) {
        // First start, or a stored 0.
        settings_.setValue(AppName, Section, PortKey, QStringLiteral("1"));
        settings_.setValue(AppName, Section, LocationKey, programFolder);
        settings_.setValue(AppName, Section, QStringLiteral("USB"), QStringLiteral("False"));
        LocationPath = programFolder;
        return;
    }
    // A damaged entry selects no port and is kept for the user to see.
    PortNumber = numeric && number >= 1 && number <= PortCount ? number : 0;
}

void Connection::openAtStart()
{
    if (PortNumber < 1)
        return;  // no port chosen yet: nothing to open
    lineSettings_ = FirstSettings;
    const OpenError error = port_.open(PortNumber, lineSettings_);
    lastOpenError_ = error == OpenError::None ? QString() : port_.errorString();
    if (error != OpenError::InvalidPort)
        return;
    host_.message(QStringLiteral("Comm Port ") + QString::number(PortNumber) + QStringLiteral(" nicht gefunden !") +
                      CRLF + CRLF +
                      QStringLiteral("Den Comm-Port auswählen, an den der Baustein angeschlossen ist.") + CRLF +
                      CRLF +
                      QStringLiteral("Bei Verwendung eines USB-Seriell Adapters im Geräte Manager nachsehen,") +
                      CRLF + QStringLiteral("welchen Comm-Port der Aadapter verwendet."),
                  Buttons::Ok, QStringLiteral("Comm Error"));
}

bool Connection::EnsurePortOpen()
{
    // Both outcomes are cleared before arming, so a failure reported for an
    // earlier attempt never ends this wait early.
    PortReady = false;
    PortOpenFailed = false;
    timer1_->setEnabled(true);
    host_.waitUntil([this] { return PortReady || PortOpenFailed; });
    return PortReady;
}

void Connection::openByTimer()
{
    bool failed = false;
    if (!port_.isOpen()) {
        const OpenError error = port_.open(PortNumber, lineSettings_);
        failed = error != OpenError::None;
        lastOpenError_ = failed ? port_.errorString() : QString();
    }
    timer1_->setEnabled(false);
    if (failed) {
        host_.beep();
        view_.setStatus(portMissingStatus(PortNumber));
        QString text = QStringLiteral("Schnittstelle Comm ") + QString::number(PortNumber) +
                       QStringLiteral(" kann nicht geöffnet werden!");
        if (!lastOpenError_.isEmpty())
            text += CRLF + CRLF + lastOpenError_;
        host_.message(text);
        PortOpenFailed = true;
        return;
    }
    view_.setStatus(connectingStatus(PortNumber, attemptsLeft ? attemptsLeft() : 0));
    PortReady = true;
}

void Connection::reopen(const QString& settings)
{
    port_.close();
    lineSettings_ = settings;
    const OpenError error = port_.open(PortNumber, lineSettings_);
    lastOpenError_ = error == OpenError::None ? QString() : port_.errorString();
}

void Connection::SelectPort(int n)
{
    PortNumber = n;
    view_.setPortDisplay(portText(n));
    if (port_.isOpen())
        port_.close();
    view_.checkPortEntry(n, PortCount);
    settings_.setValue(AppName, Section, PortKey, QString::number(n));
    if (onPortChosen)
        onPortChosen();
}

QStringList Connection::ScanPorts()
{
    QStringList entries;
    FoundPorts.fill(0);
    foundCount_ = 0;
    // Trying a port re-targets the one connection, so it is left closed; the
    // next exchange opens the chosen port again.
    port_.close();
    for (int n = 1; n <= ScanCount; ++n) {
        if (port_.open(n, lineSettings_) != OpenError::None)
            continue;
        entries << QStringLiteral("COM-Port ") + QString::number(n) + QStringLiteral(" vorhanden");
        port_.close();
        FoundPorts[foundCount_++] = n;
    }
    return entries;
}

void Connection::chooseScannedPort(int listIndex)
{
    if (listIndex < 0 || listIndex >= foundCount_)
        return;
    PortNumber = FoundPorts[listIndex];
    view_.setPortDisplay(portText(PortNumber));
    view_.checkPortEntry(PortNumber, ScanCount);
    settings_.setValue(AppName, Section, PortKey, QString::number(PortNumber));
}

void Connection::choosePanelPort(int n)
{
    PortNumber = n;
    view_.setPortDisplay(portText(n));
    view_.checkPortEntry(n, 8);
    if (machine_.writeValue(QStringLiteral("SOFTWARE\\Talvenor"), PortKey, n))
        return;
    host_.message(QStringLiteral("Softwarefehler 003"), Buttons::Ok, QStringLiteral("Fehler"), Icon::Critical);
    Shutdown();
}

void Connection::OnCommEvent(CommEvent event)
{
    if (PowerWatchOff)
        return;
    switch (event) {
    case CommEvent::FrameError:
        transport_.FrameError = true;
        break;
    case CommEvent::DsrChange:
        if (!port_.dsr())
            powerLost();
        break;
    case CommEvent::LinkLost:
        powerLost();
        break;
    }
}

void Connection::powerLost()
{
    PowerWatchOff = true;
    const Answer answer = host_.message(QStringLiteral("Achtung!") + CRLF +
                                            QStringLiteral("Decoder wurde oder ist ausgeschaltet.") + CRLF +
                                            QStringLiteral("Wollen Sie das Programm beenden?"),
                                        Buttons::YesNo);
    transport_.ProtocolVariant = 0;
    if (answer == Answer::Yes) {
        port_.close();
        Shutdown();
        return;
    }
    host_.message(QStringLiteral("Schalten Sie den Decoder wieder ein, oder stellen ") + CRLF +
                  QStringLiteral("Sie die Verbindung zu einem anderen Decoder her."));
    timer3_->setEnabled(true);
}

void Connection::Reconnect()
{
    timer3_->setEnabled(false);
    timer3_->setInterval(LaterReconnectMs);
    view_.unloadWindows({"Einstellen", "frmAbout", "Hilfe", "Hilfe_Adr", "neueDCC_Addr", "Servotyp",
                         "Test_links", "Test_rechts", "Test4fach", "Test4Weiche", "Test8fach", "Warten"});
    if (onReconnect)
        onReconnect();
}

void Connection::Shutdown()
{
    view_.closeMainWindow();
}

void Connection::mainWindowClosing()
{
    port_.close();
    ShuttingDown = true;
    timer1_->setEnabled(false);
    timer3_->setEnabled(false);
    host_.requestQuit();
}

}  // namespace qb
