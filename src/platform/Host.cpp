#include "platform/Host.h"

namespace qb {

void Timer::fire()
{
    if (!handler_)
        return;
    if (firing_) {
        tickPending_ = true;
        return;
    }
    firing_ = true;
    // The handler may destroy this timer (a window closing itself).
    auto alive = alive_;
    do {
        tickPending_ = false;
        auto handler = handler_;
        handler();
        if (!*alive)
            return;
    } while (tickPending_ && isEnabled());
    firing_ = false;
}

}  // namespace qb
