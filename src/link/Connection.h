#pragma once

#include "platform/SerialPort.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace qb {

class Host;
class MachineStore;
class MainView;
class SettingsStore;
class Timer;
class Transport;

// The one serial connection: which port, opening and re-opening it, the
// decoder's power line, the remembered port and the orderly end.
class Connection {
public:
    static const QString AppName;       // "Quenbrix_551"
    static const QString Section;       // "Parameter"
    static const QString FirstSettings;   // "4800,N,8,1"
    static const QString SecondSettings;  // "9600,N,8,1"
    static constexpr int PortCount = 20;
    static constexpr int ScanCount = 16;
    static constexpr int PortOpenDelayMs = 500;
    static constexpr int FirstReconnectMs = 2000;
    static constexpr int LaterReconnectMs = 1000;

    Connection(Host& host, SerialPort& port, SettingsStore& settings, MachineStore& machine,
               Transport& transport, MainView& view);
    ~Connection();

    // Start-up: the stored port (or, for a pinned run, `portForThisRun`
    // without touching the stored one) and the backup folder.
    void loadSettings(const QString& programFolder, std::optional<int> portForThisRun = {});
    // Start-up: opens the port at the first speed; a number without a device
    // gets the "Comm Error" message.
    void openAtStart();

    // Opens the port through the port-open timer and waits for the outcome;
    // true when the port is ready.
    bool EnsurePortOpen();
    // Closes and re-opens at other line settings, ignoring failures.
    void reopen(const QString& settings);

    void SelectPort(int n);
    // Tries ports 1..16; returns the list texts and fills FoundPorts.
    QStringList ScanPorts();
    void chooseScannedPort(int listIndex);
    // A test panel's own port menu.
    void choosePanelPort(int n);

    void OnCommEvent(CommEvent event);
    void Reconnect();
    // Ends the program by closing the main window.
    void Shutdown();
    // The main window is closing, for whatever reason.
    void mainWindowClosing();

    // The status texts while the port opens and when it cannot be found.
    static QString connectingStatus(int port, int attemptsLeft);
    static QString portMissingStatus(int port);

    Timer& Timer1() { return *timer1_; }
    Timer& Timer3() { return *timer3_; }
    SerialPort& port() { return port_; }
    const QString& lineSettings() const { return lineSettings_; }
    // Why the last open failed, in the serial layer's words.
    const QString& lastOpenError() const { return lastOpenError_; }

    int PortNumber = 0;
    bool PortReady = false;
    bool PortOpenFailed = false;
    bool PowerWatchOff = false;
    bool ShuttingDown = false;
    bool DialogActive = false;
    QString LocationPath;
    std::array<int, 17> FoundPorts{};

    // Detection, then identification, after a port choice.
    std::function<void()> onPortChosen;
    // The start-up detection sequence, run again by the reconnect.
    std::function<void()> onReconnect;
    // The detection's attempt counter, shown at the end of the status text.
    std::function<int()> attemptsLeft;

private:
    void openByTimer();
    void powerLost();
    QString portText(int n) const;

    Host& host_;
    SerialPort& port_;
    SettingsStore& settings_;
    MachineStore& machine_;
    Transport& transport_;
    MainView& view_;
    std::unique_ptr<Timer> timer1_;
    std::unique_ptr<Timer> timer3_;
    QString lineSettings_;
    QString lastOpenError_;
    int foundCount_ = 0;
};

}  // namespace qb
