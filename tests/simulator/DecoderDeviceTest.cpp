#include "simulator/DecoderDevice.h"
#include "link/CommandCatalogue.h"
#include "support/SimRig.h"

#include <gtest/gtest.h>

using namespace qb;
using namespace qb::sim;
using qb::test::reversed;

TEST(DecoderDevice, BlockLayoutByVariant)
{
    struct Case {
        const char* id;
        int variant;
        int length;
    };
    for (const Case c : {Case{"R5494940", 1, 78}, Case{"R8996640", 2, 79}, Case{"L9624164", 2, 79},
                         Case{"L1164566", 3, 80}, Case{"L7466469", 3, 80}}) {
        SCOPED_TRACE(c.id);
        DecoderDevice device({c.id});
        device.setField(5, 1, 0x81);
        device.setField(5, 23, 7);
        device.setStatusDigit(5, '3');
        device.setBusLaneDigit(5, '9');
        EXPECT_EQ(device.variant(), c.variant);
        const QByteArray block = device.blockText(5);
        ASSERT_EQ(block.size(), c.length);
        EXPECT_EQ(block.left(3), "129");
        EXPECT_EQ(block.mid(66, 3), "007");
        EXPECT_EQ(block[69], '5');
        EXPECT_EQ(block.mid(70, 8), QByteArray(c.id));
        if (c.variant >= 2)
            EXPECT_EQ(block[78], '3');
        if (c.variant == 3)
            EXPECT_EQ(block[79], '9');
    }
}

TEST(DecoderDevice, AnswersABlockReadLastCharacterFirst)
{
    DecoderDevice device;
    for (int n : {1, 9, 15, 16}) {
        const auto replies = device.receive(commands::blockRead(n).bytes, 4800, 0);
        ASSERT_EQ(replies.size(), 1u) << n;
        EXPECT_EQ(reversed(replies[0].bytes), device.blockText(n));
        EXPECT_EQ(reversed(replies[0].bytes)[69], n == 16 ? '0' : char('0' + n));
    }
    // 240 alone is no block read.
    EXPECT_TRUE(device.receive(QByteArray("\xF0\r"), 4800, 0).empty());
}

TEST(DecoderDevice, SilentAtTheOtherLineSpeedOrWithoutPower)
{
    DecoderDevice device({"R5--XC45", 0, 9600});
    EXPECT_TRUE(device.receive(commands::blockRead(1).bytes, 4800, 0).empty());
    EXPECT_TRUE(device.log().back().garbled);
    EXPECT_EQ(device.receive(commands::blockRead(1).bytes, 9600, 0).size(), 1u);
    device.setDsr(false);
    EXPECT_TRUE(device.receive(commands::blockRead(1).bytes, 9600, 0).empty());
}

TEST(DecoderDevice, FramesSplitAcrossWritesAreJoined)
{
    DecoderDevice device;
    EXPECT_TRUE(device.receive(QByteArray("\xF3"), 4800, 0).empty());
    EXPECT_EQ(device.receive(QByteArray("\r\xF4\r"), 4800, 0).size(), 2u);
    EXPECT_EQ(device.receivedFrames(), (std::vector<QByteArray>{"\xF3\r", "\xF4\r"}));
}

TEST(DecoderDevice, FaultsShapeTheNextAnswers)
{
    struct Case {
        Fault fault;
        std::function<void(const std::vector<Reply>&, const QByteArray& good, const DecoderDevice&)> check;
    };
    const Case cases[] = {
        {Fault::NoAnswer, [](auto& r, auto&, auto&) { EXPECT_TRUE(r.empty()); }},
        {Fault::Refusal, [](auto& r, auto&, auto&) { EXPECT_EQ(r.at(0).bytes, QByteArray("\x15")); }},
        {Fault::Garbage,
         [](auto& r, auto& good, auto&) {
             EXPECT_EQ(r.at(0).bytes.size(), good.size());
             EXPECT_NE(r.at(0).bytes, good);
         }},
        {Fault::ShortAnswer, [](auto& r, auto& good, auto&) { EXPECT_EQ(r.at(0).bytes, good.left(39)); }},
        {Fault::ExtraChars,
         [](auto& r, auto& good, auto&) { EXPECT_EQ(r.at(0).bytes.left(79), good); EXPECT_GT(r.at(0).bytes.size(), 79); }},
        {Fault::FrameError, [](auto& r, auto&, auto&) { EXPECT_TRUE(r.at(0).framingError); }},
        {Fault::DsrDrop, [](auto& r, auto&, auto& d) { EXPECT_TRUE(r.empty()); EXPECT_FALSE(d.dsr()); }},
        {Fault::WrongOutputDigit,
         [](auto& r, auto&, auto&) { EXPECT_EQ(reversed(r.at(0).bytes)[69], '3'); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault));
        DecoderDevice device;
        const QByteArray good = device.receive(commands::blockRead(2).bytes, 4800, 0).at(0).bytes;
        device.injectFault(c.fault);
        c.check(device.receive(commands::blockRead(2).bytes, 4800, 0), good, device);
        device.setDsr(true);
        // Only the next answer is affected.
        EXPECT_EQ(device.receive(commands::blockRead(2).bytes, 4800, 0).at(0).bytes, good);
    }
}

TEST(SimulatedPort, PacesTheAnswerAtWireSpeed)
{
    for (int baud : {4800, 9600}) {
        qb::test::SimRig rig({"R5--XC45", 0, baud});
        rig.port.write(commands::blockRead(1).bytes);
        const qint64 charUs = 10'000'000 / baud;
        rig.host.advanceMs((2 + 40) * charUs / 1000);
        EXPECT_NEAR(rig.port.bytesAvailable(), 40, 2) << baud;
        rig.host.advanceMs(100);
        EXPECT_EQ(rig.port.bytesAvailable(), 79);
    }
}

TEST(SimulatedPort, OpensOnlyPortsWithADevice)
{
    qb::test::TestHost host;
    DecoderDevice device;
    SimulatedPort port(host, device);
    port.setAvailablePorts({2});
    EXPECT_EQ(port.open(1, "4800,N,8,1"), OpenError::InvalidPort);
    EXPECT_EQ(port.open(2, "4800,X,8,1"), OpenError::Other);
    EXPECT_EQ(port.open(2, "9600,N,8,1"), OpenError::None);
    EXPECT_EQ(port.settings().baud, 9600);
    port.failOpens(OpenError::AccessDenied, "Gerät belegt");
    port.close();
    EXPECT_EQ(port.open(2, "4800,N,8,1"), OpenError::AccessDenied);
    EXPECT_EQ(port.errorString(), QStringLiteral("Gerät belegt"));
}
