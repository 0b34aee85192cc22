#include "platform/PortDirectory.h"

#include "platform/Stores.h"

#include <QSerialPortInfo>
#include <algorithm>

namespace qb {

namespace {

const QString SettingsApp = QStringLiteral("Quenbrix_551");
const QString SettingsSection = QStringLiteral("Ports");

// Digit runs compare by value, so /dev/ttyUSB2 comes before /dev/ttyUSB10.
bool pathLess(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            // Skip leading zeros; then the longer run is the larger number.
            while (i + 1 < a.size() && a[i] == u'0' && a[i + 1].isDigit())
                ++i;
            while (j + 1 < b.size() && b[j] == u'0' && b[j + 1].isDigit())
                ++j;
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            if (ei - i != ej - j)
                return ei - i < ej - j;
            if (const int c = QStringView(a).sliced(i, ei - i).compare(QStringView(b).sliced(j, ej - j)))
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j)
        return a.size() - i < b.size() - j;
    return a < b;  // the same but for leading zeros: still a fixed order
}

}  // namespace

PortDirectory::PortDirectory(const SettingsStore& settings, DeviceList systemDevices)
    : settings_(settings),
      systemDevices_(systemDevices ? std::move(systemDevices) : DeviceList(&systemSerialDevices))
{
}

void PortDirectory::pin(int number, const QString& device)
{
    if (number < FirstNumber || number > LastNumber)
        return;
    if (device.trimmed().isEmpty())
        runPins_.remove(number);
    else
        runPins_[number] = device.trimmed();
}

QString PortDirectory::pinnedDevice(int number) const
{
    if (const auto it = runPins_.constFind(number); it != runPins_.cend())
        return *it;
    return settings_.value(SettingsApp, SettingsSection, QStringLiteral("Port%1").arg(number), {}).trimmed();
}

std::optional<QString> PortDirectory::deviceFor(int number) const
{
    if (number < FirstNumber || number > LastNumber)
        return std::nullopt;
    if (const QString pinned = pinnedDevice(number); !pinned.isEmpty())
        return pinned;

    QStringList pinnedAnywhere;
    for (int n = FirstNumber; n <= LastNumber; ++n)
        pinnedAnywhere << pinnedDevice(n);
    QStringList free;
    for (const QString& device : systemDevices_())
        if (!device.isEmpty() && !pinnedAnywhere.contains(device) && !free.contains(device))
            free << device;
    std::sort(free.begin(), free.end(), pathLess);

    // This number's place among the unpinned numbers picks its device.
    qsizetype place = 0;
    for (int n = FirstNumber; n < number; ++n)
        if (pinnedAnywhere[n - FirstNumber].isEmpty())
            ++place;
    if (place >= free.size())
        return std::nullopt;
    return free[place];
}

QStringList PortDirectory::systemSerialDevices()
{
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    return devices;
}

}  // namespace qb
