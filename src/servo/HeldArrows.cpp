#include "servo/HeldArrows.h"

#include "platform/Host.h"
#include "ui/WindowSize.h"

#include <QAbstractButton>
#include <QMouseEvent>

namespace qb {

namespace {

// The arrows are 375 twips square; leaving that square ends the repetition.
bool outsideArrow(const QPoint& at)
{
    const QSize size = twipsToPixels(QSize(375, 375));
    return at.x() < 0 || at.y() < 0 || at.x() > size.width() || at.y() > size.height();
}

}  // namespace

HeldArrows::HeldArrows(Host& host, Change change) : change_(std::move(change)), timer_(host.createTimer())
{
    timer_->setHandler([this] { repeat(); });
}

HeldArrows::~HeldArrows() = default;

void HeldArrows::add(QAbstractButton& button, int number)
{
    arrows_.insert(&button);
    button.installEventFilter(this);
    // Taken from the signal, so that the button already shows itself down
    // while the change waits for the decoder. Coming back onto the button
    // while still held presses it again: that starts nothing.
    connect(&button, &QAbstractButton::pressed, this, [this, number] { press(number); });
}

void HeldArrows::press(int number)
{
    if (held_ != 0)
        return;
    // The first repetition is counted from the press, not from the end of
    // the exchange the press starts.
    timer_->setInterval(FirstRepeatMs);
    timer_->setEnabled(true);
    held_ = number;
    if (!change_(number, true))
        release();
}

void HeldArrows::release()
{
    timer_->setEnabled(false);
    held_ = 0;
}

void HeldArrows::repeat()
{
    if (held_ == 0) {
        timer_->setEnabled(false);
        return;
    }
    timer_->setInterval(RepeatMs);
    change_(held_, false);
}

bool HeldArrows::eventFilter(QObject* watched, QEvent* event)
{
    if (!arrows_.contains(watched))
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            release();
        break;
    case QEvent::MouseMove:
        if (held_ != 0 && outsideArrow(static_cast<QMouseEvent*>(event)->position().toPoint()))
            timer_->setEnabled(false);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace qb
