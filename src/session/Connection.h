#pragma once

#include "platform/SerialPort.h"

#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>

namespace qb {

class Host;
class MachineStore;
class SessionView;
class SettingsStore;
class Timer;

// The one serial connection: which port, opening and re-opening it, and the
// port remembered from one run to the next.
class Connection {
public:
    static const QString AppName;         // "Quenbrix_551"
    static const QString Section;         // "Parameter"
    static const QString FirstSettings;   // "4800,N,8,1"
    static const QString SecondSettings;  // "9600,N,8,1"
    static constexpr int PortCount = 20;
    static constexpr int ScanCount = 16;
    static constexpr int PortOpenDelayMs = 500;

    Connection(Host& host, SerialPort& port, SettingsStore& settings, MachineStore& machine, SessionView& view);
    ~Connection();

    // Start-up: the stored port (or, for a pinned run, `portForThisRun`
    // without touching the stored one) and the backup folder.
    void loadSettings(const QString& programFolder, std::optional<int> portForThisRun = {});
    // Start-up: opens the port at the first speed; a number without a device
    // gets the "Comm Error" message.
    void openAtStart();

    // Opens the port through the port-open timer ("Timer1") and waits for the
    // outcome; true when the port is ready. The status text while it opens
    // ends in `attemptsShown`. A failure has been reported when it returns.
    // The power watch is off while the port opens and armed once it is open.
    bool ensurePortOpen(int attemptsShown);
    // Closes and re-opens at other line settings, ignoring failures.
    void reopen(const QString& settings);
    void close();

    // The menu's port choice: display, menu check, store; the port is closed.
    void choosePort(int n);
    // Tries ports 1..16; returns the list texts and remembers the ports found.
    QStringList scanPorts();
    // The scan dialog closed without a choice: the port open before the scan
    // is open again, at the line settings in use.
    void restoreAfterScan();
    // A double click in the scan list; false when the row names no port.
    bool chooseScannedPort(int listIndex);
    // The port number of a row of the scan list; 0 when there is none.
    int scannedPort(int listIndex) const
    {
        return listIndex >= 0 && listIndex < foundCount_ ? foundPorts_[static_cast<size_t>(listIndex)] : 0;
    }
    // Which device stands behind a port number, for the user.
    QString deviceText(int n) const { return port_.describe(n); }
    // A test panel's own port menu; false when the machine-wide value could
    // not be written (the caller ends the program after its message).
    bool choosePanelPort(int n);

    int portNumber() const { return portNumber_; }
    const QString& locationPath() const { return locationPath_; }
    const QString& lineSettings() const { return lineSettings_; }
    // Why the last open failed, in the serial layer's words.
    const QString& lastOpenError() const { return lastOpenError_; }
    bool isOpen() const;

    // While the power watch is off, the line's events are ignored: while the
    // port opens (opening changes DSR) and after a power loss was reported,
    // until the port is open again.
    bool powerWatchArmed() const { return powerWatchArmed_; }
    void suspendPowerWatch() { powerWatchArmed_ = false; }

    // The status texts while the port opens and when it cannot be found.
    static QString connectingStatus(int port, int attemptsLeft);
    static QString portMissingStatus(int port);
    static QString portText(int n);

private:
    void openByTimer();

    Host& host_;
    SerialPort& port_;
    SettingsStore& settings_;
    MachineStore& machine_;
    SessionView& view_;
    std::unique_ptr<Timer> timer1_;
    int portNumber_ = 0;
    QString locationPath_;
    QString lineSettings_;
    QString lastOpenError_;
    std::array<int, 17> foundPorts_{};
    int foundCount_ = 0;
    bool openBeforeScan_ = false;
    // The port-open timer's outcome.
    enum class Opening { Idle, Waiting, Ready, Failed } opening_ = Opening::Idle;
    int attemptsShown_ = 0;
    bool powerWatchArmed_ = true;
};

}  // namespace qb
