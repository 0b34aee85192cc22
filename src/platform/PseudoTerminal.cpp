#include "platform/PseudoTerminal.h"

#if defined(__unix__)

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace qb {

namespace {

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

volatile std::sig_atomic_t stopFlag = 0;

extern "C" void onStopSignal(int)
{
    stopFlag = 1;
}

}  // namespace

PseudoTerminal::PseudoTerminal()
{
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) {
        error_ = systemError("posix_openpt");
        return;
    }
    if (grantpt(fd) != 0 || unlockpt(fd) != 0) {
        error_ = systemError("grantpt/unlockpt");
        ::close(fd);
        return;
    }
    const char* name = ptsname(fd);
    if (!name) {
        error_ = systemError("ptsname");
        ::close(fd);
        return;
    }
    // Non-blocking: a write must not hang when the other side stops reading.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    path_ = QString::fromLocal8Bit(name);
    fd_ = fd;
}

PseudoTerminal::~PseudoTerminal()
{
    if (fd_ >= 0)
        ::close(fd_);
}

PseudoTerminal::ReadResult PseudoTerminal::read(QByteArray& into, int timeoutMs)
{
    if (fd_ < 0)
        return ReadResult::Closed;
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready <= 0)
        return ReadResult::Nothing;  // time-out or signal
    if (p.revents & POLLIN) {
        char buffer[512];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            into.append(buffer, n);
            return ReadResult::Data;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return ReadResult::Nothing;
        return ReadResult::Closed;  // EIO: the slave side is closed
    }
    return (p.revents & (POLLHUP | POLLERR)) ? ReadResult::Closed : ReadResult::Nothing;
}

bool PseudoTerminal::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 100) <= 0 || (p.revents & (POLLHUP | POLLERR)))
                return false;  // nobody reads: give up rather than hang
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return fd_ >= 0;
}

int PseudoTerminal::slaveBaud() const
{
    // Terminal attributes read on the master are those of the slave side.
    termios tio{};
    if (fd_ < 0 || tcgetattr(fd_, &tio) != 0)
        return 0;
    switch (cfgetospeed(&tio)) {
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
    }
}

qint64 monotonicUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

void sleepUntilUs(qint64 deadlineUs)
{
    const timespec deadline{time_t(deadlineUs / 1'000'000), long(deadlineUs % 1'000'000) * 1000};
    // Absolute deadlines: a late wake-up does not push back the ones after it.
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
}

void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a wait returns so the flag is seen
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool stopSignalled()
{
    return stopFlag != 0;
}

}  // namespace qb

#else  // no pseudo-terminals here

#include <QElapsedTimer>
#include <thread>

namespace qb {

PseudoTerminal::PseudoTerminal() : error_(QStringLiteral("Pseudo-Terminals gibt es hier nicht")) {}
PseudoTerminal::~PseudoTerminal() = default;
PseudoTerminal::ReadResult PseudoTerminal::read(QByteArray&, int) { return ReadResult::Closed; }
bool PseudoTerminal::write(const QByteArray&) { return false; }
int PseudoTerminal::slaveBaud() const { return 0; }

qint64 monotonicUs()
{
    static QElapsedTimer clock = [] { QElapsedTimer t; t.start(); return t; }();
    return clock.nsecsElapsed() / 1000;
}

void sleepUntilUs(qint64 deadlineUs)
{
    const qint64 left = deadlineUs - monotonicUs();
    if (left > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(left));
}

void catchStopSignals() {}
bool stopSignalled() { return false; }

}  // namespace qb

#endif
