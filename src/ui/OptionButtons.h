#pragma once

#include <QAbstractButton>

namespace qb {

// Sets an option button or check box. Checking one option of a group clears
// the others; an option can only be cleared on its own with the group's
// exclusivity off for a moment.
inline void setOptionChecked(QAbstractButton* button, bool on)
{
    if (on) {
        button->setChecked(true);
        return;
    }
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(exclusive);
}

}  // namespace qb
