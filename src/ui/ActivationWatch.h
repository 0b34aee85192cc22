#pragma once

#include <QObject>

class QWidget;
class QWindow;

namespace qb {

class DecoderSession;

// Tells when the main window becomes active again from another window of
// this program: a dialog or test window closing, the user clicking from a
// test window into the main window. It does not count when the other window
// was a message box, the input box, a file dialog, a menu or a hint; nor a
// switch from another application; nor the return from a window that was
// shown while the dialogs' flag was held or an operation held the line (a
// wait window), which Qt reports only after the window has gone and the
// flag or the line are free again.
class ActivationWatch : public QObject {
    Q_OBJECT
public:
    // A window with this property set only watches (the protocol monitor):
    // coming back from it is no return from another window.
    static constexpr const char* PassingProperty = "quenbrixPassing";

    ActivationWatch(QWidget& mainWindow, DecoderSession& session);

signals:
    void returnedFromOwnWindow();

private:
    void focusWindowChanged(QWindow* window);

    QWidget& mainWindow_;
    DecoderSession& session_;
    // The window the focus went to before the main window.
    bool cameFromOwnWindow_ = false;
};

}  // namespace qb
