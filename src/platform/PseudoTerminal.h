#pragma once

#include <QByteArray>
#include <QString>

namespace qb {

// The master side of a pseudo-terminal: a serial device that another program
// opens by devicePath() as if a decoder were plugged in. Unix only; elsewhere
// isValid() is false.
class PseudoTerminal {
public:
    enum class ReadResult {
        Data,     // bytes were appended
        Nothing,  // the time-out passed (or a signal arrived)
        Closed,   // no program has the device open (any more); polling returns at once
                  // in this state, so wait a little before the next check
    };

    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool isValid() const { return fd_ >= 0; }
    QString errorString() const { return error_; }
    QString devicePath() const { return path_; }
    int masterFd() const { return fd_; }

    // Waits up to timeoutMs for bytes from the other side and appends them.
    ReadResult read(QByteArray& into, int timeoutMs);
    // Writes every byte; false when the other side is gone.
    bool write(const QByteArray& bytes);
    // The line speed the other side set on its end, 0 when not a standard rate.
    int slaveBaud() const;

private:
    int fd_ = -1;
    QString path_;
    QString error_;
};

// Monotonic clock in microseconds (the same clock as sleepUntilUs).
qint64 monotonicUs();
// Sleeps until the absolute monotonic time; returns early when a signal arrives.
void sleepUntilUs(qint64 deadlineUs);
// From now on SIGINT and SIGTERM only set a flag (and interrupt waits).
void catchStopSignals();
bool stopSignalled();

}  // namespace qb
