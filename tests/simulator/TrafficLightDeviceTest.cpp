#include "link/CommandCatalogue.h"
#include "simulator/DecoderDevice.h"
#include "support/SimRig.h"

#include <gtest/gtest.h>

using namespace qb;
using namespace qb::commands;
using namespace qb::sim;

namespace {

QByteArray ask(DecoderDevice& device, const Frame& frame)
{
    const std::vector<Response> replies = device.receive(frame.bytes, device.baud(), 0);
    return replies.empty() ? QByteArray() : replies.front().bytes;
}

}  // namespace

TEST(DecoderDevice, ADelayedAnswerStartsAfterItsPause)
{
    for (int baud : {4800, 9600}) {
        SCOPED_TRACE(baud);
        qb::test::SimRig rig({"L7466469", 0, baud});
        rig.device.injectFault(Fault::Delayed);
        rig.port.write(blockRead(1).bytes);
        const qint64 charUs = 10'000'000 / baud;
        rig.host.advanceMs(DelayedAnswerUs / 1000);
        EXPECT_EQ(rig.port.bytesAvailable(), 0);
        rig.host.advanceMs((2 + 80) * charUs / 1000 + 5);
        EXPECT_EQ(rig.port.bytesAvailable(), 80);
        // Only that answer waits.
        rig.port.readAll();
        rig.port.write(blockRead(2).bytes);
        rig.host.advanceMs((2 + 80) * charUs / 1000 + 5);
        EXPECT_EQ(rig.port.bytesAvailable(), 80);
    }
}

TEST(DecoderDevice, ATrafficLightRestartStartsItsRamAfresh)
{
    DecoderDevice device({"L9624164"});
    device.receive(outputSwitch(2, 16).bytes, 4800, 0);
    ask(device, trafficLightConfigWrite({"2AF8", 8 + 128, 2, 0, 8}));
    QByteArray image = ask(device, ramDump());
    EXPECT_EQ(image.left(4), "FF01");
    EXPECT_EQ(image.mid(2 * DecoderDevice::RamMemoryCopy, 4), "0102") << "the memory of power-up";

    EXPECT_TRUE(device.receive(outputCopy(1, 1).bytes, 4800, 0).empty());
    image = ask(device, ramDump());
    EXPECT_EQ(image.left(16), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(image.mid(2 * DecoderDevice::RamMemoryCopy, 4), "0288") << "command station, four ways, pedestrians";
    EXPECT_EQ(device.switchState(2), -1);
}
