#include "platform/PortDirectory.h"

#include "support/MemorySettingsStore.h"

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
