#pragma once

namespace qb {

// What the adjustment dialog changed in the decoder and has not stored yet.
// The servo panel keeps it for the whole run rather than the dialog: a
// change whose store failed while the dialog closed is still offered for
// storing when the dialog is closed the next time.
struct UnstoredChanges {
    bool LeftPosChanged = false;
    bool RightPosChanged = false;
    bool RunTimeLeftChanged = false;
    bool RunTimeRightChanged = false;
    bool BounceRepeatChanged = false;

    bool any() const
    {
        return LeftPosChanged || RightPosChanged || RunTimeLeftChanged || RunTimeRightChanged || BounceRepeatChanged;
    }
    void clear() { *this = {}; }
};

}  // namespace qb
