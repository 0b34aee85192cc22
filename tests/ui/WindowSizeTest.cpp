#include "ui/WindowSize.h"

#include <gtest/gtest.h>

using namespace qb;

TEST(WindowSize, VersionNamesAndTheSizeTheyGive)
{
    struct Case {
        std::optional<OsVersionInfo> version;
        const char* name;
        bool large;
    };
    const Case cases[] = {
        {std::nullopt, "", false},
        {OsVersionInfo{3, 1, 0}, "Win32s für Windows 3.x", false},
        {OsVersionInfo{4, 0, 1}, "Windows 95", false},
        {OsVersionInfo{4, 10, 1}, "Windows 98", false},
        {OsVersionInfo{4, 90, 1}, "Windows Me", false},
        {OsVersionInfo{4, 50, 1}, "", false},
        {OsVersionInfo{3, 51, 2}, "Windows NT 3.51", false},
        {OsVersionInfo{4, 0, 2}, "Windows NT 4.0", false},
        {OsVersionInfo{5, 0, 2}, "Windows 2000", false},
        {OsVersionInfo{5, 1, 2}, "Windows XP", false},
        {OsVersionInfo{5, 2, 2}, "", false},
        {OsVersionInfo{6, 0, 2}, "Windows Vista", true},
        {OsVersionInfo{6, 1, 2}, "Windows 7", true},
        {OsVersionInfo{6, 2, 2}, "", false},
        {OsVersionInfo{10, 0, 2}, "Windows Folgeversion", false},
        {OsVersionInfo{6, 1, 3}, "", false},
    };
    for (const Case& c : cases) {
        const QString name = WindowsVersionName(c.version);
        EXPECT_EQ(name, QString::fromUtf8(c.name));
        EXPECT_EQ(mainWindowTwips(name), c.large ? QSize(6940, 7400) : QSize(6735, 7100)) << c.name;
    }
}
