// The program's real serial stack (QtSerialPort, QtHost, Line) against
// quenbrix-sim over a pseudo-terminal, in real time.

#include "decoder/DecoderIdentity.h"
#include "link/CommandCatalogue.h"
#include "platform/PortDirectory.h"
#include "platform/QtHost.h"
#include "platform/QtSerialPort.h"
#include "session/Line.h"

#include "support/MemorySettingsStore.h"
#include "support/SimProcess.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <ostream>
#include <thread>

#if defined(__unix__) && defined(QUENBRIX_SIM_PATH)

namespace qb {
namespace {
using namespace qb::test;

using namespace std::chrono_literals;

QByteArray reversed(QByteArray text)
{
    std::reverse(text.begin(), text.end());
    return text;
}

// The program's stack on port 1, pinned to the simulator's device.
struct Stack {
    explicit Stack(const QString& device)
        : directory(store, [] { return QStringList(); }),
          port(host, directory),
          line(host, port, identity),
          operation(line.begin())
    {
        identity.ProtocolVariant = 2;
        directory.pin(1, device);
        port.setEventHandler([this](CommEvent event) { events.push_back(event); });
    }

    // Keeps events flowing until the condition holds or the time is up.
    bool waitUntil(const std::function<bool()>& condition, int ms)
    {
        bool late = false;
        auto deadline = host.createTimer();
        deadline->setInterval(ms);
        deadline->setHandler([&] { late = true; });
        deadline->setEnabled(true);
        host.waitUntil([&] { return condition() || late; });
        return condition();
    }

    int count(CommEvent event) const { return int(std::count(events.begin(), events.end(), event)); }

    test::MemorySettingsStore store;
    PortDirectory directory;
    QtHost host;
    QtSerialPort port;
    DecoderIdentity identity;
    Line line;
    Line::Operation operation;
    std::vector<CommEvent> events;
};

constexpr int BlockLength = 79;  // protocol variant 2

TEST(PtyEndToEnd, BlockReadCrossesThePseudoTerminal)
{
    Simulator sim(4800);
    ASSERT_FALSE(sim.device().isEmpty());
    Stack stack(sim.device());
    ASSERT_EQ(stack.port.open(1, "4800,N,8,1"), OpenError::None) << qPrintable(stack.port.errorString());

    const Reply reply = stack.line.readBlock(1);

    ASSERT_TRUE(reply.ok());
    ASSERT_EQ(reply.text.size(), BlockLength);
    const QByteArray block = reversed(reply.text);
    EXPECT_EQ(block.mid(70, 8), "R5--XC45");  // positions 71..78
    EXPECT_EQ(block[69], '1');                 // the output the block belongs to

    const auto log = sim.logOnce([](const auto& lines) { return !sentLines(lines).empty(); });
    const auto received = receivedLines(log);
    const auto sent = sentLines(log);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].bytes, QByteArray::fromHex("F10D"));
    EXPECT_FALSE(received[0].garbled);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].bytes, reply.text);

    // A pseudo-terminal reports no line states: DSR counts as high and nothing was raised
    // over the read, which outlasts the line poll.
    EXPECT_TRUE(stack.port.dsr());
    EXPECT_TRUE(stack.events.empty());

    // SIGTERM ends the simulator cleanly.
    stack.port.close();
    sim.stop();
    EXPECT_EQ(sim.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.process().exitCode(), 0);
}

TEST(PtyEndToEnd, AnAnswerShorterThanAwaitedIsStillReadWhole)
{
    // The port is told how many characters the wait needs and is woken only
    // then; an answer that stops short must still be there after the time-out.
    Simulator sim(4800);
    ASSERT_FALSE(sim.device().isEmpty());
    Stack stack(sim.device());
    ASSERT_EQ(stack.port.open(1, "4800,N,8,1"), OpenError::None) << qPrintable(stack.port.errorString());
    stack.line.setResponseTimeout(400);
    // Taken for a decoder of 80-character blocks, this one's 79 come short.
    stack.identity.ProtocolVariant = 3;
    const Reply shortBlock = stack.line.readBlock(2);
    EXPECT_EQ(shortBlock.status, ReplyStatus::TimedOut);
    EXPECT_EQ(shortBlock.text.size(), BlockLength);
    // Afterwards a full answer ends the wait as soon as it is in.
    stack.identity.ProtocolVariant = 2;
    const Reply full = stack.line.readBlock(3);
    EXPECT_TRUE(full.ok());
    EXPECT_EQ(reversed(full.text)[69], '3');
}

TEST(PtyEndToEnd, WrongLineSpeedGetsNoAnswer)
{
    Simulator sim(4800);
    ASSERT_FALSE(sim.device().isEmpty());
    Stack stack(sim.device());
    ASSERT_EQ(stack.port.open(1, "9600,N,8,1"), OpenError::None) << qPrintable(stack.port.errorString());
    stack.line.setResponseTimeout(300);

    const Reply reply = stack.line.readBlock(1);

    EXPECT_EQ(reply.status, ReplyStatus::TimedOut);
    EXPECT_TRUE(reply.text.isEmpty());
    EXPECT_EQ(stack.port.bytesAvailable(), 0);
    // The frame did reach the decoder, which heard noise and kept silent.
    const auto log = sim.logOnce([](const auto& lines) { return !lines.empty(); });
    const auto received = receivedLines(log);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_TRUE(received[0].garbled);
    EXPECT_TRUE(sentLines(log).empty());
}

TEST(PtyEndToEnd, ReopenedPortIsServedAgain)
{
    Simulator sim(4800);
    ASSERT_FALSE(sim.device().isEmpty());
    Stack stack(sim.device());
    ASSERT_EQ(stack.port.open(1, "4800,N,8,1"), OpenError::None);
    ASSERT_TRUE(stack.line.readBlock(1).ok());

    stack.port.close();
    EXPECT_FALSE(stack.port.isOpen());
    EXPECT_FALSE(stack.port.dsr());
    stack.port.write(QByteArray("\xF1\r"));  // closed: goes nowhere
    // Closed long enough for the simulator to see that nobody holds the device.
    stack.waitUntil([] { return false; }, 300);
    ASSERT_EQ(stack.port.open(1, "4800,N,8,1"), OpenError::None) << qPrintable(stack.port.errorString());
    const Reply reply = stack.line.readBlock(2);

    ASSERT_TRUE(reply.ok());
    ASSERT_EQ(reply.text.size(), BlockLength);
    EXPECT_EQ(reversed(reply.text)[69], '2');
    const auto log = sim.logOnce([](const auto& lines) { return sentLines(lines).size() >= 2; });
    const auto received = receivedLines(log);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].bytes, QByteArray::fromHex("F10D"));
    EXPECT_EQ(received[1].bytes, QByteArray::fromHex("F20D"));
    EXPECT_EQ(sentLines(log).size(), 2u);
    EXPECT_TRUE(stack.events.empty());
}

TEST(PtyEndToEnd, VanishedDeviceIsOneLostLink)
{
    Simulator sim(4800);
    ASSERT_FALSE(sim.device().isEmpty());
    Stack stack(sim.device());
    ASSERT_EQ(stack.port.open(1, "4800,N,8,1"), OpenError::None);

    sim.stop();  // the far end goes away, like an adapter pulled out

    EXPECT_TRUE(stack.waitUntil([&] { return stack.count(CommEvent::LinkLost) > 0; }, 3000));
    EXPECT_FALSE(stack.port.isOpen());
    // Two more line polls: the closed port reports nothing further.
    stack.waitUntil([] { return false; }, 2 * QtSerialPort::LinePollMs + 50);
    EXPECT_EQ(stack.count(CommEvent::LinkLost), 1);
    EXPECT_EQ(stack.events.size(), 1u);
    stack.port.write(QByteArray("\xF1\r"));
    EXPECT_EQ(stack.port.bytesAvailable(), 0);
    EXPECT_TRUE(stack.port.readAll().isEmpty());
}

TEST(PtyEndToEnd, SimulatorTakesIdAndVariant)
{
    Simulator sim(9600, {QStringLiteral("--id"), QStringLiteral("L7TEST01"), QStringLiteral("--variant"),
                         QStringLiteral("3")});
    ASSERT_FALSE(sim.device().isEmpty());
    Stack stack(sim.device());
    ASSERT_EQ(stack.port.open(1, "9600,N,8,1"), OpenError::None);

    stack.identity.ProtocolVariant = 3;
    const Reply reply = stack.line.readBlock(16);

    ASSERT_TRUE(reply.ok());
    const QByteArray block = reversed(reply.text);
    ASSERT_EQ(block.size(), 80);
    EXPECT_EQ(block.mid(70, 8), "L7TEST01");
    EXPECT_EQ(block[69], '0');  // block 16 names output 16 by its low digit
}

TEST(PtyEndToEnd, SimulatorFaultsStandForTheirOutputOrCommand)
{
    Simulator sim(4800, {QStringLiteral("--fault"), QStringLiteral("silent@3"), QStringLiteral("--fault=refuse@0xCA")});
    ASSERT_FALSE(sim.device().isEmpty());
    Stack stack(sim.device());
    ASSERT_EQ(stack.port.open(1, "4800,N,8,1"), OpenError::None);
    stack.line.setResponseTimeout(400);

    EXPECT_TRUE(stack.line.readBlock(2).ok());
    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_EQ(stack.line.readBlock(3).status, ReplyStatus::TimedOut);
    EXPECT_EQ(stack.line.exchange(commands::setLeft(2, 9000)).status, ReplyStatus::Refused);
    EXPECT_EQ(stack.line.exchange(commands::setRight(2, 9000)).status, ReplyStatus::Answered);
}

struct ArgumentCase {
    const char* name;
    QStringList arguments;
    int exitCode;
};

void PrintTo(const ArgumentCase& c, std::ostream* os)
{
    *os << c.name;
}

class PtyEndToEndSimArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(PtyEndToEndSimArguments, AreChecked)
{
    const ArgumentCase& c = GetParam();
    QProcess sim;
    sim.start(QStringLiteral(QUENBRIX_SIM_PATH), c.arguments);
    ASSERT_TRUE(sim.waitForFinished(5000)) << "still running";
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), c.exitCode);
    if (c.exitCode == 0) {
        EXPECT_TRUE(sim.readAllStandardOutput().startsWith("Usage: quenbrix-sim"));
    } else {
        EXPECT_TRUE(sim.readAllStandardOutput().isEmpty());  // no device path for a caller to use
        EXPECT_FALSE(sim.readAllStandardError().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PtyEndToEndSimArguments,
    ::testing::Values(ArgumentCase{"Help", {"--help"}, 0},
                      ArgumentCase{"UnknownOption", {"--speed", "4800"}, 2},
                      ArgumentCase{"BaudNotOffered", {"--baud", "19200"}, 2},
                      ArgumentCase{"BaudNotANumber", {"--baud=fast"}, 2},
                      ArgumentCase{"VariantOutOfRange", {"--variant", "4"}, 2},
                      ArgumentCase{"IdTooLong", {"--id", "R5--XC456"}, 2},
                      ArgumentCase{"IdEmpty", {"--id="}, 2},
                      ArgumentCase{"ValueMissing", {"--log"}, 2},
                      ArgumentCase{"FaultWithoutTarget", {"--fault", "silent"}, 2},
                      ArgumentCase{"FaultOfUnknownKind", {"--fault", "loud@3"}, 2},
                      ArgumentCase{"FaultOnOutputSeventeen", {"--fault", "silent@17"}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

struct OpenCase {
    const char* name;
    enum class Device { None, Missing, Simulator, SimulatorHeld, PlainFile, NullDevice } device;
    const char* settings;
    OpenError expected;
    const char* messagePart;  // in errorString(), when not empty
};

void PrintTo(const OpenCase& c, std::ostream* os)
{
    *os << c.name;
}

class PtyEndToEndOpen : public ::testing::TestWithParam<OpenCase> {};

TEST_P(PtyEndToEndOpen, FailureIsReported)
{
    const OpenCase& c = GetParam();
    std::optional<Simulator> sim;
    QString device;
    switch (c.device) {
    case OpenCase::Device::None:
        break;
    case OpenCase::Device::Missing:
        device = QStringLiteral("/dev/quenbrix-no-such-device");
        break;
    case OpenCase::Device::PlainFile:
        device = QCoreApplication::applicationFilePath();
        break;
    case OpenCase::Device::NullDevice:
        device = QStringLiteral("/dev/null");
        break;
    case OpenCase::Device::Simulator:
    case OpenCase::Device::SimulatorHeld:
        sim.emplace(4800);
        device = sim->device();
        ASSERT_FALSE(device.isEmpty());
        break;
    }
    std::optional<Stack> holder;
    if (c.device == OpenCase::Device::SimulatorHeld) {
        holder.emplace(device);
        ASSERT_EQ(holder->port.open(1, "4800,N,8,1"), OpenError::None);
    }
    Stack stack(device);

    EXPECT_EQ(stack.port.open(1, c.settings), c.expected);
    EXPECT_FALSE(stack.port.isOpen());
    EXPECT_FALSE(stack.port.errorString().isEmpty());
    if (*c.messagePart) {
        EXPECT_TRUE(stack.port.errorString().contains(QString::fromUtf8(c.messagePart)))
            << qPrintable(stack.port.errorString());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PtyEndToEndOpen,
    ::testing::Values(
        OpenCase{"NoDeviceBehindTheNumber", OpenCase::Device::None, "4800,N,8,1", OpenError::InvalidPort,
                 "Für Port 1 gibt es kein serielles Gerät. Ist der USB-Seriell-Adapter eingesteckt?"},
        OpenCase{"DeviceMissing", OpenCase::Device::Missing, "4800,N,8,1", OpenError::InvalidPort,
                 "Das Gerät /dev/quenbrix-no-such-device gibt es nicht. Ist der USB-Seriell-Adapter eingesteckt?"},
        OpenCase{"APlainFile", OpenCase::Device::PlainFile, "4800,N,8,1", OpenError::Other,
                 "ist keine serielle Schnittstelle."},
        OpenCase{"NotATerminal", OpenCase::Device::NullDevice, "4800,N,8,1", OpenError::Other,
                 "/dev/null ist keine serielle Schnittstelle."},
        OpenCase{"SettingsNotUnderstood", OpenCase::Device::Simulator, "4800,X,8,1", OpenError::Other,
                 "4800,X,8,1"},
        OpenCase{"HeldByAnotherPort", OpenCase::Device::SimulatorHeld, "4800,N,8,1", OpenError::AccessDenied,
                 "wird von einem anderen Programm benutzt. Beenden Sie das andere Programm."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qb

#else

TEST(PtyEndToEnd, NeedsPseudoTerminalsAndTheSimulator)
{
    GTEST_SKIP() << "no pseudo-terminals here, or quenbrix-sim was not built";
}

#endif
