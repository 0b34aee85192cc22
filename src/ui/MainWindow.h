#pragma once

#include "decoder/DecoderIdentity.h"
#include "decoder/FamilyLayout.h"
#include "decoder/Identification.h"
#include "link/MainView.h"
#include "memory/OutputSettings.h"

#include <QMainWindow>
#include <memory>
#include <optional>

namespace Ui {
class MainWindow;
}

class QAction;
class QMenu;

namespace qb {

class Connection;
class Detection;
class Host;
class BlockPresenter;
class OutputRead;
class ServoMenus;
class ServoPanel;
class ServoWrite;
class MachineStore;
class OsVersion;
class PortScanDialog;
class SerialPort;
class SettingsStore;
class Timer;
class Transport;

// "Hauptform": the main window. It owns everything that lives longer than
// one action and hands it to the other windows.
class MainWindow : public QMainWindow, public MainView, public IdentificationView {
    Q_OBJECT
public:
    struct Services {
        Host& host;
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

    Ui::MainWindow& ui() { return *ui_; }
    Host& host() { return services_.host; }
    Transport& transport() { return *transport_; }
    Connection& connection() { return *connection_; }
    Detection& detection() { return *detection_; }
    Identification& identification() { return *identification_; }
    OutputRead& outputRead() { return *outputRead_; }
    DecoderIdentity& identity() { return identity_; }
    OutputSettings& outputSettings() { return settings_; }
    ServoWrite& servoWrite() { return *servoWrite_; }
    ServoPanel& servoPanel() { return *servoPanel_; }
    ServoMenus& servoMenus() { return *servoMenus_; }
    // The text of list entry n (1-based); empty where there is none.
    QString entryText(int n) const;

    // Panel state shared with the dialogs.
    bool AtLeftEnd = false;
    bool AtRightEnd = false;
    bool ChangeMarkingActive = false;
    int SelectedOutputIndex = 0;
    int SelectedLayoutCode = 0;

    QAction* portEntry(int n) const;
    QMenu* menu(const QString& objectName) const;
    PortScanDialog* portScanDialog() const { return scanDialog_.get(); }
    // The double click on the output list: lays the panel out, reads the
    // output and enables what acts on it.
    void selectOutput(int index);
    void openPortScan();
    void showAbout();
    void showHelp(const QString& title, const QString& text);

    // MainView
    void setStatus(const QString& text) override;
    QString status() const override;
    void setPortDisplay(const QString& text) override;
    void checkPortEntry(int n, int uncheckUpTo) override;
    void setConnectionHint(const QString& text) override;
    void showPowerUpState(const QString& caption) override;
    void unloadWindows(const QStringList& objectNames) override;
    void closeMainWindow() override;

    // IdentificationView
    QString hintText() const override;
    void setHintText(const QString& text) override;
    void applyLayout(const FamilyLayout& layout) override;
    void enableOutputList() override;
    void showBlock(const ConfigBlock& block) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectMenus();
    void applyChange(const ControlChange& change);
    void fillOutputList(const QStringList& entries);
    void layOutPanel(const QString& entryText);
    void updateEndFlags();
    void createServoParts();

    Services services_;
    std::unique_ptr<Ui::MainWindow> ui_;
    DecoderIdentity identity_;
    OutputSettings settings_;
    std::unique_ptr<Transport> transport_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<Detection> detection_;
    std::unique_ptr<Identification> identification_;
    std::unique_ptr<OutputRead> outputRead_;
    std::unique_ptr<ServoWrite> servoWrite_;
    std::unique_ptr<BlockPresenter> presenter_;
    std::unique_ptr<ServoPanel> servoPanel_;
    std::unique_ptr<ServoMenus> servoMenus_;
    std::unique_ptr<Timer> activation_;
    std::unique_ptr<PortScanDialog> scanDialog_;
};

}  // namespace qb
