#include "link/CommandCatalogue.h"

#include <gtest/gtest.h>

#include <set>

using namespace qb;
using namespace qb::commands;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out += char(v);
    return out;
}

}  // namespace

TEST(CatalogueCommandBytes, BlockReadOutputSwitchAndAddressWrite)
{
    const std::pair<int, int> blocks[] = {{1, 241}, {9, 249}, {10, 250}, {15, 255}, {16, 16}};
    for (const auto& [n, byte] : blocks)
        EXPECT_EQ(BlockReadCommand(n), byte) << n;

    struct Switch {
        int n, s, byte;
    };
    for (const Switch c : {Switch{1, 0, 129}, Switch{8, 0, 136}, Switch{1, 16, 145}, Switch{8, 16, 152}})
        EXPECT_EQ(OutputSwitchCommand(c.n, c.s), c.byte) << c.n << "/" << c.s;

    const std::pair<int, int> generations[] = {{0, 250}, {1, 250}, {2, 186}, {3, 186}};
    for (const auto& [generation, byte] : generations)
        EXPECT_EQ(AddressWriteCommand(generation), byte) << generation;
}

TEST(CatalogueEncodings, DecimalHexAndRaw)
{
    const std::pair<int, const char*> decimals[] = {{3, "3"}, {12, "12"}, {0, "0"}, {511, "511"}};
    for (const auto& [value, text] : decimals)
        EXPECT_EQ(decimalText(value), QByteArray(text));

    struct Hex {
        quint32 value;
        const char* plain;
        const char* padded;
    };
    const Hex hexes[] = {
        {12000, "2EE0", "2EE0"}, {2000, "7D0", "07D0"}, {8, "8", "0008"},   {0, "0", "0000"},
        {4000, "FA0", "0FA0"},   {0xFFFF, "FFFF", "FFFF"}, {65536, "10000", "10000"},
    };
    for (const Hex& h : hexes) {
        EXPECT_EQ(hexText(h.value), QByteArray(h.plain)) << h.value;
        EXPECT_EQ(hex4Text(h.value), QByteArray(h.padded)) << h.value;
    }
    EXPECT_EQ(rawByte(100), bytes({100}));
    EXPECT_EQ(rawByte(13), bytes({13}));
}

TEST(CatalogueEncodings, MotorolaCodes)
{
    const std::pair<int, const char*> known[] = {
        {1, "0300"}, {2, "0200"}, {3, "00C0"}, {4, "03C0"}, {9, "0030"},
        {27, "000C"}, {57, "00C8"}, {79, "03A8"}, {80, "02A8"},
    };
    for (const auto& [address, code] : known) {
        EXPECT_EQ(MotorolaCode(address), QByteArray(code)) << address;
        EXPECT_EQ(motorolaAddress(code), address) << code;
    }
    // Every address has its own code, and the lookup finds it again.
    std::set<QByteArray> codes;
    for (int address = 1; address <= 80; ++address) {
        const QByteArray code = MotorolaCode(address);
        EXPECT_EQ(code.size(), 4);
        EXPECT_TRUE(codes.insert(code).second) << address;
        EXPECT_EQ(motorolaAddress(code), address);
        EXPECT_EQ(code.toInt(nullptr, 16) & 3, 0) << "the two lowest bits are always clear";
    }
    for (int outside : {0, 81, -1})
        EXPECT_TRUE(MotorolaCode(outside).isEmpty()) << outside;
    for (const char* unknown : {"0000", "0301", "", "ZZZZ"})
        EXPECT_EQ(motorolaAddress(unknown), 0) << unknown;
}

TEST(CatalogueFrames, EveryCommandAsItGoesOnTheWire)
{
    struct Case {
        const char* name;
        Frame frame;
        QByteArray wire;
    };
    const Case cases[] = {
        {"block 16", blockRead(16), bytes({16, 13})},
        {"block 15", blockRead(15), bytes({255, 13})},
        {"block 1", blockRead(1), bytes({241, 13})},
        {"middle", middlePosition(), bytes({240, 13})},
        {"switch 8 second", outputSwitch(8, 16), bytes({152, 13})},
        {"switch 1 first", outputSwitch(1, 0), bytes({129, 13})},
        {"state query", powerUpStateQuery(), bytes({126, 13})},
        {"servos on", powerUpStateSet(true), bytes({127, '1', 13})},
        {"servos off", powerUpStateSet(false), bytes({127, '0', 13})},
        {"RAM dump", ramDump(), bytes({153, 13})},
        {"DCC address 3", dccAddressWrite(0, 3), QByteArray("\xFA" "00003\r")},
        {"DCC address 499", dccAddressWrite(1, 499), QByteArray("\xFA" "001F3\r")},
        {"DCC address, generation 2", dccAddressWrite(2, 10), QByteArray("\xBA" "0000A\r")},
        {"Motorola 1", motorolaAddressWrite(0, 1), QByteArray("\xFA" "00300\r")},
        {"Motorola 57, generation 3", motorolaAddressWrite(3, 57), QByteArray("\xBA" "000C8\r")},
        {"adjust end 12", adjustEnd(12), QByteArray("\xC6" "12\r")},
        {"adjust begin 3", adjustBegin(3), QByteArray("\xC7" "3\r")},
        {"memory write", memoryWrite(0x310, "0123456789ABCDEF"), QByteArray("\xC9" "03100123456789ABCDEF\r")},
        {"memory write end", memoryWriteEnd(), QByteArray("\xC9" "00000000\r")},
        {"set left 3 12000", setLeft(3, 12000), QByteArray("\xCA" "32EE0\r")},
        {"phase time 3 1500", setLeft(3, 1500), QByteArray("\xCA" "305DC\r")},
        {"phase time 100", setLeft(1, 100), QByteArray("\xCA" "10064\r")},
        {"phase time 60000", setLeft(16, 60000), QByteArray("\xCA" "16EA60\r")},
        {"coil left 2000", setLeft(2, 2000), QByteArray("\xCA" "207D0\r")},
        {"set right 12 8000", setRight(12, 8000), QByteArray("\xCB" "121F40\r")},
        {"copy 3 to 5", outputCopy(3, 5), QByteArray("\xCC" "35\r")},
        {"restart", outputCopy(1, 1), QByteArray("\xCC" "11\r")},
        {"dump", memoryDump(), bytes({205, 13})},
        {"reset 2", outputReset(2), QByteArray("\xE0" "2\r")},
        {"run right", moveRight(RunToEnd), bytes({225, 2, 13})},
        {"run left", moveLeft(RunToEnd), bytes({226, 2, 13})},
        {"stop left", moveLeft(StopRun), bytes({226, 3, 13})},
        {"stop right", moveRight(StopRun), bytes({225, 3, 13})},
        {"store run time right", storeRunTimeRight(), bytes({227, 13})},
        {"store run time left", storeRunTimeLeft(), bytes({228, 13})},
        {"turn right", turnRight(), bytes({229, 13})},
        {"turn left", turnLeft(), bytes({230, 13})},
        {"run time right 0", runTimeRight(0), QByteArray("\xE8" "0000\r")},
        {"run time left 5500", runTimeLeft(5500), QByteArray("\xEA" "157C\r")},
        {"run time left 55", runTimeLeft(55), QByteArray("\xEA" "0037\r")},
        {"run time left 20000", runTimeLeft(20000), QByteArray("\xEA" "4E20\r")},
        {"run time left 2750", runTimeLeft(2750), QByteArray("\xEA" "0ABE\r")},
        {"coil scale 16", runTimeLeft(16), QByteArray("\xEA" "0010\r")},
        {"store left", storeLeft(), bytes({235, 13})},
        {"store right", storeRight(), bytes({237, 13})},
        {"left -100", leftStep(StepTowardsMiddle, 100), bytes({236, 1, 100, 13})},
        {"right +250", rightStep(StepAwayFromMiddle, 250), bytes({238, 0, 250, 13})},
        {"left +10", leftStep(StepAwayFromMiddle, 10), bytes({236, 0, 10, 13})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.frame.bytes, c.wire) << c.name;
        EXPECT_EQ(c.frame.command(), static_cast<std::uint8_t>(c.wire[0])) << c.name;
    }
}

TEST(CatalogueFrames, ServoConfigurationWrite)
{
    const ServoConfig example{.output = 3, .neutralHex = "2EE0", .brand = 1, .functionCode = 1, .polarity = 2};
    struct Case {
        const char* name;
        ServoConfig config;
        const char* text;  // between 239 and CR
    };
    auto with = [&](auto change) {
        ServoConfig c = example;
        change(c);
        return c;
    };
    const Case cases[] = {
        {"the example", example, "32EE01120000000"},
        {"turnout drops the bounce", with([](auto& c) { c.bounceAmount = 500; c.bounceCode = 3; }),
         "32EE01120000000"},
        {"repetition sends the count", with([](auto& c) { c.functionCode = 8; c.repeatCount = 255; c.bounceCode = 0; }),
         "32EE01820000FF0"},
        {"semaphore sends the bounce", with([](auto& c) { c.functionCode = 2; c.bounceAmount = 1100; c.bounceCode = 2; }),
         "32EE012202044C0"},
        {"no amount means no bounce", with([](auto& c) { c.functionCode = 4; c.bounceCode = 3; }),
         "32EE01420000000"},
        {"variant 1 has no direction", with([](auto& c) { c.withDirection = false; }), "32EE0112000000"},
        {"reversed", with([](auto& c) { c.directionReversed = true; }), "32EE01120000001"},
        {"short neutral unpadded", with([](auto& c) { c.neutralHex = "FA0"; c.output = 12; }), "12FA01120000000"},
        {"factory reset", {.output = 2, .neutralHex = "28C0", .brand = 4, .functionCode = 1, .polarity = 2, .powerOff = 1},
         "228C04121000000"},
        {"explicit value word", with([](auto& c) { c.functionCode = 2; c.bounceCode = 1; c.valueWord = 0; }),
         "32EE01220100000"},
        {"negative pulse", with([](auto& c) { c.polarity = 1; }), "32EE01110000000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(servoConfigWrite(c.config).bytes, "\xEF" + QByteArray(c.text) + "\r") << c.name;

    ServoConfig turnout = with([](auto& c) { c.bounceAmount = 500; c.bounceCode = 2; });
    EXPECT_EQ(applyValueWordRule(turnout), 0u);
    EXPECT_EQ(turnout.bounceAmount, 0u);
    EXPECT_EQ(turnout.bounceCode, 0);
    ServoConfig semaphore = with([](auto& c) { c.functionCode = 2; c.bounceAmount = 500; c.bounceCode = 2; });
    EXPECT_EQ(applyValueWordRule(semaphore), 500u);
    EXPECT_EQ(semaphore.bounceCode, 2);
}

TEST(CatalogueFrames, TrafficLightConfigurationWrite)
{
    struct Case {
        const char* name;
        TrafficLightConfig config;
        QByteArray wire;
    };
    const Case cases[] = {
        {"generation 2, four ways, pedestrian, bus lane A",
         {"2EE0", 8 + 128 + 32, 1, 0, 0},
         QByteArray("\xEF" "12EE0") + bytes({168}) + "10" + bytes({0}) + "000000\r"},
        {"generation 3, two-way T, demand light, lanes A and C",
         {"2EE0", 16 + 64, 2, 5, 1},
         QByteArray("\xEF" "12EE0") + bytes({80}) + "20" + bytes({5}) + "000001\r"},
        {"Austria, phases singly, lanes A, C, D (a CR inside)",
         {"3E8", 8, 3, 13, 8},
         QByteArray("\xEF" "13E8") + bytes({8}) + "30" + bytes({13}) + "000008\r"},
        {"generation 1 without layout code", {"28C0", 0, 1, 0, 0},
         QByteArray("\xEF" "128C0") + bytes({0}) + "10" + bytes({0}) + "000000\r"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(trafficLightConfigWrite(c.config).bytes, c.wire) << c.name;
}

TEST(CatalogueAnswers, AwaitedLengthPerCommand)
{
    struct Case {
        Frame frame;
        AnswerClass answer;
        int length;  // in protocol variant 2
    };
    const Case cases[] = {
        {blockRead(16), AnswerClass::Block, 79},
        {blockRead(10), AnswerClass::Block, 79},
        {powerUpStateQuery(), AnswerClass::StateDigit, 1},
        {powerUpStateSet(true), AnswerClass::Ack, 1},
        {outputSwitch(3, 0), AnswerClass::None, 0},
        {outputSwitch(8, 16), AnswerClass::None, 0},
        {ramDump(), AnswerClass::RamDump, 2304},
        {dccAddressWrite(0, 10), AnswerClass::Address, 9},
        {motorolaAddressWrite(2, 10), AnswerClass::Address, 9},
        {adjustEnd(1), AnswerClass::Ack, 1},
        {adjustBegin(1), AnswerClass::Ack, 1},
        {memoryWrite(0x300, "0000000000000000"), AnswerClass::Ack, 1},
        {memoryWriteEnd(), AnswerClass::None, 0},
        {setLeft(1, 9000), AnswerClass::Ack, 1},
        {setRight(1, 9000), AnswerClass::Ack, 1},
        {outputCopy(1, 2), AnswerClass::None, 0},
        {memoryDump(), AnswerClass::Dump, 1024},
        {outputReset(4), AnswerClass::None, 0},
        {moveRight(RunToEnd), AnswerClass::Ack, 1},
        {moveLeft(StopRun), AnswerClass::Position, 6},
        {moveRight(StopRun), AnswerClass::Position, 6},
        {storeRunTimeRight(), AnswerClass::Ack, 1},
        {storeRunTimeLeft(), AnswerClass::Ack, 1},
        {turnRight(), AnswerClass::Ack, 1},
        {turnLeft(), AnswerClass::Ack, 1},
        {runTimeRight(5), AnswerClass::Position, 6},
        {runTimeLeft(5), AnswerClass::Position, 6},
        {storeLeft(), AnswerClass::Ack, 1},
        {storeRight(), AnswerClass::Ack, 1},
        {leftStep(0, 10), AnswerClass::Position, 6},
        {rightStep(1, 250), AnswerClass::Position, 6},
        {servoConfigWrite({.output = 1, .neutralHex = "2EE0"}), AnswerClass::Any, 1},
        {trafficLightConfigWrite({"2EE0", 1, 1, 0, 0}), AnswerClass::Any, 1},
        {middlePosition(), AnswerClass::Position, 6},
        {bare(17), AnswerClass::None, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame.bytes.toHex().toStdString());
        EXPECT_EQ(answerClass(c.frame), c.answer);
        EXPECT_EQ(awaitedLength(c.frame, 2), c.length);
    }
    const std::pair<int, int> blockLengths[] = {{0, 80}, {1, 78}, {2, 79}, {3, 80}};
    for (const auto& [variant, length] : blockLengths)
        EXPECT_EQ(awaitedLength(blockRead(3), variant), length) << variant;
}

TEST(CatalogueAnswers, PositionAnswerIsReversedAndSplit)
{
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"401240", 10856},     // 042 104
        {"550000", 55},        // 000 055
        {"552552", 65535},     // 255 255
        {"000000", 0},
        {"XYZ401240", 10856},  // earlier characters end up behind the six
        {"40124", std::nullopt},
        {"", std::nullopt},
        {"4012a0", std::nullopt},
        {"003003", std::nullopt},  // 300 is no byte
        {"######", std::nullopt},
    };
    for (const auto& [received, value] : cases)
        EXPECT_EQ(positionAnswerValue(received), value) << received;
}

TEST(CatalogueAnswers, AddressAnswerGroups)
{
    struct Case {
        const char* received;
        int address;
        const char* code;
    };
    const Case cases[] = {
        {"100000000", 1, "0001"},
        {"000300000", 768, "0300"},  // the Motorola code of address 1
        {"861200000", 680, "02A8"},  // 002 168: address 80
        {"300100000", 259, "0103"},
        {"110200999", 523, "020B"},  // group 1 is ignored
    };
    for (const Case& c : cases) {
        const auto answer = addressAnswer(c.received);
        ASSERT_TRUE(answer) << c.received;
        EXPECT_EQ(answer->address(), c.address) << c.received;
        EXPECT_EQ(answer->motorolaCodeText(), QByteArray(c.code)) << c.received;
    }
    EXPECT_EQ(motorolaAddress(addressAnswer("000300000")->motorolaCodeText()), 1);
    EXPECT_EQ(motorolaAddress(addressAnswer("861200000")->motorolaCodeText()), 80);
    for (const char* bad : {"10000000", "a00000000", "#########", "009000000"})
        EXPECT_FALSE(addressAnswer(bad)) << bad;
}

TEST(CatalogueAnswers, DumpChunksAreReversedOneByOne)
{
    QByteArray received;
    for (int k = 0; k < 32; ++k) {
        QByteArray chunk = QByteArray::number(k, 16).rightJustified(2, '0').toUpper().repeated(15) + "AB";
        std::reverse(chunk.begin(), chunk.end());
        received += chunk;
    }
    const auto chunks = dumpChunks(received);
    ASSERT_TRUE(chunks);
    ASSERT_EQ(chunks->size(), 32);
    EXPECT_EQ(chunks->at(0), QByteArray("00").repeated(15) + "AB");
    EXPECT_EQ(chunks->at(31), QByteArray("1F").repeated(15) + "AB");
    EXPECT_FALSE(dumpChunks(received.left(1023)));
    EXPECT_FALSE(dumpChunks(received + "X"));
}

TEST(CatalogueNames, EveryFrameIsNamedForTheMonitor)
{
    const std::pair<Frame, const char*> cases[] = {
        {blockRead(1), "Block 1 lesen"},
        {blockRead(10), "Block 10 lesen"},  // 250 alone
        {blockRead(16), "Block 16 lesen"},
        {dccAddressWrite(0, 5), "Adresse schreiben"},
        {dccAddressWrite(2, 5), "Adresse schreiben"},
        {outputSwitch(3, 0), "Ausgang 3 Stellung 1"},
        {outputSwitch(8, 16), "Ausgang 8 Stellung 2"},
        {memoryWrite(0x300, "00112233445566778899AABBCCDDEEFF"), "Speicher schreiben"},
        {memoryWriteEnd(), "Speicher schreiben beenden"},
        {memoryDump(), "Speicher lesen"},
        {ramDump(), "RAM lesen"},
        {moveLeft(RunToEnd), "Nach links laufen"},
        {moveLeft(StopRun), "Lauf links anhalten"},
        {middlePosition(), "Mittelstellung"},
        {powerUpStateQuery(), "Einschaltzustand abfragen"},
        {bare(17), "unbekannter Befehl 17"},
    };
    for (const auto& [frame, name] : cases)
        EXPECT_EQ(commandName(frame), QString::fromUtf8(name)) << frame.bytes.toHex().constData();
}
