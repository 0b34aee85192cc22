#include "link/Transport.h"

#include "decoder/DecoderTables.h"
#include "link/CommandCatalogue.h"
#include "platform/Host.h"
#include "platform/SerialPort.h"

#include <cstdint>

namespace qb {

namespace {
const QString CRLF = QStringLiteral("\r\n");
}

Transport::Transport(Host& host, SerialPort& port, const DecoderIdentity& identity,
                     std::function<void()> endProgram)
    : host_(host),
      port_(port),
      identity_(identity),
      endProgram_(std::move(endProgram)),
      timer2_(host.createTimer()),
      timer4_(host.createTimer())
{
    timer2_->setInterval(StartTimeoutMs);
    timer2_->setHandler([this] {
        timer2_->setEnabled(false);
        TimedOut = true;
    });
    timer4_->setHandler([this] {
        timer4_->setEnabled(false);
        DelayRunning = false;
    });
}

Transport::~Transport() = default;

void Transport::writeFrame(const Frame& frame)
{
    SendFrame = frame.bytes;
    // Input is discarded before the frame goes out, so a late answer to an
    // earlier frame never counts as this frame's answer.
    InString = port_.readAll();
    InString.clear();
    port_.write(SendFrame);
}

void Transport::waitFor(int n)
{
    host_.setBusy(true);
    ++waitDepth_;
    port_.setWakeThreshold(n);
    const bool running = host_.waitUntil([&] { return port_.bytesAvailable() >= n || TimedOut; });
    port_.setWakeThreshold(1);
    --waitDepth_;
    if (!running)
        TimedOut = true;  // the program is ending: nothing more will arrive
    // An exchange nested in another one's wait (a menu command during the
    // wait) leaves the time-out running for the outer wait, which would
    // otherwise wait for ever for an answer the nested exchange took.
    timer2_->setEnabled(waitDepth_ > 0 && !TimedOut);
    host_.setBusy(waitDepth_ > 0);
}

void Transport::ExchangeCommand(const Frame& frame, int n)
{
    writeFrame(frame);
    TimedOut = false;
    timer2_->setEnabled(true);
    waitFor(n);
    if (!TimedOut)
        InString = port_.readAll();
}

bool Transport::ReadBlockAttempts(int n, int awaited)
{
    RetriesLeft = BlockRetries;
    for (;;) {
        // Each attempt starts clean, so that a retry after a framing error can
        // succeed; only errors that persist use up the attempts.
        FrameError = false;
        TimedOut = false;
        timer2_->setEnabled(true);
        writeFrame(commands::blockRead(n));
        waitFor(awaited);
        if (TimedOut || FrameError)
            --RetriesLeft;
        if (!FrameError || RetriesLeft < 1 || host_.quitRequested())
            break;
    }
    if (RetriesLeft > 0) {
        InString = port_.readAll();
        return true;
    }
    return false;
}

void Transport::ReadBlock(int n)
{
    if (ReadBlockAttempts(n, ProtocolVariant == 1 ? 78 : 79))
        return;
    MessageText = QStringLiteral("Timeout von Decoder!") + CRLF +
                  QStringLiteral("Decoder ist vermutlich nicht eingeschaltet.") + CRLF +
                  QStringLiteral("Programm wird beendet.");
    host_.message(MessageText);
    if (endProgram_)
        endProgram_();
}

void Transport::Send(const Frame& frame)
{
    writeFrame(frame);
}

void Transport::SwitchOutput(int n, int s)
{
    if (!isInGroup(DecoderGroup::DirectSwitchGroup, identity_.DecoderId))
        return;
    const int command = 128 + n + s;
    if (n < 1 || command > 255)
        return;
    Send(commands::outputSwitch(n, s));
}

void Transport::Delay(int ms)
{
    DelayRunning = true;
    timer4_->setInterval(ms);
    timer4_->setEnabled(true);
    host_.waitUntil([&] { return !DelayRunning; });
    timer4_->setEnabled(false);
    DelayRunning = false;
}

QString ToBinary8(quint32 x)
{
    QString digits;
    do {
        digits.prepend(x % 2 ? QLatin1Char('1') : QLatin1Char('0'));
        x /= 2;
    } while (x != 0);
    return digits.rightJustified(8, QLatin1Char('0'));
}

QString ToHexText(const QString& decimalText)
{
    bool ok = false;
    const qint64 value = decimalText.trimmed().toLongLong(&ok);
    if (!ok || value < INT32_MIN || value > UINT32_MAX)
        return QStringLiteral("0");
    return QString::number(static_cast<quint32>(value), 16).toUpper();
}

}  // namespace qb
