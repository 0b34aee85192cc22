#include "platform/PortDirectory.h"

#include "platform/Stores.h"

#include <QDir>
#include <QFileInfo>
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

QString pinKey(int number)
{
    return QStringLiteral("Port%1").arg(number);
}

// The file a path finally names, links followed; the path itself when it
// names nothing (yet).
QString resolved(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

bool sameDevice(const QString& a, const QString& b)
{
    return !a.isEmpty() && !b.isEmpty() && (a == b || resolved(a) == resolved(b));
}

}  // namespace

PortDirectory::PortDirectory(SettingsStore& settings, DeviceList systemDevices, QString stableFolder)
    : settings_(settings),
      systemDevices_(systemDevices ? std::move(systemDevices) : DeviceList(&systemSerialDevices)),
      stableFolder_(std::move(stableFolder))
{
}

QString PortDirectory::defaultStableFolder()
{
#if defined(Q_OS_LINUX)
    return QStringLiteral("/dev/serial/by-id");
#else
    return {};
#endif
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
    return settings_.value(SettingsApp, SettingsSection, pinKey(number), {}).trimmed();
}

QString PortDirectory::stableNameOf(const QString& device) const
{
    if (stableFolder_.isEmpty() || device.isEmpty())
        return {};
    const QDir folder(stableFolder_);
    if (QFileInfo(device).absolutePath() == folder.absolutePath())
        return device;  // named by its stable name already
    const QString target = resolved(device);
    for (const QFileInfo& link : folder.entryInfoList(QDir::Files | QDir::System, QDir::Name))
        if (resolved(link.absoluteFilePath()) == target)
            return link.absoluteFilePath();
    return {};
}

void PortDirectory::keep(int number, const QString& device)
{
    if (number < FirstNumber || number > LastNumber || !runPin(number).isEmpty())
        return;
    const QString stable = stableNameOf(device);
    if (stable.isEmpty() || pinnedDevice(number) == stable)
        return;
    // The adapter may have been pinned under another number before: it has one.
    for (int n = FirstNumber; n <= LastNumber; ++n)
        if (n != number && settings_.value(SettingsApp, SettingsSection, pinKey(n), {}).trimmed() == stable)
            settings_.setValue(SettingsApp, SettingsSection, pinKey(n), {});
    settings_.setValue(SettingsApp, SettingsSection, pinKey(number), stable);
}

QString PortDirectory::describe(int number) const
{
    const std::optional<QString> device = deviceFor(number);
    if (!device)
        return QStringLiteral("kein Gerät");
    const QString target = resolved(*device);
    const bool present = QFileInfo::exists(*device);
    QString text = present ? target : *device;
    const QString stable = stableNameOf(*device);
    if (present && !stable.isEmpty())
        text += QStringLiteral(" (%1)").arg(QFileInfo(stable).fileName());
    if (!present)
        text += QStringLiteral(" (nicht vorhanden)");
    if (!runPin(number).isEmpty())
        text += QStringLiteral(", für diesen Lauf zugeordnet");
    else if (!pinnedDevice(number).isEmpty())
        text += QStringLiteral(", fest zugeordnet");
    return text;
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
    // A device pinned by its stable name is the same device as its
    // /dev/ttyUSB* entry: it is not handed out a second time.
    const auto pinnedElsewhere = [&](const QString& device) {
        return std::any_of(pinnedAnywhere.cbegin(), pinnedAnywhere.cend(),
                           [&](const QString& pinned) { return sameDevice(pinned, device); });
    };
    QStringList free;
    for (const QString& device : systemDevices_())
        if (!device.isEmpty() && !pinnedElsewhere(device) && !free.contains(device))
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
