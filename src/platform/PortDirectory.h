#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace qb {

class SettingsStore;

// Which device stands behind each of the program's port numbers 1..20.
//
// A number can be pinned to a device for this run (pin(), from the command
// line) or in the settings (Quenbrix_551 / Ports / Port<N>); a run pin wins.
// The remaining numbers take the system's serial devices that are pinned
// nowhere, in path order: the lowest free number gets the first of them.
class PortDirectory {
public:
    static constexpr int FirstNumber = 1;
    static constexpr int LastNumber = 20;

    using DeviceList = std::function<QStringList()>;

    // `systemDevices` lists the serial devices present; by default the system's.
    explicit PortDirectory(const SettingsStore& settings, DeviceList systemDevices = {});

    // Pins the number to the device for this run; an empty device removes the pin.
    void pin(int number, const QString& device);

    // The device behind the number; nothing outside 1..20 or when none is there.
    std::optional<QString> deviceFor(int number) const;

    // The serial devices the system reports, by their paths.
    static QStringList systemSerialDevices();

private:
    QString pinnedDevice(int number) const;

    const SettingsStore& settings_;
    DeviceList systemDevices_;
    QMap<int, QString> runPins_;
};

}  // namespace qb
