#pragma once

#include "decoder/DecoderIdentity.h"
#include "link/Reply.h"
#include "memory/OutputSettings.h"
#include "session/CountedFlag.h"
#include "session/Line.h"
#include "session/SessionView.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace qb {

class ConfigBlock;
class Connection;
class Detection;
class Host;
class MachineStore;
class ProtocolMonitor;
class SerialPort;
class ServoWrites;
class SettingsStore;
class Timer;
enum class CommEvent;
struct DecodedBlock;

// Everything that talks to the decoder, without any window: the connection,
// the line and its discipline, detection, identification, the output read
// and the writes, the decoder's identity and the selected output's settings.
// The main window owns it and hands it to the other windows; it shows what
// happens through the SessionView.
class DecoderSession {
public:
    struct Services {
        Host& host;
        SerialPort& port;
        SettingsStore& settings;
        MachineStore& machine;
        // Without a window nobody can choose another port meanwhile: a
        // decoder that never answers is given up at once, without the
        // message and the 20-second grace period.
        bool gracePeriod = true;
    };

    // How the last start-up sequence ended.
    enum class StartupOutcome {
        Identified,   // a decoder of a known kind answered
        NotAccepted,  // a decoder answered with an identification the program does not know
        PortFailed,   // the port did not open (reported)
        NoDecoder,    // nothing answered at either speed
        NotRun,       // a dialog was active, no port was chosen, or the line was busy
        Ended,        // the program is ending
    };

    DecoderSession(Services services, SessionView& view);
    ~DecoderSession();
    DecoderSession(const DecoderSession&) = delete;
    DecoderSession& operator=(const DecoderSession&) = delete;

    Host& host() { return host_; }
    Line& line() { return *line_; }
    // Every exchange on the line, for the monitor window and the log file.
    ProtocolMonitor& monitor() { return *monitor_; }
    Connection& connection() { return *connection_; }
    const Connection& connection() const { return *connection_; }
    const Detection& detection() const { return *detection_; }
    const DecoderIdentity& identity() const { return identity_; }
    // The identification of the last decoder that answered with one the
    // program does not know; empty after an accepted one.
    const QString& rejectedId() const { return rejectedId_; }
    OutputSettings& settings() { return settings_; }
    const OutputSettings& settings() const { return settings_; }

    // Held by the dialogs that work on the decoder; while it is set, the main
    // window becoming active starts no detection.
    CountedFlag& dialogActive() { return dialogActive_; }
    // The answer to the power-on state query is being evaluated, or was not
    // understood: the power-on menu entry ignores clicks.
    bool startupQueryActive() const { return startupQueryActive_; }
    bool shuttingDown() const { return shuttingDown_; }

    // The crossing the user chose last (0 none): a block read shows its
    // stored layout only when it is this one or none was chosen.
    int selectedLayoutCode() const { return selectedLayoutCode_; }
    void setSelectedLayoutCode(int code) { selectedLayoutCode_ = code; }
    // A traffic-light layout names its outputs anew.
    void setOutputNames(const QStringList& names);
    // A test panel works on output n (0: none); identification only reads it again.
    void setActiveTestOutput(int n) { identity_.ActiveTestOutput = n; }

    // Start-up: the remembered port and folder, then the port at the first speed.
    void loadSettings(const QString& programFolder, std::optional<int> portForThisRun);
    void openAtStart();
    // Detection at both speeds, identification and the power-on state
    // query; run when the main window becomes active. Does nothing while a
    // dialog is active, without a port, or while an operation holds the line.
    StartupOutcome runStartupSequence();
    // A port from the menu: detection, then identification.
    void selectPort(int n);
    // The scan dialog.
    QStringList scanPorts();
    bool chooseScannedPort(int listIndex);
    // The scan dialog closed without a choice: the line is usable again.
    void portScanClosed();
    // A test panel's own port menu; the program ends when the port cannot be
    // recorded machine-wide.
    void choosePanelPort(int n);

    // Ends the program ("Beenden", a fatal decoder error, the grace period).
    void endProgram();
    // The main window is closing, for whatever reason: the port is closed and
    // every wait ends.
    void programEnding();

    // The output list's double click on output n: the panel is laid out for
    // it, the output read and the outcome shown.
    ReadOutcome selectOutput(int n);
    // Reads the selected output (OutputNumber) and shows it.
    ReadOutcome readOutput();
    // Whether the settings are those read from the selected output: after a
    // failed read nothing is written to it.
    bool selectedOutputRead() const { return selectedOutputRead_; }
    // Writes the selected output's settings and reads them back; false when
    // the write failed (reported) or the output was not read.
    bool writeServoConfig();
    // Program-side reset and copy, for the decoders that need them.
    bool resetServoByProgram(int n);
    bool copyServoByProgram(int target);

    // The windows' own exchanges, inside an operation.
    [[nodiscard]] Line::Operation operation() { return line_->begin(); }
    Reply exchange(const Frame& frame);
    void switchOutput(int n, int s);
    void delay(int ms);
    // Shows the message of a failed exchange; true when it failed.
    bool reportFailure(const Reply& reply);

    // A window's status text goes where the session's go.
    void showStatus(const QString& text) { view_.setStatus(text); }

    // "Servo 3", or the list entry for the paired families.
    QString outputName(int n) const;

private:
    void onCommEvent(CommEvent event);
    void powerLost();
    void reconnect();
    StartupOutcome startupSequence();
    // False when the decoder's identification is not one the program knows.
    bool identify();
    QString rejectedId_;
    void rereadTestOutput();
    void queryPowerUpState();
    ReadOutcome showBlock(const ConfigBlock& block);
    ReadOutcome recover(const DecodedBlock& decoded);
    void fatal(const QString& message);

    Host& host_;
    SerialPort& port_;
    SessionView& view_;
    DecoderIdentity identity_;
    OutputSettings settings_;
    std::unique_ptr<Line> line_;
    std::unique_ptr<ProtocolMonitor> monitor_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<Detection> detection_;
    std::unique_ptr<ServoWrites> servoWrites_;
    std::unique_ptr<Timer> timer3_;  // the reconnect after a power loss
    CountedFlag dialogActive_;
    bool startupQueryActive_ = false;
    bool shuttingDown_ = false;
    int selectedLayoutCode_ = 0;
    bool selectedOutputRead_ = false;
    // A decoder that keeps answering implausible values after its reset is
    // not reset for ever.
    int recoveries_ = 0;
};

}  // namespace qb
