#include "decoder/DecoderTables.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace qb;

TEST(DecoderTables, ThirtyTwoDistinctKnownIdsOfEightCharacters)
{
    EXPECT_EQ(KnownIds().size(), 32);
    EXPECT_EQ(QSet<QString>(KnownIds().begin(), KnownIds().end()).size(), 32);
    for (const QString& id : KnownIds())
        EXPECT_EQ(id.size(), 8) << id.toStdString();
}

TEST(DecoderTables, FamilyByIdentification)
{
    const std::pair<const char*, std::optional<DecoderFamily>> cases[] = {
        {"R5494940", DecoderFamily::ServoEight},     {"R5-7XC42", DecoderFamily::ServoEight},
        {"R5XC6645", DecoderFamily::ServoEight},     {"R8996640", DecoderFamily::ServoFourR8},
        {"R7954740", DecoderFamily::ServoFourR7},    {"N7934745", DecoderFamily::ServoFourN7},
        {"V7966445", DecoderFamily::TurnoutFourWay}, {"R0904840", DecoderFamily::SpecialFive},
        {"B5984848", DecoderFamily::SoundDecoder},   {"BR5-XC42", DecoderFamily::ParkingDecoder},
        {"L6454348", DecoderFamily::TrafficLight1},  {"L9624164", DecoderFamily::TrafficLight2},
        {"L1164566", DecoderFamily::TrafficLight3},  {"L7466469", DecoderFamily::TrafficLight4},
        {"N7XC6645", std::nullopt},                  {"R7644940", std::nullopt},
        {"", std::nullopt},                          {"r5494940", std::nullopt},
    };
    for (const auto& [id, family] : cases) {
        EXPECT_EQ(familyOf(id), family) << id;
        EXPECT_EQ(isKnownId(id), family.has_value()) << id;
    }
}

TEST(DecoderTables, GroupMembership)
{
    struct Case {
        const char* id;
        bool startup;
        bool directSwitch;
        bool reversible;
    };
    const Case cases[] = {
        {"R5--XC42", true, true, true},    {"R5--XC45", true, true, true},
        {"R5XC6645", true, true, true},    {"R5-7XC42", true, true, true},
        {"V7656642", true, true, false},   {"V7966445", true, true, false},
        {"R7434864", true, false, false},  {"N7966445", true, false, false},
        {"R5--XC48", false, false, true},  {"BR5-XC42", false, false, true},
        {"R5494940", false, false, false}, {"V7904840", false, false, false},
        {"L7466469", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(isInGroup(DecoderGroup::StartupStateGroup, c.id), c.startup);
        EXPECT_EQ(isInGroup(DecoderGroup::DirectSwitchGroup, c.id), c.directSwitch);
        EXPECT_EQ(isInGroup(DecoderGroup::ReversibleGroup, c.id), c.reversible);
    }
    EXPECT_EQ(groupMembers(DecoderGroup::StartupStateGroup).size(), 10);
    EXPECT_EQ(groupMembers(DecoderGroup::DirectSwitchGroup).size(), 7);
    EXPECT_EQ(groupMembers(DecoderGroup::ReversibleGroup).size(), 13);
    // Every group member is an accepted identification.
    for (auto group : {DecoderGroup::StartupStateGroup, DecoderGroup::DirectSwitchGroup,
                       DecoderGroup::ReversibleGroup})
        for (const QString& id : groupMembers(group))
            EXPECT_TRUE(isKnownId(id)) << id.toStdString();
}
