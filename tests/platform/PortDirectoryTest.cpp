#include "platform/PortDirectory.h"

#include "support/MemorySettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace qb {
namespace {

struct DirectoryCase {
    const char* name;
    std::map<int, QString> storePins;                  // Quenbrix_551 / Ports / Port<N>
    std::vector<std::pair<int, QString>> runPins;     // pin() calls, in order
    QStringList systemDevices;
    std::map<int, std::optional<QString>> expected;  // number -> device
};

void PrintTo(const DirectoryCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::optional<QString> None;

std::vector<DirectoryCase> directoryCases()
{
    return {
        {"unpinned numbers take the system devices sorted by path",
         {}, {},
         {"/dev/ttyUSB1", "/dev/ttyS0", "/dev/ttyUSB0"},
         {{1, "/dev/ttyS0"}, {2, "/dev/ttyUSB0"}, {3, "/dev/ttyUSB1"}, {4, None}, {20, None}}},
        {"numbers in device names sort by value",
         {}, {},
         {"/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyACM0"},
         {{1, "/dev/ttyACM0"}, {2, "/dev/ttyUSB2"}, {3, "/dev/ttyUSB10"}}},
        {"a device the system reports twice is handed out once",
         {}, {},
         {"/dev/ttyS1", "/dev/ttyS1"},
         {{1, "/dev/ttyS1"}, {2, None}}},
        {"a store pin holds its number, the others move up",
         {{2, "/dev/ttyACM7"}}, {},
         {"/dev/ttyS1", "/dev/ttyS0"},
         {{1, "/dev/ttyS0"}, {2, "/dev/ttyACM7"}, {3, "/dev/ttyS1"}, {4, None}}},
        {"a system device pinned elsewhere is not handed out twice",
         {{3, "/dev/ttyS0"}}, {},
         {"/dev/ttyS0", "/dev/ttyS1"},
         {{1, "/dev/ttyS1"}, {2, None}, {3, "/dev/ttyS0"}}},
        {"a run pin wins over the store, freeing the stored device",
         {{1, "/dev/ttyS0"}}, {{1, "/dev/pts/4"}},
         {"/dev/ttyS0"},
         {{1, "/dev/pts/4"}, {2, "/dev/ttyS0"}}},
        {"the last number can be pinned without any system device",
         {}, {{20, "/dev/pts/9"}},
         {},
         {{1, None}, {19, None}, {20, "/dev/pts/9"}}},
        {"an empty run pin falls back to the store",
         {{5, "/dev/ttyS5"}}, {{5, "/dev/pts/1"}, {5, ""}},
         {},
         {{5, "/dev/ttyS5"}}},
        {"numbers outside 1..20 have no device and cannot be pinned",
         {{0, "/dev/ttyS8"}, {21, "/dev/ttyS9"}}, {{0, "/dev/pts/1"}, {21, "/dev/pts/2"}, {-1, "/dev/pts/3"}},
         {"/dev/ttyS0"},
         {{0, None}, {21, None}, {-1, None}, {1, "/dev/ttyS0"}}},
    };
}

class PortDirectoryTable : public ::testing::TestWithParam<DirectoryCase> {};

TEST_P(PortDirectoryTable, MapsNumbersToDevices)
{
    const DirectoryCase& c = GetParam();
    test::MemorySettingsStore store;
    for (const auto& [number, device] : c.storePins)
        store.setValue("Quenbrix_551", "Ports", QStringLiteral("Port%1").arg(number), device);
    // Entries of other applications or sections do not pin anything.
    store.setValue("Quenbrix", "Ports", "Port1", "/dev/elsewhere1");
    store.setValue("Quenbrix_551", "Port", "Port1", "/dev/elsewhere2");

    PortDirectory directory(store, [&] { return c.systemDevices; });
    for (const auto& [number, device] : c.runPins)
        directory.pin(number, device);

    for (const auto& [number, device] : c.expected)
        EXPECT_EQ(directory.deviceFor(number), device) << "port " << number;
}

INSTANTIATE_TEST_SUITE_P(Cases, PortDirectoryTable, ::testing::ValuesIn(directoryCases()),
                         [](const auto& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(PortDirectory, FollowsDevicesComingAndGoing)
{
    test::MemorySettingsStore store;
    QStringList present = {"/dev/ttyUSB0"};
    PortDirectory directory(store, [&] { return present; });
    EXPECT_EQ(directory.deviceFor(1), QString("/dev/ttyUSB0"));

    present.prepend("/dev/ttyACM0");  // plugged in later, sorts first
    EXPECT_EQ(directory.deviceFor(1), QString("/dev/ttyACM0"));
    EXPECT_EQ(directory.deviceFor(2), QString("/dev/ttyUSB0"));

    present.clear();
    EXPECT_EQ(directory.deviceFor(1), std::nullopt);
}

}  // namespace
}  // namespace qb

namespace qb {
namespace {

// A device folder of plain files standing for devices, and a stable-name
// folder of links to them, as /dev and /dev/serial/by-id.
class FakeDevices {
public:
    FakeDevices()
    {
        QDir(root_.path()).mkpath("dev");
        QDir(root_.path()).mkpath("by-id");
    }
    QString device(const QString& name) const { return root_.filePath("dev/" + name); }
    QString stable(const QString& name) const { return root_.filePath("by-id/" + name); }
    QString stableFolder() const { return root_.filePath("by-id"); }
    void plug(const QString& name)
    {
        QFile file(device(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    void unplug(const QString& name) { QFile::remove(device(name)); }
    // The system's link from the adapter's stable name to its device now.
    void link(const QString& stableName, const QString& deviceName)
    {
        QFile::remove(stable(stableName));
        ASSERT_TRUE(QFile::link(device(deviceName), stable(stableName)));
    }

private:
    QTemporaryDir root_;
};

const QString Adapter = QStringLiteral("usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0");

TEST(PortDirectoryStableNames, ARepluggedAdapterKeepsItsNumber)
{
    FakeDevices fake;
    fake.plug("ttyS0");
    fake.plug("ttyUSB0");
    fake.link(Adapter, "ttyUSB0");
    test::MemorySettingsStore store;
    QStringList present = {fake.device("ttyS0"), fake.device("ttyUSB0")};
    PortDirectory directory(store, [&] { return present; }, fake.stableFolder());
    ASSERT_EQ(directory.deviceFor(2), fake.device("ttyUSB0"));

    // A decoder answered on 2: the number is stored by the adapter's stable name.
    directory.keep(2, fake.device("ttyUSB0"));
    EXPECT_EQ(store.value("Quenbrix_551", "Ports", "Port2", {}), fake.stable(Adapter));
    EXPECT_TRUE(directory.describe(2).endsWith("ttyUSB0 (" + Adapter + "), fest zugeordnet"))
        << directory.describe(2).toStdString();

    // Re-plugged while another adapter took ttyUSB0: it comes back as ttyUSB1.
    fake.plug("ttyUSB1");
    fake.link(Adapter, "ttyUSB1");
    present = {fake.device("ttyS0"), fake.device("ttyUSB0"), fake.device("ttyUSB1")};
    EXPECT_EQ(directory.deviceFor(2), fake.stable(Adapter));
    EXPECT_EQ(directory.deviceFor(1), fake.device("ttyS0"));
    // ttyUSB1 is the pinned adapter: not handed out under a second number.
    EXPECT_EQ(directory.deviceFor(3), fake.device("ttyUSB0"));
    EXPECT_EQ(directory.deviceFor(4), std::nullopt);
    EXPECT_TRUE(directory.describe(2).contains("ttyUSB1 (" + Adapter + ")")) << directory.describe(2).toStdString();

    // Unplugged: the number waits for it and says so.
    QFile::remove(fake.device("ttyUSB1"));
    EXPECT_EQ(directory.deviceFor(2), fake.stable(Adapter));
    EXPECT_TRUE(directory.describe(2).contains("(nicht vorhanden)")) << directory.describe(2).toStdString();
    EXPECT_EQ(directory.describe(5), QStringLiteral("kein Gerät"));
}

TEST(PortDirectoryStableNames, WhatIsKeptAndWhatIsNot)
{
    FakeDevices fake;
    fake.plug("ttyS0");
    fake.plug("ttyUSB0");
    fake.link(Adapter, "ttyUSB0");
    test::MemorySettingsStore store;
    const QStringList present = {fake.device("ttyS0"), fake.device("ttyUSB0")};
    PortDirectory directory(store, [&] { return present; }, fake.stableFolder());

    // Without a stable name nothing is stored: the number follows the system's order.
    directory.keep(1, fake.device("ttyS0"));
    EXPECT_TRUE(store.values.isEmpty());

    // A run pin is the command line's, for this run only.
    directory.pin(4, fake.device("ttyUSB0"));
    directory.keep(4, fake.device("ttyUSB0"));
    EXPECT_TRUE(store.values.isEmpty());
    EXPECT_TRUE(directory.describe(4).endsWith(", für diesen Lauf zugeordnet")) << directory.describe(4).toStdString();
    directory.pin(4, {});

    // Found under another number later: the adapter has one number, the new one.
    directory.keep(2, fake.device("ttyUSB0"));
    directory.keep(6, fake.stable(Adapter));
    EXPECT_EQ(store.value("Quenbrix_551", "Ports", "Port6", {}), fake.stable(Adapter));
    EXPECT_EQ(store.value("Quenbrix_551", "Ports", "Port2", {}), QString());

    // Numbers outside 1..20 are never stored.
    store.values.clear();
    directory.keep(0, fake.device("ttyUSB0"));
    directory.keep(21, fake.device("ttyUSB0"));
    EXPECT_TRUE(store.values.isEmpty());

    // A system without stable names.
    PortDirectory plain(store, [&] { return present; }, QString());
    plain.keep(2, fake.device("ttyUSB0"));
    EXPECT_TRUE(store.values.isEmpty());
    EXPECT_EQ(plain.stableNameOf(fake.device("ttyUSB0")), QString());
}

}  // namespace
}  // namespace qb
