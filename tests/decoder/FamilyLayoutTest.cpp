#include "decoder/DecoderTables.h"
#include "decoder/FamilyLayout.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace qb;

namespace {

QString shownTests(const FamilyLayout& layout)
{
    const std::pair<TestEntry, const char*> names[] = {
        {TestEntry::FourWay, "mnu_4wegTest"},     {TestEntry::FourFold, "mnu_4fachTest"},
        {TestEntry::EightFold, "mnu_8fachTest"},  {TestEntry::TrafficLight, "mnu_Ampeltest1"},
        {TestEntry::Coil, "mnu_Spulentest"},
    };
    QStringList shown;
    for (const auto& [entry, name] : names)
        if (std::find(layout.testEntries.begin(), layout.testEntries.end(), entry) != layout.testEntries.end())
            shown << name;
    return shown.join(',');
}

// "+" enabled, "-" disabled, "" left as it was.
QString state(const MenuChange& menu)
{
    return menu.enabled ? (*menu.enabled ? "+" : "-") : "";
}

const QString Four3 = QStringLiteral("4-fach Servo Decoder erkannt!   Decoder-Version ");
const QString Four4 = QStringLiteral("4-fach Servo Decoder erkannt!    Decoder-Version ");
const QString Eight = QStringLiteral("8-fach Servo Decoder erkannt!   Decoder-Version ");

}  // namespace

TEST(FamilyLayout, EveryAcceptedIdentification)
{
    struct Case {
        const char* id;
        const char* caption;  // "" keeps the caption
        const char* firstEntry;
        int entries;
        QString status;
        int outputs;
        int paired;              // PairedFamily
        int pairedOutputs;       // -1 unchanged, 0 cleared, 1 set
        int panelMode;           // -1 unchanged
        int variant;
        const char* reset;       // mnu_reset enabled state
        const char* service;     // mnu_service enabled state
        const char* tests;       // test entries shown
        bool direction;          // Richtung shown
    };
    const QString TurnoutStatus = QStringLiteral("4-Wege Weichen Decoder erkannt!   Decoder-Version ");
    const QString SpecialStatus = QStringLiteral("Spezial-Decoder 5 erkannt!   Decoder-Version ");
    const QString SoundStatus = QStringLiteral("Sound Decoder erkannt!    Decoder-Version ");
    const QString ParkStatus = QStringLiteral("Parkplatz Decoder erkannt!    Decoder-Version ");
    const QString LightStatus = QStringLiteral("Ampel Decoder erkannt!    Decoder-Version ");
    const Case cases[] = {
        {"R5494940", "Einstellung für R5DCC", "Servo 1", 8, Eight, 8, 0, -1, -1, 1, "-", "", "", false},
        {"R5964740", "Einstellung für R5DCC", "Servo 1", 8, Eight, 8, 0, -1, -1, 2, "+", "-", "", true},
        {"R5674040", "Einstellung für R5DCC", "Servo 1", 8, Eight, 8, 0, -1, -1, 2, "+", "+", "mnu_8fachTest", true},
        {"R5454240", "Einstellung für R5DCC", "Servo 1", 8, Eight, 8, 0, 0, -1, 2, "+", "+", "mnu_8fachTest", true},
        {"R5-7XCN8", "Einstellung für R5-7DCC/MOT", "Servo 1", 4, Four3, 4, 0, 0, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"R5-7XC48", "Einstellung für R5-7DCC/MOT", "Servo 1", 4, Four3, 4, 0, 0, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"R5-7XC42", "Einstellung für R5-7DCC/MOT", "Servo 1", 4, Four3, 4, 0, 0, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"R5-7XC45", "Einstellung für R5-7DCC/MOT", "Servo 1", 4, Four3, 4, 0, 0, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"R5--XC48", "Einstellung für R5 DCC/MOT", "Servo 1", 8, Eight, 8, 0, 0, -1, 2, "+", "+", "mnu_8fachTest", true},
        {"R5--XC42", "Einstellung für R5 DCC/MOT", "Servo 1", 8, Eight, 8, 0, 0, -1, 2, "+", "+", "mnu_8fachTest", true},
        {"R5--XC45", "Einstellung für R5 DCC/MOT", "Servo 1", 8, Eight, 8, 0, 0, -1, 2, "+", "+", "mnu_8fachTest", true},
        {"R5XC6645", "", "Servo 1", 8, Eight, 8, 0, 0, -1, 2, "+", "+", "mnu_8fachTest", true},
        {"R8996640", "Einstellung für R5-7DCC", "Servo 1", 4, Four3, 4, 0, 0, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"R7954740", "", "Servo 1", 4, Four4, 4, 0, -1, -1, 2, "+", "-", "mnu_4fachTest", true},
        {"R7434240", "", "Servo 1", 4, Four4, 4, 0, 0, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"R7434864", "Einstellung für R7DCC/MOT", "Servo 1", 4, Four4, 4, 0, 0, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"R7484264", "Einstellung für R7DCC", "Servo 1", 4, Four4, 4, 0, 0, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"R7664040", "", "Servo 1", 4, Four4, 4, 0, -1, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"N7654345", "Einstellung für N7DCC/MOT", "Servo 1", 4, Four4, 4, 0, 0, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"N7966445", "Einstellung für N7DCC/MOT", "Servo 1", 4, Four4, 4, 0, 0, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"N7996445", "Einstellung für N7DCC/MOT", "Servo 1", 4, Four4, 4, 0, 0, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"N7934745", "Einstellung für N7DCC/MOT", "Servo 1", 4, Four4, 4, 0, 0, -1, 2, "+", "+", "mnu_4fachTest", true},
        {"V7904840", "Einstellung für V7DCC", "Servo 1a+1b", 8, TurnoutStatus, 8, 4, 1, -1, 2, "+", "+", "mnu_4wegTest", true},
        {"V7656642", "Einstellung für V7DCC", "Servo 1a+1b", 8, TurnoutStatus, 8, 4, 1, -1, 2, "+", "+", "mnu_4wegTest", true},
        {"V7966445", "Einstellung für V7DCC", "Servo 1a+1b", 8, TurnoutStatus, 8, 4, 1, -1, 2, "+", "+", "mnu_4wegTest", true},
        {"R0904840", "", "Servo 1a+1b", 8, SpecialStatus, 8, 5, 1, -1, 2, "+", "+", "", true},
        {"B5984848", "Einstellung für Sound-Decoder", "Sound 1", 8, SoundStatus, 8, 0, -1, -1, 2, "", "-", "mnu_8fachTest", true},
        {"BR5-XC42", "Einstellung für Parkplatzdecoder", "Spule 1", 8, ParkStatus, 8, 0, -1, 2, 2, "", "-", "mnu_Spulentest", true},
        {"L6454348", "Einstellung für Ampeldecoder", "Rot 1", 8, LightStatus, 8, 0, -1, 1, 2, "", "-", "mnu_Ampeltest1", true},
        {"L9624164", "Einstellung für Ampeldecoder 917", "Rot 1", 16, LightStatus, 8, 0, -1, 1, 2, "", "-", "mnu_Ampeltest1", true},
        {"L1164566", "Einstellung für Ampeldecoder Vexa917", "Rot 1", 16, LightStatus, 8, 0, -1, 1, 3, "", "-", "mnu_Ampeltest1", true},
        {"L7466469", "Einstellung für Ampeldecoder Vexa917 2012", "Rot 1", 16, LightStatus, 8, 0, -1, 1, 3, "", "-", "mnu_Ampeltest1", true},
    };
    ASSERT_EQ(std::size(cases), static_cast<size_t>(KnownIds().size()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const FamilyLayout layout = layoutForDecoder(c.id, 0, 8);
        EXPECT_EQ(layout.windowCaption.value_or(QString()), QString::fromUtf8(c.caption));
        ASSERT_EQ(layout.entries.size(), c.entries);
        EXPECT_EQ(layout.entries.first(), QString::fromUtf8(c.firstEntry));
        EXPECT_EQ(layout.statusLiteral, c.status);
        EXPECT_EQ(layout.OutputCount, c.outputs);
        EXPECT_EQ(layout.EntryCount, c.entries);
        EXPECT_EQ(layout.PairedFamily, c.paired);
        EXPECT_EQ(layout.PairedOutputs, c.pairedOutputs < 0 ? std::nullopt : std::optional<bool>(c.pairedOutputs == 1));
        EXPECT_EQ(layout.Mode, c.panelMode < 0 ? std::nullopt : std::optional(static_cast<PanelMode>(c.panelMode)));
        EXPECT_EQ(layout.ProtocolVariant, c.variant);
        EXPECT_EQ(state(layout.resetMenu), c.reset);
        EXPECT_EQ(state(layout.serviceMenu), c.service);
        EXPECT_EQ(shownTests(layout), c.tests);
        EXPECT_EQ(layout.direction.value_or(false), c.direction);
        // Four-output decoders hide reset and copy entries 5..8; the R8 one keeps them.
        const bool entriesKept = c.outputs == 8 || QLatin1String(c.id) == QLatin1String("R8996640");
        EXPECT_EQ(!layout.menuEntriesShown.has_value(), entriesKept);
        if (!entriesKept) {
            EXPECT_EQ(layout.menuEntriesShown, 4);
        }
    }
}

TEST(FamilyLayout, CaptionsOfTheDualProtocolServoDecodersFollowTheLastDecode)
{
    struct Case {
        const char* id;
        int addressMode;
        const char* caption;
    };
    const Case cases[] = {
        {"R5-7XC45", 1, "Einstellung für R5-7 DCC"}, {"R5-7XC45", 2, "Einstellung für R5-7 MOTOROLA"},
        {"R5--XC42", 1, "Einstellung für R5 DCC"},   {"R5--XC42", 2, "Einstellung für R5 MOTOROLA"},
        {"R5XC6645", 0, ""},                         {"R5XC6645", 1, "Einstellung für R5DCC"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(layoutForDecoder(c.id, c.addressMode, 0).windowCaption.value_or(QString()), QString::fromUtf8(c.caption))
            << c.id << " " << c.addressMode;
}

TEST(FamilyLayout, PairedFamiliesCaptionTheirMenusLikeTheList)
{
    for (const char* id : {"V7966445", "R0904840"}) {
        const FamilyLayout layout = layoutForDecoder(id, 0, 0);
        EXPECT_EQ(layout.menuCaptions, layout.entries);
        EXPECT_TRUE(layout.pairedFunctions);
    }
    EXPECT_EQ(layoutForDecoder("R0904840", 0, 0).entries.mid(6), (QStringList{"Servo 4", "Servo 5"}));
}

TEST(FamilyLayout, TrafficLightPhasesFollowTheCrossingCode)
{
    struct Case {
        const char* id;
        int code;
        int entries;  // -1: the list is left to the layout option
    };
    const Case cases[] = {
        {"L6454348", 0, 8},  {"L6454348", 255, 8}, {"L9624164", 1, 8},    {"L9624164", 2, 8},
        {"L9624164", 4, 12}, {"L9624164", 16, 12}, {"L9624164", 8, 16},   {"L1164566", 136, -1},
        {"L7466469", 24, -1}, {"L7466469", 0, -1},
    };
    for (const Case& c : cases) {
        const FamilyLayout layout = layoutForDecoder(c.id, 0, c.code);
        SCOPED_TRACE(std::string(c.id) + " " + std::to_string(c.code));
        EXPECT_EQ(layout.listFilled, c.entries >= 0);
        EXPECT_EQ(layout.entries.size(), std::max(c.entries, 0));
        EXPECT_EQ(layout.EntryCount, c.entries >= 0 ? std::optional(c.entries) : std::nullopt);
    }
    EXPECT_EQ(phaseNames(4).mid(8, 4), (QStringList{"Rot 3", "Rot-Gelb 3", "Grün 3", "Gelb 3"}));
}
