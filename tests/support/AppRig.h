#pragma once

#include "platform/PortSwitch.h"
#include "session/Connection.h"
#include "session/DecoderSession.h"
#include "session/Detection.h"
#include "simulator/DecoderDevice.h"
#include "simulator/SimulatedPort.h"
#include "support/MemorySettingsStore.h"
#include "support/TestHost.h"
#include "support/UserInput.h"
#include "coil/CoilPanel.h"
#include "servo/ServoPanel.h"
#include "trafficlight/TrafficLightPanel.h"
#include "ui/MainWindow.h"
#include "ui/OutputIndicators.h"
#include "ui_CoilPanel.h"
#include "ui_Hauptform.h"
#include "ui_OutputIndicators.h"
#include "ui_ServoPanel.h"
#include "ui_TrafficLightPanel.h"

#include <QLineEdit>

namespace qb::test {

class MemoryMachineStore : public MachineStore {
public:
    bool writeValue(const QString& keyPath, const QString& name, const QVariant& value) override
    {
        if (!writable)
            return false;
        values[keyPath + '\\' + name] = value;
        return true;
    }
    bool writable = true;
    QMap<QString, QVariant> values;
};

class FixedOsVersion : public OsVersion {
public:
    std::optional<OsVersionInfo> query() const override { return version; }
    std::optional<OsVersionInfo> version;
};

// The main window on the simulated decoder in virtual time.
struct AppRig {
    explicit AppRig(sim::DeviceConfig config = {}, std::optional<int> storedPort = 1)
        : device(config), port(host, device)
    {
        if (storedPort) {
            settings.setValue("Quenbrix_551", "Parameter", "Com_Port", QString::number(*storedPort));
            settings.setValue("Quenbrix_551", "Parameter", "Location", "/home/user/backups");
        }
    }

    // A second decoder on port 2, as when the user moves the cable to another
    // decoder; call before the window is made.
    sim::DecoderDevice& addSecondDecoder(sim::DeviceConfig config)
    {
        device2 = std::make_unique<sim::DecoderDevice>(config);
        port2 = std::make_unique<sim::SimulatedPort>(host, *device2);
        switched = std::make_unique<PortSwitch>(
            [this](int number) -> SerialPort& { return number == 2 ? static_cast<SerialPort&>(*port2) : port; },
            std::initializer_list<SerialPort*>{&port, port2.get()});
        return *device2;
    }

    MainWindow& window()
    {
        if (!window_) {
            SerialPort& line = switched ? static_cast<SerialPort&>(*switched) : port;
            window_ = std::make_unique<MainWindow>(
                MainWindow::Services{host, line, settings, machine, os, QStringLiteral("/opt/quenbrix"), pinned});
            QObject::connect(window_->ui().Status, &QLineEdit::textChanged,
                             [this](const QString& text) { statusLog << text; });
        }
        return *window_;
    }
    // Loads the window and lets the start-up sequence run.
    void start(qint64 runMs = 60'000)
    {
        window().start();
        host.activate(window());
        host.advanceMs(runMs);
    }

    DecoderSession& session() { return window().session(); }
    const DecoderIdentity& identity() { return session().identity(); }
    OutputSettings& outputSettings() { return session().settings(); }
    Connection& connection() { return session().connection(); }
    const Detection& detection() { return session().detection(); }
    Ui::Hauptform& ui() { return window().ui(); }
    Ui::ServoPanel& servo() { return window().servoPanel().ui(); }
    Ui::OutputIndicators& indicators() { return window().servoPanel().indicators().ui(); }
    Ui::TrafficLightPanel& trafficLight() { return window().trafficLightPanel().ui(); }
    Ui::CoilPanel& coil() { return window().coilPanel().ui(); }
    QAction* menuEntry(const QString& name) { return window().findChild<QAction*>(name); }

    // The user's hands: a double click on list entry n (1-based), a menu
    // entry chosen from the menu bar by its object name.
    void doubleClickOutput(int n) { doubleClickEntry(ui().Servo, n - 1); }
    bool choose(const QString& entryName) { return chooseMenuEntry(window(), menuEntry(entryName)); }
    std::vector<QByteArray> frames() const { return device.receivedFrames(); }
    QString stored(const QString& key) const { return settings.value("Quenbrix_551", "Parameter", key, "<none>"); }
    QStringList checkedPorts()
    {
        QStringList checked;
        for (int n = 1; n <= Connection::PortCount; ++n)
            if (window().portEntry(n)->isChecked())
                checked << QString::number(n);
        return checked;
    }

    TestHost host;
    sim::DecoderDevice device;
    sim::SimulatedPort port;
    MemorySettingsStore settings;
    MemoryMachineStore machine;
    FixedOsVersion os;
    std::optional<int> pinned;
    QStringList statusLog;
    std::unique_ptr<sim::DecoderDevice> device2;
    std::unique_ptr<sim::SimulatedPort> port2;
    std::unique_ptr<PortSwitch> switched;

private:
    std::unique_ptr<MainWindow> window_;
};

}  // namespace qb::test
