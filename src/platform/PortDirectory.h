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
//
// USB adapters come back under another /dev/ttyUSB* when re-plugged; the
// system's stable names for them (/dev/serial/by-id/...) do not change.
// keep() stores a number's device by that name, so the number follows the
// adapter.
class PortDirectory {
public:
    static constexpr int FirstNumber = 1;
    static constexpr int LastNumber = 20;

    using DeviceList = std::function<QStringList()>;

    // `systemDevices` lists the serial devices present, by default the
    // system's; `stableFolder` holds the stable names as links to them.
    explicit PortDirectory(SettingsStore& settings, DeviceList systemDevices = {},
                           QString stableFolder = defaultStableFolder());

    // Pins the number to the device for this run; an empty device removes the pin.
    void pin(int number, const QString& device);

    // A decoder answered through the number's device: where the device has a
    // stable name, the settings pin the number to it. A run pin is left
    // alone, as is a device without a stable name (its number keeps following
    // the system's order).
    void keep(int number, const QString& device);

    // The device behind the number; nothing outside 1..20 or when none is there.
    std::optional<QString> deviceFor(int number) const;

    // What stands behind the number, for the user: "/dev/ttyUSB0
    // (usb-FTDI_...), fest zugeordnet", "kein Gerät".
    QString describe(int number) const;

    // The stable name of a device (a path in the stable folder), or nothing.
    QString stableNameOf(const QString& device) const;

    // The serial devices the system reports, by their paths.
    static QStringList systemSerialDevices();
    static QString defaultStableFolder();

private:
    QString pinnedDevice(int number) const;
    QString runPin(int number) const { return runPins_.value(number); }

    SettingsStore& settings_;
    DeviceList systemDevices_;
    QString stableFolder_;
    QMap<int, QString> runPins_;
};

}  // namespace qb
