#include "link/Conversions.h"

#include <gtest/gtest.h>

using namespace qb;

TEST(Conversions, ToBinary8)
{
    const std::pair<quint32, const char*> cases[] = {
        {0, "00000000"},  {1, "00000001"},     {5, "00000101"},       {128, "10000000"},
        {255, "11111111"}, {256, "100000000"}, {1023, "1111111111"},
    };
    for (const auto& [x, digits] : cases)
        EXPECT_EQ(ToBinary8(x), QString::fromLatin1(digits)) << x;
}

TEST(Conversions, ToHexText)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1500", "5DC"}, {"0", "0"},         {"8", "8"},       {"12000", "2EE0"},
        {"2000", "7D0"}, {"65535", "FFFF"},  {"65536", "10000"}, {"-1", "FFFFFFFF"},
        {"4294967295", "FFFFFFFF"}, {"", "0"}, {"abc", "0"},   {"99999999999", "0"},
    };
    for (const auto& [decimal, hex] : cases)
        EXPECT_EQ(ToHexText(QString::fromLatin1(decimal)), QString::fromLatin1(hex)) << decimal;
}
