#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>
#include <utility>

namespace qb {

// The windows a reconnect after a power loss closes: the dialogs that work on
// one decoder's outputs, and the help windows. A window is forgotten when it
// is destroyed.
class WindowRegistry {
public:
    void add(QWidget& window) { windows_.append(QPointer<QWidget>(&window)); }
    void closeAll()
    {
        const QList<QPointer<QWidget>> windows = std::exchange(windows_, {});
        for (const QPointer<QWidget>& window : windows)
            if (window && window->isVisible())
                window->close();
    }

private:
    QList<QPointer<QWidget>> windows_;
};

}  // namespace qb
