#pragma once

#include "platform/Host.h"

class QDialog;
class QWidget;

namespace qb {

// The host as windows see it: also shows windows modally and modelessly.
class WindowHost : public Host {
public:
    // Shows a window modally and returns when it is closed (its result code).
    virtual int runModal(QDialog& dialog) = 0;
    virtual void showModeless(QWidget& window) = 0;
};

}  // namespace qb
