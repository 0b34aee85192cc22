#pragma once

#include "decoder/Detection.h"
#include "link/Connection.h"
#include "link/Transport.h"
#include "simulator/DecoderDevice.h"
#include "simulator/SimulatedPort.h"
#include "support/MemorySettingsStore.h"
#include "support/TestHost.h"
#include "ui/MainWindow.h"
#include "ui_Hauptform.h"

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

    MainWindow& window()
    {
        if (!window_) {
            window_ = std::make_unique<MainWindow>(
                MainWindow::Services{host, port, settings, machine, os, QStringLiteral("/opt/quenbrix"), pinned});
            QObject::connect(window_->ui().Status, &QLineEdit::textChanged,
                             [this](const QString& text) { statusLog << text; });
        }
        return *window_;
    }
    // Loads the window and lets the start-up sequence run.
    void start(qint64 runMs = 60'000)
    {
        window().start();
        host.advanceMs(runMs);
    }

    Connection& connection() { return window().connection(); }
    Detection& detection() { return window().detection(); }
    Transport& transport() { return window().transport(); }
    Ui::MainWindow& ui() { return window().ui(); }
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

private:
    std::unique_ptr<MainWindow> window_;
};

}  // namespace qb::test
