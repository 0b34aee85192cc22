#include "platform/QtEventLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

namespace qb {

namespace {

class QtTimer : public Timer {
public:
    QtTimer()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
    }
    void setInterval(int ms) override
    {
        interval_ = ms;
        timer_.setInterval(ms);
        if (timer_.isActive())
            timer_.start();
    }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override
    {
        if (enabled)
            timer_.start(interval_);
        else
            timer_.stop();
    }
    bool isEnabled() const override { return timer_.isActive(); }

private:
    QTimer timer_;
    int interval_ = 0;
};

}  // namespace

QtEventLoop::QtEventLoop()
{
    clock_.start();
}

std::unique_ptr<Timer> QtEventLoop::createTimer()
{
    return std::make_unique<QtTimer>();
}

qint64 QtEventLoop::nowUs() const
{
    return clock_.nsecsElapsed() / 1000;
}

bool QtEventLoop::waitUntil(const std::function<bool()>& condition) const
{
    while (!quit_) {
        if (condition())
            return true;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    }
    return false;
}

void QtEventLoop::requestQuit()
{
    quit_ = true;
    QCoreApplication::exit(0);
    // Wake a wait that blocks in the event loop.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

}  // namespace qb
