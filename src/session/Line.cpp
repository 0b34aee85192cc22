#include "session/Line.h"

#include "decoder/DecoderIdentity.h"
#include "decoder/DecoderTables.h"
#include "platform/Host.h"
#include "platform/SerialPort.h"

#include <QtGlobal>
#include <algorithm>
#include <utility>

namespace qb {

Line::Operation::Operation(Operation&& other) noexcept : line_(std::exchange(other.line_, nullptr)) {}

Line::Operation& Line::Operation::operator=(Operation&& other) noexcept
{
    if (this != &other) {
        if (line_)
            line_->release();
        line_ = std::exchange(other.line_, nullptr);
    }
    return *this;
}

Line::Operation::~Operation()
{
    if (line_)
        line_->release();
}

Line::Line(Host& host, SerialPort& port, const DecoderIdentity& identity)
    : host_(host), port_(port), identity_(identity), timeout_(host.createTimer())
{
    timeout_->setInterval(responseTimeoutMs_);
    timeout_->setHandler([this] {
        timeout_->setEnabled(false);
        timedOut_ = true;
    });
}

Line::~Line() = default;

Line::Operation Line::begin()
{
    return grant(true);
}

Line::Operation Line::beginQuietly()
{
    return grant(false);
}

Line::Operation Line::grant(bool beepOnRefusal)
{
    // An operation's own calls come at the depth it started at; anything at
    // another depth was started by an event inside one of its waits.
    if (holds_ > 0 && host_.eventDepth() != holderDepth_) {
        if (beepOnRefusal)
            host_.beep();
        return {};
    }
    if (holds_++ == 0) {
        holderDepth_ = host_.eventDepth();
        host_.setBusy(true);
    }
    return Operation(*this);
}

void Line::release()
{
    if (--holds_ == 0)
        host_.setBusy(false);
}

void Line::setResponseTimeout(int ms)
{
    responseTimeoutMs_ = ms;
}

int Line::answerTimeoutMs(int awaited) const
{
    // The line does not learn which speed the connection opened at: the
    // wire time is that of the slowest speed the program uses (4800 baud,
    // the first it opens), which at 9600 baud only leaves more room.
    const qint64 wireMs = awaited * LineSettings{}.charTimeUs() / 1000;
    return static_cast<int>(std::max<qint64>(responseTimeoutMs_, wireMs + responseTimeoutMs_ / 5));
}

Reply Line::transact(const Frame& frame, int awaited, commands::AnswerClass answer)
{
    if (holds_ == 0 || waiting_) {
        qWarning("Frame 0x%02x not sent: %s", frame.command(),
                 waiting_ ? "another exchange waits for its answer" : "no operation holds the line");
        return {ReplyStatus::LineBusy, {}};
    }
    if (host_.quitRequested())
        return {ReplyStatus::Ending, {}};
    // Input is discarded before the frame goes out, so a late answer to an
    // earlier frame never counts as this frame's answer.
    port_.readAll();
    frameError_ = false;
    const qint64 sentUs = host_.nowUs();
    port_.write(frame.bytes);
    Reply reply;
    if (awaited > 0) {
        timedOut_ = false;
        timeout_->setInterval(answerTimeoutMs(awaited));
        timeout_->setEnabled(true);
        waiting_ = true;
        port_.setWakeThreshold(awaited);
        const bool running = host_.waitUntil([&] { return port_.bytesAvailable() >= awaited || timedOut_; });
        port_.setWakeThreshold(1);
        waiting_ = false;
        timeout_->setEnabled(false);
        // The whole input buffer is the answer, even beyond what was awaited.
        reply.text = port_.readAll();
        if (!running)
            reply.status = ReplyStatus::Ending;
        else if (reply.text.size() < awaited)
            reply.status = ReplyStatus::TimedOut;
        else if (answer == commands::AnswerClass::Ack && !reply.text.startsWith(char(commands::ACK)))
            reply.status = ReplyStatus::Refused;
    }
    if (monitor_)
        monitor_(frame, reply, sentUs);
    return reply;
}

Reply Line::exchange(const Frame& frame)
{
    const commands::AnswerClass answer = commands::answerClass(frame);
    return transact(frame, commands::awaitedLength(answer, identity_.ProtocolVariant), answer);
}

Reply Line::readBlock(int n, int variant, Attempts attempts)
{
    return readBlockAwaiting(n, commands::blockLength(variant), attempts);
}

Reply Line::readBlockAwaiting(int n, int awaited, Attempts attempts)
{
    const Frame frame = commands::blockRead(n);
    for (int attempt = 1;; ++attempt) {
        // Each attempt starts clean, so that a retry after a framing error
        // can succeed; only errors that persist use up the attempts.
        frameError_ = false;
        Reply reply = transact(frame, awaited, commands::AnswerClass::Block);
        if (reply.status != ReplyStatus::Answered && reply.status != ReplyStatus::TimedOut)
            return reply;
        if (!frameError_ || (attempts == Attempts::UntilTimeOut && reply.status == ReplyStatus::TimedOut))
            return reply;
        if (attempt == BlockAttempts) {
            reply.status = ReplyStatus::Garbled;
            return reply;
        }
    }
}

Reply Line::readBlock(int n)
{
    return readBlock(n, identity_.ProtocolVariant);
}

void Line::switchOutput(int n, int s)
{
    if (!isInGroup(DecoderGroup::DirectSwitchGroup, identity_.DecoderId))
        return;
    if (n < 1 || 128 + n + s > 255)
        return;
    exchange(commands::outputSwitch(n, s));
}

void Line::delay(int ms)
{
    // A timer of its own, so that a delay inside another one cannot end it.
    bool done = false;
    const std::unique_ptr<Timer> timer = host_.createTimer();
    timer->setInterval(ms);
    timer->setHandler([&] {
        timer->setEnabled(false);
        done = true;
    });
    timer->setEnabled(true);
    host_.waitUntil([&] { return done; });
}

bool reportFailure(Host& host, const Reply& reply)
{
    if (reply.ok())
        return false;
    const QString text = failureText(reply);
    if (!text.isEmpty())
        host.message(text);
    return true;
}

}  // namespace qb
