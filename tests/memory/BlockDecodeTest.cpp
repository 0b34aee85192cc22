#include "memory/BlockDecode.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace qb;

namespace {

const QString Invalid = QStringLiteral("Der empfangene Wert ist ungültig!\r\n\r\n");

// A block in block order, built field by field. Starts as a plausible servo
// block of output 1: turnout, positive pulse, neutral 11000, left 14000,
// right 8000, run times 20, DCC address 10, status '0'.
struct Block {
    std::array<int, 23> fields{0x81, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0, 20, 0, 0, 1, 0, 10};
    char output = '1';
    QByteArray id = "R5--XC45";
    QByteArray tail = "0";  // status digit, and the bus-lane digit in variant 3

    Block()
    {
        set16(3, 11000).set16(5, 14000).set16(7, 11000).set16(9, 8000).set16(11, 11000);
    }
    Block& set(int k, int value)
    {
        fields[k - 1] = value;
        return *this;
    }
    Block& set16(int first, int value)
    {
        return set(first, value >> 8).set(first + 1, value & 0xFF);
    }
    Block& withId(const char* text)
    {
        id = text;
        return *this;
    }
    Block& withTail(const QByteArray& text)
    {
        tail = text;
        return *this;
    }
    QByteArray text() const
    {
        QByteArray t;
        for (int f : fields)
            t += QByteArray::number(f).rightJustified(3, '0');
        return t + output + id + tail;
    }
    ConfigBlock block() const { return ConfigBlock::fromReversed(text()); }
};

DecodeContext servoContext(const char* id = "R5--XC45")
{
    DecodeContext c;
    c.DecoderId = id;
    c.TakePowerOffFromDecoder = true;
    return c;
}

DecodeContext modeContext(int panelMode, const char* id)
{
    DecodeContext c = servoContext(id);
    c.PanelMode = panelMode;
    c.ProtocolVariant = QByteArray(id).startsWith("L1") || QByteArray(id).startsWith("L7") ? 3 : 2;
    return c;
}

DecodedBlock decode(const Block& b, const DecodeContext& c)
{
    return decodeBlock(b.block(), c);
}

// Nothing after the address fields was decoded.
void expectNothingFromStep13On(const DecodedBlock& d)
{
    EXPECT_FALSE(d.MotorolaFallback);
    EXPECT_FALSE(d.Address);
    EXPECT_FALSE(d.VirtualAddress);
    EXPECT_FALSE(d.BouncePercent);
    EXPECT_FALSE(d.WindowCaption);
}

}  // namespace

TEST(BlockDecode, PlausibilityLimitsPerPanelMode)
{
    struct Case {
        const char* name;
        int mode;
        int first;  // field pair
        int value;
        bool valid;
        bool servoMessage;  // else the position message
    };
    const Case cases[] = {
        {"servo left 2000", 0, 5, 2000, true, true},
        {"servo left 20000", 0, 5, 20000, true, true},
        {"servo left 1999", 0, 5, 1999, false, true},
        {"servo left 20001", 0, 5, 20001, false, true},
        {"servo actual 0", 0, 7, 0, false, true},
        {"servo right 1999", 0, 9, 1999, false, true},
        {"servo target 20001", 0, 11, 20001, false, true},
        {"servo run time left 20000", 0, 13, 20000, true, true},
        {"servo run time left 20001", 0, 13, 20001, false, true},
        {"servo bounce 20001", 0, 15, 20001, false, true},
        {"servo run time right 20001", 0, 17, 20001, false, true},
        {"coil left 0", 2, 5, 0, false, false},
        {"coil left 1", 2, 5, 1, true, false},
        {"coil left 60000", 2, 5, 60000, true, false},
        {"coil left 60001", 2, 5, 60001, false, false},
        {"coil actual 0", 2, 7, 0, false, false},
        {"coil right 60001", 2, 9, 60001, false, false},
        {"coil target 0", 2, 11, 0, false, false},
        {"coil run time left 20001", 2, 13, 20001, false, true},
        {"coil bounce 65535", 2, 15, 65535, false, true},
        {"coil run time right 20000", 2, 17, 20000, true, true},
        {"traffic light phase 0", 1, 5, 0, false, false},
        {"traffic light phase 60000", 1, 5, 60000, true, false},
        {"traffic light phase 60001", 1, 5, 60001, false, false},
        {"traffic light ignores field 7", 1, 7, 0, true, false},
        {"traffic light ignores run times", 1, 13, 65535, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const char* id = c.mode == 1 ? "L9624164" : c.mode == 2 ? "BR5-XC42" : "R5--XC45";
        DecodeContext context = modeContext(c.mode, id);
        context.OutputNumber = 3;
        const DecodedBlock d = decode(Block().withId(id).set16(c.first, c.value), context);
        if (c.valid) {
            EXPECT_EQ(d.Outcome, DecodeOutcome::Decoded);
            EXPECT_EQ(d.ImplausibleField, 0);
            EXPECT_TRUE(d.Message.isEmpty());
            EXPECT_EQ(d.Address, 10) << "decoded to the end";
            if (c.first == 5) {
                EXPECT_EQ(d.LeftPos, c.value);
            }
            continue;
        }
        EXPECT_EQ(d.Outcome, DecodeOutcome::Implausible);
        EXPECT_EQ(d.ImplausibleField, c.first);
        EXPECT_EQ(d.Message, Invalid + (c.servoMessage ? QStringLiteral("Das Servo 3 wird auf die Standartwerte gesetzt.")
                                                       : QStringLiteral("Der Wert wird auf den Standartwert gesetzt.")));
        // The fields before the bad one are decoded, the bad one and all later ones not.
        EXPECT_EQ(d.Neutral, 11000);
        EXPECT_EQ(d.LeftPos.has_value(), c.first > 5);
        EXPECT_EQ(d.RightPos.has_value(), c.first > 9);
        EXPECT_EQ(d.RunTimeLeft.has_value(), c.first > 13);
        EXPECT_FALSE(d.RunTimeRight);
        expectNothingFromStep13On(d);
    }
}

TEST(BlockDecode, TheLeftEndFromItsTwoFieldTexts)
{
    // "007"/"208" is 2000, the lowest valid servo end.
    QByteArray text = Block().set16(5, 14000).text();
    text.replace(12, 6, "007208");
    const DecodedBlock d = decodeBlock(ConfigBlock::fromReversed(text), servoContext());
    EXPECT_EQ(d.Outcome, DecodeOutcome::Decoded);
    EXPECT_EQ(d.LeftPos, 2000);
}

TEST(BlockDecode, TrafficLightsZeroTheServoValues)
{
    const DecodedBlock d =
        decode(Block().withId("L9624164").set16(5, 3000).set16(7, 5).set16(15, 300), modeContext(1, "L9624164"));
    EXPECT_EQ(d.Outcome, DecodeOutcome::Decoded);
    EXPECT_EQ(d.LeftPos, 3000);
    EXPECT_EQ(d.PhaseTime, 3000);
    for (const auto& value : {d.ActualPos, d.RightPos, d.TargetPos, d.RunTimeLeft, d.BounceAmount, d.RepeatCount,
                              d.RunTimeRight})
        EXPECT_EQ(value, 0);
    EXPECT_EQ(d.RepeatText, "0");
}

TEST(BlockDecode, RepetitionCountText)
{
    struct Case {
        int value;
        const char* text;
    };
    for (const Case c : {Case{255, "Endlos"}, Case{254, "254"}, Case{20000, "Endlos"}, Case{0, "0"}, Case{1, "1"}}) {
        const DecodedBlock d = decode(Block().set(1, 0x88).set16(15, c.value), servoContext());
        EXPECT_EQ(d.RepeatText, c.text) << c.value;
        EXPECT_EQ(d.RepeatCount, c.value);
        EXPECT_EQ(d.BounceAmount, c.value);
        EXPECT_EQ(d.FunctionCode, 8);
    }
}

TEST(BlockDecode, AddressesByProtocol)
{
    struct Case {
        const char* name;
        char status;
        int field21, field22, field23;
        int output;
        int address;
        int virtualAddress;
    };
    const Case cases[] = {
        {"Motorola 02A8", '2', 5, 2, 0xA8, 1, 80, 317},
        {"Motorola uses only the last two digits of field 22", '2', 5, 102, 0xA8, 1, 80, 317},
        {"Motorola 0000 is no code: field 21", '2', 17, 0, 0, 1, 17, 65},
        {"Motorola one-digit hex gets its 0 (000C)", ':', 5, 0, 0x0C, 2, 27, 106},
        {"Motorola address 1 on output 3", '3', 9, 3, 0x00, 3, 1, 3},
        {"DCC 10 on output 1", '0', 5, 0, 10, 1, 10, 37},
        {"DCC takes the whole pair", '1', 5, 1, 0xF3, 4, 499, 1996},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeContext context = servoContext();
        context.OutputNumber = c.output;
        const Block b = Block().set(21, c.field21).set(22, c.field22).set(23, c.field23).withTail(QByteArray(1, c.status));
        const DecodedBlock d = decode(b, context);
        EXPECT_EQ(d.MotorolaFallback, c.field21);
        EXPECT_EQ(d.Address, c.address);
        EXPECT_EQ(d.VirtualAddress, c.virtualAddress);
    }
}

TEST(BlockDecode, BouncePercentText)
{
    struct Case {
        int left, right, bounce;
        const char* text;
    };
    const Case cases[] = {
        {12000, 8000, 1000, "25"},
        {8000, 12000, 1000, "-25"},
        {10000, 10000, 1000, "???"},
        {12000, 9000, 1000, "33,33"},
        {12000, 9000, 2000, "66,66"},  // cut, not rounded
        {12000, 8000, 1002, "25,05"},
        {20000, 2000, 1, "0,00"},
        {12000, 8000, 0, "0"},
        {8000, 12000, 0, "0"},
        {2001, 2000, 20000, "2000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const DecodedBlock d =
            decode(Block().set(1, 0xB2).set16(5, c.left).set16(9, c.right).set16(15, c.bounce), servoContext());
        EXPECT_EQ(d.BouncePercent, c.text);
    }
}

TEST(BlockDecode, FunctionBitsCaptionsAndOptions)
{
    using O = FunctionOption;
    struct Case {
        const char* name;
        const char* id;
        int mode;
        int flags;
        int functionCode;
        std::optional<O> option;
        std::optional<QString> caption;
        std::optional<QString> label;
        std::optional<bool> repetitionFrame;
        std::optional<bool> bounceFrame;
        std::optional<int> bounceCode;
    };
    const QString servo = "Servo steuert";
    const QString light = "Ampel wird gesteuert über die:";
    const Case cases[] = {
        {"turnout", "R5--XC45", 0, 0x81, 1, O::Turnout, servo, "Weiche", false, false, 0},
        {"bits 0 and 3: the turnout wins", "R5--XC45", 0, 0x09, 1, O::Turnout, servo, "Weiche", false, false, 0},
        {"repetition", "R5--XC45", 0, 0x08, 8, O::Repetition, std::nullopt, "Wiederholung", true, false, 0},
        {"repetition clears the bounce", "R5--XC45", 0, 0x38, 8, O::Repetition, std::nullopt, "Wiederholung", true,
         false, 0},
        {"level crossing with bounce", "R5--XC45", 0, 0x34, 4, O::LevelCrossing, std::nullopt, "Bahnschranke", false,
         true, 3},
        {"semaphore bouncing left", "R5--XC45", 0, 0x22, 2, O::Semaphore, servo, "Flügelsignal", false, true, 2},
        {"semaphore without bounce", "R5--XC45", 0, 0x02, 2, O::Semaphore, servo, "Flügelsignal", false, false, 0},
        {"bits 1 and 2: semaphore", "R5--XC45", 0, 0x16, 2, O::Semaphore, servo, "Flügelsignal", false, true, 1},
        {"no function bit keeps the previous code and selects no option", "R5--XC45", 0, 0x80, 4, O::None,
         std::nullopt, std::nullopt, false, false, 0},
        {"sound module", "B5984848", 0, 0x01, 1, O::Turnout, "Decoder steuert", "Sound Modul", false, false, 0},
        {"sound decoder semaphore", "B5984848", 0, 0x02, 2, O::Semaphore, servo, "Flügelsignal", false, false, 0},
        {"generation 1 automatic", "L6454348", 1, 0x01, 1, O::Automatic, light, "Automatik", false, false, 0},
        {"generation 1, both bits: automatic", "L6454348", 1, 0x03, 1, O::Automatic, light, "Automatik", false,
         false, 0},
        {"generation 1 command station", "L6454348", 1, 0x02, 2, O::CommandStation, light, "Digital-Zentrale", false,
         std::nullopt, 0},
        {"generation 2, both bits: automatic", "L9624164", 1, 0x03, 1, O::Automatic, light, "Automatik", false,
         false, 0},
        {"generation 3 automatic", "L1164566", 1, 0x01, 1, O::Automatic, light, "Automatik", false, false, 0},
        {"generation 3 phases singly", "L1164566", 1, 0x03, 3, O::PhasesSingly, "Ampel sind entkoppelt:",
         "Digital Zentrale", false, false, 0},
        {"generation 3 (L7) command station", "L7466469", 1, 0x02, 2, O::CommandStation, light, "Digital-Zentrale",
         false, std::nullopt, 0},
        {"coil panel keeps the servo frames", "BR5-XC42", 2, 0x08, 8, O::None, std::nullopt, std::nullopt,
         std::nullopt, std::nullopt, 0},
        {"a traffic light without control bits", "L9624164", 1, 0x00, 4, O::None, std::nullopt, std::nullopt, false,
         std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeContext context = modeContext(c.mode, c.id);
        context.FunctionCode = 4;
        Block b = Block().withId(c.id).set(1, c.flags);
        if (c.mode == 1)
            b.set(2, 2).set16(5, 1000);
        if (c.mode == 2)
            b.set16(5, 1400).set16(7, 1000).set16(9, 1000).set16(11, 1000);
        const DecodedBlock d = decode(b, context);
        EXPECT_EQ(d.Outcome, DecodeOutcome::Decoded);
        EXPECT_EQ(d.FunctionCode, c.functionCode);
        EXPECT_EQ(d.SelectedOption, c.option);
        EXPECT_EQ(d.FunctionFrameCaption, c.caption);
        EXPECT_EQ(d.FunctionLabel, c.label);
        EXPECT_EQ(d.RepetitionFrameVisible, c.repetitionFrame);
        EXPECT_EQ(d.BounceFrameVisible, c.bounceFrame);
        EXPECT_EQ(d.BounceCode, c.bounceCode);
    }
}

TEST(BlockDecode, PolarityBounceBoxesAndCoilMapping)
{
    struct Case {
        int flags;
        int field2;
        int polarity;
        const char* label;
        int coilOption;
        std::optional<int> rowEnd;
        std::optional<bool> left, right;
    };
    const Case cases[] = {
        {0x81, 3, 2, "Positiv", 0, DecodedBlock::NoRowEnd, false, false},  // each input its own coil
        {0x01, 3, 1, "Negativ", 1, 2, false, false},            // chain ends at coil 4
        {0x01, 1, 1, "Negativ", 1, 0, false, false},
        {0x01, 7, 1, "Negativ", 1, 6, false, false},
        {0x01, 8, 1, "Negativ", 1, DecodedBlock::NoRowEnd, false, false},
        {0x01, 0, 1, "Negativ", 1, DecodedBlock::NoRowEnd, false, false},
        {0x31, 2, 1, "Negativ", 1, 1, true, true},
        {0x9A, 2, 2, "Positiv", 0, DecodedBlock::NoRowEnd, std::nullopt, std::nullopt},  // repetition leaves the boxes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        const Block b = Block().withId("BR5-XC42").set(1, c.flags).set(2, c.field2).set16(5, 1400).set16(9, 1000);
        const DecodedBlock d = decode(b, modeContext(2, "BR5-XC42"));
        EXPECT_EQ(d.Outcome, DecodeOutcome::Decoded);
        EXPECT_EQ(d.Polarity, c.polarity);
        EXPECT_EQ(d.PolarityLabel, c.label);
        EXPECT_EQ(d.CoilInputOption, c.coilOption);
        EXPECT_EQ(d.CoilRowEnd, c.rowEnd);
        EXPECT_EQ(d.Brand, c.field2);
        EXPECT_FALSE(d.BrandText) << "the coil panel shows no servo brand";
        EXPECT_EQ(d.BounceLeft, c.left);
        EXPECT_EQ(d.BounceRight, c.right);
    }
    // The row end belongs to the coil panel only.
    EXPECT_FALSE(decode(Block().set(1, 0x01).set(2, 3), servoContext()).CoilRowEnd);
}

TEST(BlockDecode, PowerOffFromDecoderProgramOrPush)
{
    struct Case {
        const char* name;
        const char* id;
        bool take;
        bool suppress;
        int programPowerOff;
        int flags;
        DecodeOutcome outcome;
        std::optional<int> powerOff;
        PowerOffSource source;
        std::optional<QString> label;
        bool flagAfter;
    };
    const QString notUsed = "Wird nicht verwendet!";
    using S = PowerOffSource;
    const Case cases[] = {
        {"decoder says on", "R5--XC45", true, false, 0, 0xC1, DecodeOutcome::Decoded, 1, S::Decoder, "Ja", false},
        {"decoder says off", "R5--XC45", true, false, 1, 0x81, DecodeOutcome::Decoded, 0, S::Decoder, "Nein", false},
        {"sound decoder: not used", "B5984848", true, false, 1, 0xC1, DecodeOutcome::Decoded, 0, S::NotUsed, notUsed,
         false},
        {"program off, bit ignored", "R5--XC45", false, false, 0, 0xC1, DecodeOutcome::Decoded, 0, S::Program, "Nein",
         false},
        {"program on: push", "R5--XC45", false, false, 1, 0x81, DecodeOutcome::PowerOffPush, 1, S::Program, "Ja", true},
        {"program on, push suppressed", "R5--XC45", false, true, 1, 0x81, DecodeOutcome::Decoded, 1, S::Program, "Ja",
         false},
        {"sound decoder, program on: push", "B5984848", false, false, 1, 0x01, DecodeOutcome::PowerOffPush, 1,
         S::Program, notUsed, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeContext context = servoContext(c.id);
        context.TakePowerOffFromDecoder = c.take;
        context.SuppressPowerOffPush = c.suppress;
        context.PowerOff = c.programPowerOff;
        context.FunctionCode = 4;
        const DecodedBlock d = decode(Block().withId(c.id).set(1, c.flags), context);
        EXPECT_EQ(d.Outcome, c.outcome);
        EXPECT_EQ(d.PowerOff, c.powerOff);
        EXPECT_EQ(d.PowerOffFrom, c.source);
        EXPECT_EQ(d.PowerOffLabel, c.label);
        EXPECT_EQ(d.TakePowerOffFromDecoder, c.flagAfter);
        EXPECT_EQ(d.Polarity, c.flags & 0x80 ? 2 : 1) << "polarity is decoded before the push";
        if (c.outcome == DecodeOutcome::PowerOffPush) {
            EXPECT_EQ(d.FunctionCode, 4) << "the push ends the decode";
            EXPECT_FALSE(d.Brand);
            EXPECT_FALSE(d.LeftPos);
            expectNothingFromStep13On(d);
        } else {
            EXPECT_EQ(d.Address, 10);
        }
    }
}

TEST(BlockDecode, StatusDigitDirectionProtocolAndCountry)
{
    struct Expected {
        bool reversed;
        int addressMode;
        int country;
    };
    // Digits 0..11 and a few outside the set; unset: nothing changes.
    const std::map<int, Expected> recognised = {
        {0, {false, 1, 0}}, {1, {true, 1, 1}},   {2, {false, 2, 0}}, {3, {true, 2, 1}},
        {8, {false, 1, 2}}, {9, {true, 1, 2}},   {10, {false, 2, 2}}, {11, {true, 1, 2}},
    };
    for (int digit = -3; digit <= 20; ++digit) {
        SCOPED_TRACE(digit);
        for (const char* id : {"R5--XC45", "L9624164"}) {
            DecodeContext context = modeContext(id[0] == 'L' ? 1 : 0, id);
            context.DirectionReversed = true;
            context.AddressMode = 2;
            Block b = Block().withId(id).withTail(QByteArray(1, char('0' + digit)));
            if (id[0] == 'L')
                b.set(2, 2).set16(5, 1000);
            const DecodedBlock d = decode(b, context);
            ASSERT_EQ(d.Outcome, DecodeOutcome::Decoded);
            const auto known = recognised.find(digit);
            if (known == recognised.end()) {
                EXPECT_TRUE(d.DirectionReversed);
                EXPECT_EQ(d.AddressMode, 2);
                EXPECT_FALSE(d.CountryOption);
                continue;
            }
            EXPECT_EQ(d.DirectionReversed, known->second.reversed);
            EXPECT_EQ(d.DirectionLabel, known->second.reversed ? "Umkehren" : "Nicht umkehren");
            EXPECT_EQ(d.AddressMode, known->second.addressMode);
            if (id[0] == 'L') {
                EXPECT_EQ(d.CountryOption, known->second.country);
            } else {
                EXPECT_FALSE(d.CountryOption);
            }
        }
    }
}

TEST(BlockDecode, VariantOneAndMissingStatusKeepDirectionAndProtocol)
{
    struct Case {
        const char* name;
        const char* id;
        int variant;
        QByteArray tail;
    };
    const Case cases[] = {
        {"variant 1 block", "R5494940", 1, ""},
        {"variant 1 ignores a stray 79th character", "R5494940", 1, "0"},
        {"status digit cut off", "R5--XC45", 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeContext context = servoContext(c.id);
        context.ProtocolVariant = c.variant;
        context.DirectionReversed = true;
        context.AddressMode = 2;
        const DecodedBlock d = decode(Block().withId(c.id).withTail(c.tail), context);
        EXPECT_EQ(d.Outcome, DecodeOutcome::Decoded);
        EXPECT_TRUE(d.DirectionReversed);
        EXPECT_EQ(d.DirectionLabel, "Umkehren");
        EXPECT_EQ(d.AddressMode, 2);
        EXPECT_EQ(d.Address, 1) << "Motorola code 000A is none: field 21";
    }
    DecodeContext context = servoContext("R5494940");
    context.ProtocolVariant = 1;
    const DecodedBlock d = decode(Block().withId("R5494940").withTail(""), context);
    EXPECT_FALSE(d.DirectionReversed);
    EXPECT_EQ(d.AddressMode, 0);
    EXPECT_EQ(d.Address, 10) << "a decoder that never named its protocol is DCC";
}

TEST(BlockDecode, WindowCaptionsAndDirectionLabels)
{
    struct Case {
        const char* id;
        char status;
        std::optional<QString> caption;
        const char* directionLabel;
    };
    const Case cases[] = {
        {"R5-7XC42", '0', "Einstellung für R5-7 DCC", "Nicht umkehren"},
        {"R5-7XC45", '2', "Einstellung für R5-7 MOTOROLA", "Nicht umkehren"},
        {"R5--XC48", '1', "Einstellung für R5 DCC", "Umkehren"},
        {"R5--XC45", ':', "Einstellung für R5 MOTOROLA", "Nicht umkehren"},
        {"R5XC6645", '3', "Einstellung für R5 MOTOROLA", "Umkehren"},
        {"R5964740", '0', std::nullopt, "Nicht umkehren"},
        {"R8996640", '0', std::nullopt, "Nicht umkehren"},
        {"B5984848", '0', std::nullopt, "Wird nicht verwendet!"},
        {"B5984848", '1', std::nullopt, "Umkehren"},
        {"R5--XC45", '7', std::nullopt, "Nicht umkehren"},  // no protocol known yet
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + c.status);
        const DecodedBlock d = decode(Block().withId(c.id).withTail(QByteArray(1, c.status)), servoContext(c.id));
        EXPECT_EQ(d.WindowCaption, c.caption);
        EXPECT_EQ(d.DirectionLabel, c.directionLabel);
    }
}

TEST(BlockDecode, BusLaneDigitsOfGenerationThree)
{
    // Lanes A..D as bits 0..3: the digits 0..15 name exactly these masks.
    auto mask = [](const std::array<bool, 4>& l) { return l[0] | l[1] << 1 | l[2] << 2 | l[3] << 3; };
    for (int digit = 0; digit <= 15; ++digit) {
        const Block b = Block().withId("L1164566").set(2, 2).set16(5, 1000).withTail(QByteArray("0") + char('0' + digit));
        const DecodedBlock d = decode(b, modeContext(1, "L1164566"));
        ASSERT_TRUE(d.BusLanes) << digit;
        EXPECT_EQ(mask(*d.BusLanes), digit);
    }
    struct Odd {
        QByteArray tail;
        int mask;
    };
    for (const Odd& o : {Odd{"0", 0}, Odd{"0@", 8}, Odd{"0/", 0}, Odd{"0G", 8}, Odd{"0\xFF", 8}}) {
        const Block b = Block().withId("L7466469").set(2, 2).set16(5, 1000).withTail(o.tail);
        const DecodedBlock d = decode(b, modeContext(1, "L7466469"));
        ASSERT_TRUE(d.BusLanes);
        EXPECT_EQ(mask(*d.BusLanes), o.mask) << o.tail.toHex().toStdString();
    }
    // Generation 2 keeps its bus lane in field 2 and has no digit.
    const Block b = Block().withId("L9624164").set(2, 2).set16(5, 1000).withTail("09");
    EXPECT_FALSE(decode(b, modeContext(1, "L9624164")).BusLanes);
}

TEST(BlockDecode, CrossingLayoutsPerGeneration)
{
    struct Case {
        const char* id;
        int field2;
        int selected;  // SelectedLayoutCode
        std::optional<int> layout;
        bool select;
        std::optional<bool> pedestrian, demand, busLane;
    };
    const Case cases[] = {
        {"L6454348", 1, 0, 2, true, std::nullopt, std::nullopt, std::nullopt},  // plain crossing
        {"L6454348", 2, 0, 1, true, std::nullopt, std::nullopt, std::nullopt},
        {"L6454348", 3, 0, 4, true, std::nullopt, std::nullopt, std::nullopt},
        {"L6454348", 4, 8, 8, true, std::nullopt, std::nullopt, std::nullopt},
        {"L6454348", 7, 0, std::nullopt, false, std::nullopt, std::nullopt, std::nullopt},
        {"L9624164", 2, 0, 2, true, false, false, false},
        {"L9624164", 1, 0, 1, true, false, false, false},
        {"L9624164", 4 + 128, 0, 4, true, true, false, false},
        {"L9624164", 8 + 128 + 64 + 32, 0, 8, true, true, true, true},
        {"L9624164", 16 + 64, 0, 16, true, false, true, false},
        {"L9624164", 24, 0, 2, true, false, false, false},  // 4 ways by 24 only in generation 3
        {"L9624164", 3, 0, 2, true, false, false, false},   // unknown: without transistors
        {"L9624164", 8, 4, 8, false, false, false, false},  // the user chose another layout
        {"L9624164", 8, 8, 8, true, false, false, false},
        {"L1164566", 24, 0, 8, true, false, false, false},
        {"L1164566", 200, 0, 8, true, true, true, false},   // no limit beyond generation 1
        {"L7466469", 16 + 32, 0, 16, true, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " " + std::to_string(c.field2));
        DecodeContext context = modeContext(1, c.id);
        context.SelectedLayoutCode = c.selected;
        const DecodedBlock d = decode(Block().withId(c.id).set(1, 0x01).set(2, c.field2).set16(5, 1000), context);
        EXPECT_EQ(d.Outcome, DecodeOutcome::Decoded);
        EXPECT_EQ(d.Brand, c.field2) << "brand carries the crossing code";
        EXPECT_FALSE(d.BrandText);
        EXPECT_EQ(d.CrossingLayoutCode, c.layout);
        EXPECT_EQ(d.SelectCrossingOption, c.select);
        EXPECT_EQ(d.PedestrianPhase, c.pedestrian);
        EXPECT_EQ(d.DemandLight, c.demand);
        EXPECT_EQ(d.BusLaneFirstLane, c.busLane);
    }
}

TEST(BlockDecode, GenerationOneLayoutAboveSevenIsFatal)
{
    for (int field2 : {8, 9, 255}) {
        const DecodedBlock d =
            decode(Block().withId("L6454348").set(1, 0x02).set(2, field2).set16(5, 1000), modeContext(1, "L6454348"));
        EXPECT_EQ(d.Outcome, DecodeOutcome::Fatal) << field2;
        EXPECT_EQ(d.Message, "Daten im Decoder sind fehlerhaft !\r\nSenden Sie den Chip mit der Fehlernummer \"SF001\" ein.");
        EXPECT_EQ(d.TrafficLightGeneration, 1);
        EXPECT_EQ(d.FunctionCode, 2) << "decoded before the check";
        EXPECT_FALSE(d.Neutral) << "nothing after it";
        EXPECT_FALSE(d.LeftPos);
        expectNothingFromStep13On(d);
    }
}

TEST(BlockDecode, BrandTexts)
{
    const char* servoTexts[] = {nullptr, "Graupner", "Futaba", "Multiplex", "Robbe/Conrad",
                                "Simprop", "Sonstige", "Hitec", nullptr};
    for (int code = 0; code <= 8; ++code) {
        SCOPED_TRACE(code);
        const DecodedBlock servo = decode(Block().set(2, code), servoContext());
        const DecodedBlock sound = decode(Block().withId("B5984848").set(2, code), servoContext("B5984848"));
        EXPECT_EQ(servo.Brand, code);
        if (servoTexts[code]) {
            EXPECT_EQ(servo.BrandText, servoTexts[code]);
            EXPECT_EQ(sound.BrandText, code == 4 ? "Kein Servo" : servoTexts[code]);
        } else {
            EXPECT_FALSE(servo.BrandText) << "the label stays as it is";
            EXPECT_FALSE(sound.BrandText);
        }
    }
}

TEST(BlockDecode, NeutralAndItsHexText)
{
    struct Case {
        int value;
        const char* hex;
    };
    for (const Case c : {Case{10432, "28C0"}, Case{4000, "FA0"}, Case{255, "FF"}, Case{0, "0"}, Case{65535, "FFFF"}}) {
        const DecodedBlock d = decode(Block().set16(3, c.value), servoContext());
        EXPECT_EQ(d.Neutral, c.value);
        EXPECT_EQ(d.NeutralHex, c.hex);
    }
}

TEST(BlockDecode, CoilSwitchOnTime)
{
    struct Case {
        int left, right, runTime;
        std::optional<QString> text;
    };
    const Case cases[] = {
        {30000, 10000, 16, "100"},
        {1400, 1000, 8, "1"},
        {2960, 1000, 8, "4,9"},
        {11000, 10000, 16, "5"},
        {15980, 10000, 16, "29,9"},
        {13000, 10000, 32, "30"},
        {16000, 10000, 32, "60"},
        {1000, 1400, 8, "-1"},
        {1000, 1000, 8, "0"},
        {1401, 1000, 8, "1,0025"},
        {30000, 10000, 0, std::nullopt},
        {30000, 10000, 12, std::nullopt},
        {30000, 10000, 64, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(coilSwitchOnTime(c.left, c.right, c.runTime), c.text) << c.left << " " << c.right << " " << c.runTime;
}

TEST(BlockDecode, ShortBlocksDecodeWhatArrived)
{
    struct Case {
        int length;
        bool flags;     // field 1
        bool neutral;   // fields 3/4
        bool left;      // fields 5/6
        bool runTimeRight;
        bool address;   // DCC: fields 22/23
        bool status;    // position 79
    };
    const Case cases[] = {
        {0, false, false, false, false, false, false},
        {2, false, false, false, false, false, false},
        {12, true, true, false, false, false, false},
        {17, true, true, false, false, false, false},
        {18, true, true, true, false, false, false},
        {54, true, true, true, true, false, false},
        {68, true, true, true, true, false, false},
        {69, true, true, true, true, true, false},
        {78, true, true, true, true, true, false},
        {79, true, true, true, true, true, true},
    };
    const QByteArray full = Block().set(1, 0x89).set16(15, 1000).withTail("1").text();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        DecodeContext context = servoContext();
        context.FunctionCode = 4;
        context.AddressMode = 1;
        const DecodedBlock d = decodeBlock(ConfigBlock::fromReversed(full.left(c.length)), context);
        EXPECT_EQ(d.Outcome, DecodeOutcome::Decoded);
        EXPECT_EQ(d.Polarity.has_value(), c.flags);
        EXPECT_EQ(d.FunctionCode, c.flags ? 1 : 4);
        EXPECT_EQ(d.PowerOff.has_value(), c.flags) << "the decoder's bit did not arrive";
        EXPECT_EQ(d.TakePowerOffFromDecoder, !c.flags) << "taken only when it arrived";
        EXPECT_EQ(d.Neutral.has_value(), c.neutral);
        EXPECT_EQ(d.LeftPos.has_value(), c.left);
        EXPECT_EQ(d.RunTimeRight.has_value(), c.runTimeRight);
        EXPECT_EQ(d.Address.has_value(), c.address);
        EXPECT_EQ(d.VirtualAddress.has_value(), c.address);
        EXPECT_EQ(d.DirectionReversed, c.status);
        EXPECT_EQ(d.BouncePercent.has_value(), c.runTimeRight) << "needs left, right and bounce";
    }

    // Motorola without field 23 falls back to field 21.
    DecodeContext context = servoContext();
    context.AddressMode = 2;
    EXPECT_EQ(decodeBlock(ConfigBlock::fromReversed(full.left(68)), context).Address, 1);
    // With the push due, a block without field 1 starts no push.
    context.TakePowerOffFromDecoder = false;
    context.PowerOff = 1;
    const DecodedBlock noPush = decodeBlock(ConfigBlock::fromReversed(full.left(2)), context);
    EXPECT_EQ(noPush.Outcome, DecodeOutcome::Decoded);
    EXPECT_EQ(noPush.PowerOff, 1);
    EXPECT_EQ(noPush.PowerOffFrom, PowerOffSource::Program);
}

// Random and truncated blocks: the decode never fails, its outcome always
// fits the block, and whatever a cut-short block decodes agrees with the
// whole block.
TEST(BlockDecode, RandomAndTruncatedBlocks)
{
    std::mt19937 random(20240611);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const char* ids[] = {"R5--XC45", "R5-7XC42", "R5494940", "B5984848", "BR5-XC42",
                         "L6454348", "L9624164", "L1164566", "L7466469", "XXXXXXXX"};
    int outcomes[4] = {};

    for (int run = 0; run < 4000; ++run) {
        // Mostly plausible bytes, so that decodes get far; now and then noise.
        QByteArray text;
        const int length = pick(0, 90);
        const int noise = pick(0, 3);
        while (text.size() < length) {
            if (pick(0, 20) < noise)
                text += char(pick(0, 255));
            else if (text.size() < 69 && text.size() % 3 == 0)
                text += QByteArray::number(pick(0, 255)).rightJustified(3, '0');
            else
                text += char(pick('0', '?'));
        }
        text.truncate(length);

        const char* id = ids[pick(0, 9)];
        DecodeContext context;
        context.DecoderId = id;
        context.PanelMode = id[0] == 'L' ? 1 : id[0] == 'B' && id[1] == 'R' ? 2 : pick(0, 3) == 0 ? pick(0, 2) : 0;
        context.OutputNumber = pick(1, 16);
        context.ProtocolVariant = pick(0, 3);
        context.TakePowerOffFromDecoder = pick(0, 1);
        context.SuppressPowerOffPush = pick(0, 1);
        context.PowerOff = pick(0, 1);
        context.FunctionCode = 1 << pick(0, 3);
        context.DirectionReversed = pick(0, 1);
        context.AddressMode = pick(0, 2);
        context.SelectedLayoutCode = pick(0, 1) ? 0 : 1 << pick(0, 4);

        const ConfigBlock block = ConfigBlock::fromReversed(text);
        const DecodedBlock d = decodeBlock(block, context);
        SCOPED_TRACE(text.toHex().toStdString() + " " + id + " mode " + std::to_string(context.PanelMode));

        switch (d.Outcome) {
        case DecodeOutcome::Decoded:
            outcomes[0]++;
            EXPECT_TRUE(d.Message.isEmpty());
            EXPECT_EQ(d.ImplausibleField, 0);
            break;
        case DecodeOutcome::Implausible: {
            outcomes[1]++;
            const int f = d.ImplausibleField;
            ASSERT_TRUE(f >= 5 && f <= 17 && f % 2 == 1) << f;
            const auto value = block.pair(f);
            ASSERT_TRUE(value) << "only a field that arrived can be implausible";
            const bool position = f <= 11;
            const bool servo = context.PanelMode != 1 && context.PanelMode != 2;
            if (position && servo)
                EXPECT_TRUE(*value < 2000 || *value > 20000) << *value;
            else if (position)
                EXPECT_TRUE(*value == 0 || *value > 60000) << *value;
            else
                EXPECT_GT(*value, 20000);
            EXPECT_FALSE(context.PanelMode == 1 && f > 5) << "traffic lights check the phase time only";
            EXPECT_EQ(d.Message, position && !servo ? positionResetMessage() : servoResetMessage(context.OutputNumber));
            expectNothingFromStep13On(d);
            break;
        }
        case DecodeOutcome::PowerOffPush:
            outcomes[2]++;
            EXPECT_FALSE(context.TakePowerOffFromDecoder);
            EXPECT_FALSE(context.SuppressPowerOffPush);
            EXPECT_EQ(context.PowerOff, 1);
            EXPECT_TRUE(block.field(1));
            EXPECT_FALSE(d.Neutral);
            break;
        case DecodeOutcome::Fatal:
            outcomes[3]++;
            EXPECT_EQ(d.TrafficLightGeneration, 1);
            ASSERT_TRUE(block.field(2));
            EXPECT_GT(*block.field(2), 7);
            EXPECT_EQ(d.Message, fatalDataMessage());
            break;
        default:
            ADD_FAILURE() << "unknown outcome";
        }
        // Whatever was taken lies in its range.
        if (d.Outcome == DecodeOutcome::Decoded && d.LeftPos && context.PanelMode == 0) {
            EXPECT_GE(*d.LeftPos, 2000);
            EXPECT_LE(*d.LeftPos, 20000);
        }
        if (d.RunTimeLeft) {
            EXPECT_LE(*d.RunTimeLeft, 20000);
        }

        // A prefix of the block decodes to the same values as far as both go.
        const DecodedBlock p = decodeBlock(ConfigBlock::fromReversed(text.left(pick(0, length))), context);
        auto same = [&](const auto& prefix, const auto& whole, const char* name) {
            if (prefix && whole) {
                EXPECT_EQ(*prefix, *whole) << name;
            }
        };
        same(p.Polarity, d.Polarity, "polarity");
        same(p.PowerOff, d.PowerOff, "power off");
        same(p.BounceCode, d.BounceCode, "bounce code");
        same(p.Brand, d.Brand, "brand");
        same(p.BrandText, d.BrandText, "brand text");
        same(p.CrossingLayoutCode, d.CrossingLayoutCode, "crossing");
        same(p.CoilRowEnd, d.CoilRowEnd, "row end");
        same(p.NeutralHex, d.NeutralHex, "neutral");
        same(p.LeftPos, d.LeftPos, "left");
        same(p.ActualPos, d.ActualPos, "actual");
        same(p.RightPos, d.RightPos, "right");
        same(p.TargetPos, d.TargetPos, "target");
        same(p.RunTimeLeft, d.RunTimeLeft, "run time left");
        same(p.RepeatText, d.RepeatText, "repeat");
        same(p.RunTimeRight, d.RunTimeRight, "run time right");
        same(p.MotorolaFallback, d.MotorolaFallback, "field 21");
        same(p.BouncePercent, d.BouncePercent, "bounce percent");
        if (block.field(1) && p.Polarity) {
            EXPECT_EQ(p.FunctionCode, d.FunctionCode);
        }
    }
    // The run reached every outcome.
    for (int count : outcomes)
        EXPECT_GT(count, 0);
}
