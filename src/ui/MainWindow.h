#pragma once

#include "session/SessionView.h"
#include "ui/WindowRegistry.h"

#include <QMainWindow>
#include <memory>
#include <optional>

namespace Ui {
class Hauptform;
}

class QAction;
class QMenu;

namespace qb {

class CoilPanel;
class DecoderSession;
class MachineStore;
class OsVersion;
class OutputPanel;
class PortScanDialog;
class ProtocolMonitorWindow;
class SerialPort;
class ServoMenus;
class ServiceMenus;
class ServoPanel;
class SettingsStore;
class Timer;
class TrafficLightPanel;
class WindowHost;

// "Hauptform": the main window. It owns the decoder session and the panels,
// shows what the session does, and hands the session to the other windows.
class MainWindow : public QMainWindow, public SessionView {
    Q_OBJECT
public:
    struct Services {
        WindowHost& host;
        SerialPort& port;
        SettingsStore& settings;
        MachineStore& machine;
        const OsVersion& os;
        QString programFolder;
        std::optional<int> pinnedPort;  // a port for this run only
    };

    explicit MainWindow(Services services);
    ~MainWindow() override;

    // Loads the window: settings, size, the port opened at the first speed.
    // The start-up sequence follows once the window is up.
    void start();

    Ui::Hauptform& ui() { return *ui_; }
    DecoderSession& session() { return *session_; }
    ServoPanel& servoPanel() { return *servoPanel_; }
    TrafficLightPanel& trafficLightPanel() { return *trafficLightPanel_; }
    CoilPanel& coilPanel() { return *coilPanel_; }
    // The panel of the connected decoder's panel mode.
    OutputPanel& activePanel();
    QAction* portEntry(int n) const;
    QMenu* menu(const QString& objectName) const;
    PortScanDialog* portScanDialog() const { return scanDialog_.get(); }
    ProtocolMonitorWindow* monitorWindow() const { return monitorWindow_.get(); }

    // SessionView
    void setStatus(const QString& text) override;
    void setPortDisplay(const QString& text) override;
    void checkPortEntry(int n, int uncheckUpTo) override;
    void setConnectionHint(const QString& text) override;
    void showPowerUpState(const QString& caption) override;
    void closeDecoderWindows() override;
    void endProgram() override;
    QString hintText() const override;
    void setHintText(const QString& text) override;
    void applyLayout(const FamilyLayout& layout) override;
    void enableOutputList() override;
    void showOutputNames() override;
    void showSelection(int n) override;
    void showDecoded(const DecodedBlock& decoded) override;
    void showReadOutcome(ReadOutcome outcome) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectMenus();
    void showPanel(OutputPanel& panel);
    void fillOutputList();
    void applyMenus(const FamilyLayout& layout);
    QAction* entry(const char* menuArray, int n) const;
    void openPortScan();
    void showAbout();
    void openMonitor();

    Services services_;
    std::unique_ptr<Ui::Hauptform> ui_;
    WindowRegistry closedOnReconnect_;
    std::unique_ptr<DecoderSession> session_;
    std::unique_ptr<ServoPanel> servoPanel_;
    std::unique_ptr<TrafficLightPanel> trafficLightPanel_;
    std::unique_ptr<CoilPanel> coilPanel_;
    std::unique_ptr<ServoMenus> servoMenus_;
    std::unique_ptr<ServiceMenus> serviceMenus_;
    std::unique_ptr<Timer> activation_;
    std::unique_ptr<PortScanDialog> scanDialog_;
    std::unique_ptr<ProtocolMonitorWindow> monitorWindow_;
};

}  // namespace qb
