#pragma once

#include "platform/Host.h"

#include <QElapsedTimer>
#include <functional>
#include <memory>

namespace qb {

// The parts of a host that stand on Qt's event loop alone, shared by the
// window program's host and the command-line tool's.
class QtEventLoop {
public:
    QtEventLoop();

    // A window timer on QTimer.
    static std::unique_ptr<Timer> createTimer();
    // Monotonic microseconds since this loop was made.
    qint64 nowUs() const;
    // Blocks in the event loop until the next event, again and again, until
    // the condition holds (true) or the program ends (false): a wait costs no CPU.
    bool waitUntil(const std::function<bool()>& condition) const;

    void requestQuit();
    bool quitRequested() const { return quit_; }

private:
    QElapsedTimer clock_;
    bool quit_ = false;
};

}  // namespace qb
