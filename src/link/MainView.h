#pragma once

#include <QString>
#include <QStringList>

namespace qb {

// What the connection and the decoder sequences show in the main window.
class MainView {
public:
    virtual ~MainView() = default;
    virtual void setStatus(const QString& text) = 0;
    virtual QString status() const = 0;
    // The port display ("COM Port 3" or "Kein COM Port ausgewählt").
    virtual void setPortDisplay(const QString& text) = 0;
    // Unchecks port entries 1..uncheckUpTo, then checks entry n.
    virtual void checkPortEntry(int n, int uncheckUpTo) = 0;
    // The start hint above the port display.
    virtual void setConnectionHint(const QString& text) = 0;
    // Caption of the power-on menu entry, which becomes visible.
    virtual void showPowerUpState(const QString& caption) = 0;
    // Closes the named windows where they are open.
    virtual void unloadWindows(const QStringList& objectNames) = 0;
    // Closes the main window, which ends the program.
    virtual void closeMainWindow() = 0;
};

}  // namespace qb
