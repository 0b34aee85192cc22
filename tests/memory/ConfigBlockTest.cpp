#include "memory/ConfigBlock.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace qb;

namespace {

// A variant-3 block in block order: fields 1..23 = 1, 2, .., 23, output 4,
// identification, status 9, bus lane ':' (10).
QByteArray fullBlock()
{
    QByteArray text;
    for (int k = 1; k <= 23; ++k)
        text += QByteArray::number(k).rightJustified(3, '0');
    return text + "4" + "L1164566" + "9" + ":";
}

QByteArray reversed(QByteArray text)
{
    std::reverse(text.begin(), text.end());
    return text;
}

}  // namespace

TEST(ConfigBlock, TheLastCharacterReceivedIsPositionOne)
{
    const QByteArray wire = reversed(fullBlock());
    const ConfigBlock block(wire);
    EXPECT_EQ(block.text(), fullBlock());
    EXPECT_EQ(block.length(), 80);
    EXPECT_EQ(block.field(1), 1);
    EXPECT_EQ(block.field(23), 23);
    EXPECT_EQ(ConfigBlock::fromReversed(fullBlock()).text(), fullBlock());
}

TEST(ConfigBlock, FieldsAreThreeDigitBytes)
{
    struct Case {
        QByteArray text;  // the whole block
        std::optional<int> field1;
    };
    const Case cases[] = {
        {"000128", 0},
        {"007128", 7},
        {"255", 255},
        {"256128", std::nullopt},  // not a byte
        {"999128", std::nullopt},
        {"1a2128", std::nullopt},
        {" 12128", std::nullopt},
        {"-12128", std::nullopt},
        {"+12128", std::nullopt},
        {"12", std::nullopt},  // did not arrive completely
        {"", std::nullopt},
        {QByteArray("\xB2" "12128", 6), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(ConfigBlock::fromReversed(c.text).field(1), c.field1);
    }

    const ConfigBlock block = ConfigBlock::fromReversed(fullBlock());
    for (int k : {-1, 0, 24, 27})
        EXPECT_EQ(block.field(k), std::nullopt) << k;
}

TEST(ConfigBlock, PairsAreHighByteFirstAndNeedBothFields)
{
    struct Case {
        QByteArray text;
        int first;
        std::optional<int> value;
    };
    const Case cases[] = {
        {"000000000000007208", 5, 2000},
        {"000000000000255255", 5, 65535},
        {"000000000000000000", 5, 0},
        {"0000000000000072x8", 5, std::nullopt},
        {"00000000000000720", 5, std::nullopt},  // low byte cut short
        {"000000000000007", 5, std::nullopt},
        {"000000000000007208", 6, std::nullopt},  // field 7 did not arrive
        {fullBlock(), 22, 22 * 256 + 23},
        {fullBlock(), 23, std::nullopt},  // there is no field 24
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " / " + std::to_string(c.first));
        EXPECT_EQ(ConfigBlock::fromReversed(c.text).pair(c.first), c.value);
    }
}

TEST(ConfigBlock, TrailingPositionsOfABlockCutShort)
{
    struct Case {
        int length;
        std::optional<char> output;
        QString id;
        std::optional<int> status;
        int busLane;
        bool field23;
    };
    const Case cases[] = {
        {80, '4', "L1164566", 9, 10, true},
        {79, '4', "L1164566", 9, 0, true},
        {78, '4', "L1164566", std::nullopt, 0, true},
        {74, '4', "L116", std::nullopt, 0, true},
        {70, '4', "", std::nullopt, 0, true},
        {69, std::nullopt, "", std::nullopt, 0, true},
        {68, std::nullopt, "", std::nullopt, 0, false},
        {0, std::nullopt, "", std::nullopt, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const ConfigBlock block = ConfigBlock::fromReversed(fullBlock().left(c.length));
        EXPECT_EQ(block.length(), c.length);
        EXPECT_EQ(block.outputDigit(), c.output);
        EXPECT_EQ(block.decoderId(), c.id);
        EXPECT_EQ(block.statusDigit(), c.status);
        EXPECT_EQ(block.busLaneDigit(), c.busLane);
        EXPECT_EQ(block.field(23).has_value(), c.field23);
        EXPECT_EQ(block.field(22).has_value(), c.length >= 66);
    }
}

TEST(ConfigBlock, StatusAndBusLaneDigitsAreCharacterCodesMinus48)
{
    struct Case {
        QByteArray tail;  // positions 79 and 80
        int status;
        int busLane;
    };
    const Case cases[] = {
        {"00", 0, 0},         {"3;", 3, 11},  {":?", 10, 15}, {"/@", -1, 16},
        {"\x01\x01", -47, -47}, {"\xFF\xFF", 207, 207},
    };
    const QByteArray head = fullBlock().left(78);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail.toStdString());
        const ConfigBlock block = ConfigBlock::fromReversed(head + c.tail);
        EXPECT_EQ(block.statusDigit(), c.status);
        EXPECT_EQ(block.busLaneDigit(), c.busLane);
    }
}

TEST(ConfigBlock, OnlyABlockOfThisDecoderForThisOutputIsUsable)
{
    // 69 digits of fields, the output digit, the identification, the status digit.
    const QByteArray fields(69, '0');
    struct Case {
        const char* name;
        QByteArray text;  // in block order
        int output;
        BlockCheck check;
    };
    const Case cases[] = {
        {"complete", fields + "3R5--XC452", 3, BlockCheck::Usable},
        {"short of its status digit", fields + "3R5--XC45", 3, BlockCheck::Usable},
        {"output 12", fields + "<R5--XC452", 12, BlockCheck::Usable},
        {"cut in the identification", fields + "3R5--XC4", 3, BlockCheck::TooShort},
        {"nothing", "", 3, BlockCheck::TooShort},
        {"another decoder", fields + "3R5--XC482", 3, BlockCheck::OtherDecoder},
        {"shifted by one", "\x06" + fields + "3R5--XC45", 3, BlockCheck::OtherDecoder},
        {"noise", QByteArray(79, '#'), 3, BlockCheck::OtherDecoder},
        {"another output", fields + "4R5--XC452", 3, BlockCheck::OtherOutput},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkBlock(ConfigBlock::fromReversed(c.text), c.output, "R5--XC45"), c.check) << c.name;
}
