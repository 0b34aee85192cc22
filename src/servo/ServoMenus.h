#pragma once

#include "ui/WindowContext.h"
#include "ui/WaitWindow.h"

#include <QObject>
#include <QString>

namespace qb {

// The "Reset" and "Kopieren nach..." menus: every operation ends with the
// target output read back and shown.
class ServoMenus : public QObject {
    Q_OBJECT
public:
    ServoMenus(WindowContext context, QWidget& dialogParent);

    // Entry 1..8 of the reset menu, 9 for "Alle".
    void resetEntry(int i);
    // Entry i of the copy menu: copies the selected output to output i.
    void copyTo(int i);

private:
    void resetOne(int i, const QString& caption);
    void runWaitWindow(const QString& caption, WaitOptions options = {});
    bool trafficLight() const;

    WindowContext context_;
    QWidget& dialogParent_;
};

}  // namespace qb
