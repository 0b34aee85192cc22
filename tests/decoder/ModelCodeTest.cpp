#include "decoder/ModelCode.h"

#include <gtest/gtest.h>

using namespace qb;

TEST(ModelCode, ModelCodeAndVariantOfAnAnswer)
{
    struct Case {
        const char* reversed;
        std::optional<int> at;
        std::optional<int> variant;
    };
    const Case cases[] = {
        {"0000R5--XC452", 4, 2},
        {"000R5494940", 3, std::nullopt},  // the oldest servo decoder: identification decides
        {"R5XC6645", 0, 2},
        {"xxBR5-XC42", 2, 2},
        {"xxL7466469", 2, 3},
        {"xL1164566", 1, 3},  // 80-character blocks, like "L7"
        {"N7654345", 0, 2},
        {"9999V7904840", 4, 2},
        {"R0904840", 0, 2},
        {"B5984848", 0, 2},
        {"L6454348", 0, 2},
        {"R5999999", 0, std::nullopt},
        {"######", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"#####R", std::nullopt, std::nullopt},  // a code cannot start at the last character
        {"#####L7", 5, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reversed);
        const auto at = findModelCode(c.reversed);
        EXPECT_EQ(at, c.at);
        if (at) {
            EXPECT_EQ(variantForAnswer(c.reversed, *at), c.variant);
        }
    }
}

TEST(ModelCode, OutputDigitOfEveryOutput)
{
    // Outputs 10..16 answer with the characters after '9', 16 with "0".
    const char expected[] = "123456789:;<=>?0";
    for (int n = 1; n <= 16; ++n)
        EXPECT_EQ(outputDigit(n), expected[n - 1]) << n;
}
