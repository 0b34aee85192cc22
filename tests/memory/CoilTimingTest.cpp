#include "memory/CoilTiming.h"

#include <gtest/gtest.h>

using namespace qb;

TEST(CoilTiming, TimeValues)
{
    struct Case {
        const char* text;
        float seconds;
    };
    for (const Case c : {Case{"2,5", 2.5F}, Case{"12,", 12.0F}, Case{",5", 0.5F}, Case{"60", 60.0F}, Case{"", 0.0F},
                         Case{",", 0.0F}, Case{"1.5", 0.0F}})
        EXPECT_FLOAT_EQ(coilTimeValue(c.text), c.seconds) << c.text;
}

TEST(CoilTiming, EntryRules)
{
    using V = CoilTimeEntry::Verdict;
    struct Case {
        const char* typed;
        V verdict;
        const char* shown;
    };
    const Case cases[] = {
        {"12,34", V::Accepted, "12,3"}, {"1,25", V::Accepted, "1,2"}, {"1,", V::Accepted, "1,"},
        {"60", V::Accepted, "60"},      {"60,0", V::Accepted, "60,0"}, {"", V::Accepted, ""},
        {"1,2,3", V::TooManyCommas, "0,0"}, {",,", V::TooManyCommas, "0,0"},
        {"61", V::TooLong, "0,0"},      {"60,5", V::TooLong, "0,0"},
    };
    for (const Case& c : cases) {
        const CoilTimeEntry entry = checkCoilTimeEntry(c.typed);
        EXPECT_EQ(entry.verdict, c.verdict) << c.typed;
        EXPECT_EQ(entry.text, QString::fromUtf8(c.shown)) << c.typed;
    }
}
