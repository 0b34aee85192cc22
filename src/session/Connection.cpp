#include "session/Connection.h"

#include "link/Texts.h"
#include "platform/Host.h"
#include "platform/Stores.h"
#include "session/SessionView.h"

#include <utility>

namespace qb {

const QString Connection::AppName = QStringLiteral("Quenbrix_551");
const QString Connection::Section = QStringLiteral("Parameter");
const QString Connection::FirstSettings = QStringLiteral("4800,N,8,1");
const QString Connection::SecondSettings = QStringLiteral("9600,N,8,1");

namespace {
const QString PortKey = QStringLiteral("Com_Port");
const QString LocationKey = QStringLiteral("Location");
}  // namespace

Connection::Connection(Host& host, SerialPort& port, SettingsStore& settings, MachineStore& machine,
                       SessionView& view)
    : host_(host),
      port_(port),
      settings_(settings),
      machine_(machine),
      view_(view),
      timer1_(host.createTimer()),
      lineSettings_(FirstSettings)
{
    timer1_->setInterval(PortOpenDelayMs);
    timer1_->setHandler([this] { openByTimer(); });
}

Connection::~Connection() = default;

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

QString Connection::portText(int n)
{
    return QStringLiteral("COM Port ") + QString::number(n);
}

bool Connection::isOpen() const
{
    return port_.isOpen();
}

void Connection::loadSettings(const QString& programFolder, std::optional<int> portForThisRun)
{
    const QString location = settings_.value(AppName, Section, LocationKey, QString());
    locationPath_ = location.isEmpty() ? programFolder : location;
    if (portForThisRun) {
        // A pinned run (a device on the command line, the demo) leaves the
        // user's stored port alone.
        portNumber_ = *portForThisRun;
        return;
    }
    const QString stored = settings_.value(AppName, Section, PortKey, QString::number(portNumber_)).trimmed();
    bool numeric = false;
    const int number = stored.toInt(&numeric);
    if (numeric && number == 0) {
        // First start, or a stored 0.
        settings_.setValue(AppName, Section, PortKey, QStringLiteral("1"));
        settings_.setValue(AppName, Section, LocationKey, programFolder);
        settings_.setValue(AppName, Section, QStringLiteral("USB"), QStringLiteral("False"));
        locationPath_ = programFolder;
        return;
    }
    // A damaged entry selects no port and is kept for the user to see.
    portNumber_ = numeric && number >= 1 && number <= PortCount ? number : 0;
}

void Connection::openAtStart()
{
    if (portNumber_ < 1)
        return;  // no port chosen yet: nothing to open
    lineSettings_ = FirstSettings;
    const OpenError error = port_.open(portNumber_, lineSettings_);
    lastOpenError_ = error == OpenError::None ? QString() : port_.errorString();
    if (error != OpenError::InvalidPort)
        return;
    host_.message(texts::lines({QStringLiteral("Comm Port ") + QString::number(portNumber_) +
                                    QStringLiteral(" nicht gefunden !"),
                                {},
                                QStringLiteral("Den Comm-Port auswählen, an den der Baustein angeschlossen ist."),
                                {},
                                QStringLiteral("Bei Verwendung eines USB-Seriell Adapters im Geräte Manager nachsehen,"),
                                QStringLiteral("welchen Comm-Port der Aadapter verwendet.")}),
                  Buttons::Ok, QStringLiteral("Comm Error"));
}

bool Connection::ensurePortOpen(int attemptsShown)
{
    attemptsShown_ = attemptsShown;
    suspendPowerWatch();
    opening_ = Opening::Waiting;
    timer1_->setEnabled(true);
    host_.waitUntil([this] { return opening_ != Opening::Waiting; });
    const bool ready = opening_ == Opening::Ready;
    opening_ = Opening::Idle;
    timer1_->setEnabled(false);
    if (ready)
        powerWatchArmed_ = true;
    return ready;
}

void Connection::openByTimer()
{
    bool failed = false;
    if (!port_.isOpen()) {
        const OpenError error = port_.open(portNumber_, lineSettings_);
        failed = error != OpenError::None;
        lastOpenError_ = failed ? port_.errorString() : QString();
    }
    timer1_->setEnabled(false);
    if (failed) {
        host_.beep();
        view_.setStatus(portMissingStatus(portNumber_));
        QString text = QStringLiteral("Schnittstelle Comm ") + QString::number(portNumber_) +
                       QStringLiteral(" kann nicht geöffnet werden!");
        if (!lastOpenError_.isEmpty())
            text += texts::CRLF + texts::CRLF + lastOpenError_;
        host_.message(text);
        opening_ = Opening::Failed;
        return;
    }
    view_.setStatus(connectingStatus(portNumber_, attemptsShown_));
    opening_ = Opening::Ready;
}

void Connection::reopen(const QString& settings)
{
    port_.close();
    lineSettings_ = settings;
    const OpenError error = port_.open(portNumber_, lineSettings_);
    lastOpenError_ = error == OpenError::None ? QString() : port_.errorString();
}

void Connection::close()
{
    port_.close();
}

void Connection::choosePort(int n)
{
    portNumber_ = n;
    view_.setPortDisplay(portText(n));
    if (port_.isOpen())
        port_.close();
    view_.checkPortEntry(n, PortCount);
    settings_.setValue(AppName, Section, PortKey, QString::number(n));
}

QStringList Connection::scanPorts()
{
    QStringList entries;
    foundPorts_.fill(0);
    foundCount_ = 0;
    // Trying a port re-targets the one connection: it is closed first, and
    // opened again when the dialog closes without a choice.
    openBeforeScan_ = openBeforeScan_ || port_.isOpen();
    port_.close();
    for (int n = 1; n <= ScanCount; ++n) {
        if (port_.open(n, lineSettings_) != OpenError::None)
            continue;
        entries << QStringLiteral("COM-Port ") + QString::number(n) + QStringLiteral(" vorhanden");
        port_.close();
        foundPorts_[foundCount_++] = n;
    }
    return entries;
}

void Connection::restoreAfterScan()
{
    if (std::exchange(openBeforeScan_, false) && !port_.isOpen() && portNumber_ >= 1)
        reopen(lineSettings_);
}

bool Connection::chooseScannedPort(int listIndex)
{
    if (listIndex < 0 || listIndex >= foundCount_)
        return false;
    // The chosen port is opened at its next use.
    openBeforeScan_ = false;
    portNumber_ = foundPorts_[listIndex];
    view_.setPortDisplay(portText(portNumber_));
    view_.checkPortEntry(portNumber_, ScanCount);
    settings_.setValue(AppName, Section, PortKey, QString::number(portNumber_));
    return true;
}

bool Connection::choosePanelPort(int n)
{
    portNumber_ = n;
    view_.setPortDisplay(portText(n));
    view_.checkPortEntry(n, 8);
    return machine_.writeValue(QStringLiteral("SOFTWARE\\Talvenor"), PortKey, n);
}

}  // namespace qb
