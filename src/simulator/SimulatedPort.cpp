#include "simulator/SimulatedPort.h"

#include "platform/Host.h"

#include <algorithm>

namespace qb::sim {

SimulatedPort::SimulatedPort(Host& host, DecoderDevice& device)
    : host_(host), device_(device), wire_(host.createTimer())
{
    for (int port = 1; port <= 20; ++port)
        available_.insert(port);
    wire_->setHandler([this] { deliverDue(); });
    device_.setDsrHandler([this] { onDsrChange(); });
}

SimulatedPort::~SimulatedPort()
{
    device_.setDsrHandler({});
}

QString SimulatedPort::describe(int portNumber) const
{
    if (!available_.empty() && !available_.count(portNumber))
        return QStringLiteral("kein Gerät");
    return QStringLiteral("eingebauter Demo-Decoder %1").arg(QString::fromLatin1(device_.id()));
}

void SimulatedPort::failOpens(OpenError error, const QString& reason)
{
    failWith_ = error;
    errorString_ = reason;
}

void SimulatedPort::loseLink()
{
    if (!open_)
        return;
    close();
    raise(CommEvent::LinkLost);
}

OpenError SimulatedPort::open(int portNumber, const QString& settings)
{
    const auto parsed = LineSettings::parse(settings);
    if (!parsed) {
        errorString_ = QStringLiteral("Ungültige Einstellungen: ") + settings;
        return OpenError::Other;
    }
    if (!available_.count(portNumber)) {
        errorString_ = QStringLiteral("Kein Gerät für Port %1").arg(portNumber);
        return OpenError::InvalidPort;
    }
    if (failWith_ != OpenError::None)
        return failWith_;
    if (open_)
        close();
    settings_ = *parsed;
    portNumber_ = portNumber;
    open_ = true;
    input_.clear();
    return OpenError::None;
}

void SimulatedPort::close()
{
    open_ = false;
    arrivals_.clear();
    input_.clear();
    wire_->setEnabled(false);
}

QByteArray SimulatedPort::readAll()
{
    QByteArray all;
    all.swap(input_);
    return all;
}

void SimulatedPort::write(const QByteArray& bytes)
{
    if (!open_)
        return;
    ++writes_;
    const qint64 charUs = settings_.charTimeUs();
    const qint64 now = host_.nowUs();
    const qint64 frameDone = now + bytes.size() * charUs;
    qint64 start = std::max(frameDone + TurnaroundUs,
                            arrivals_.empty() ? qint64(0) : arrivals_.back().dueUs);
    for (const Response& reply : device_.receive(bytes, settings_.baud, frameDone)) {
        start += reply.pauseUs;
        if (reply.framingError)
            arrivals_.push_back({start + charUs, {}, true});
        for (char c : reply.bytes) {
            start += charUs;
            const qint64 due = chunkUs_ > 0 ? (start + chunkUs_ - 1) / chunkUs_ * chunkUs_ : start;
            arrivals_.push_back({due, QByteArray(1, c)});
        }
    }
    schedule();
}

void SimulatedPort::schedule()
{
    if (arrivals_.empty()) {
        wire_->setEnabled(false);
        return;
    }
    const qint64 wait = arrivals_.front().dueUs - host_.nowUs();
    wire_->setInterval(static_cast<int>(std::max<qint64>(1, (wait + 999) / 1000)));
    wire_->setEnabled(true);
}

void SimulatedPort::deliverDue()
{
    const qint64 now = host_.nowUs();
    bool framingError = false;
    bool dsrChange = false;
    while (!arrivals_.empty() && arrivals_.front().dueUs <= now) {
        input_ += arrivals_.front().bytes;
        framingError |= arrivals_.front().framingError;
        dsrChange |= arrivals_.front().dsrChange;
        arrivals_.pop_front();
    }
    schedule();
    if (framingError && open_)
        raise(CommEvent::FrameError);
    if (dsrChange && open_)
        raise(CommEvent::DsrChange);
}

void SimulatedPort::onDsrChange()
{
    // The line change shows on the port a moment later, never inside a write.
    if (!open_)
        return;
    arrivals_.push_back({host_.nowUs() + settings_.charTimeUs(), {}, false, true});
    schedule();
}

}  // namespace qb::sim

