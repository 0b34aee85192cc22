#include "ui/ActivationWatch.h"

#include "session/DecoderSession.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QWidget>
#include <QWindow>
#include <utility>

namespace qb {

namespace {

QWidget* widgetOf(QWindow* window)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->windowHandle() == window)
            return widget;
    return nullptr;
}

// A window that only asks or hints in passing.
bool passing(QWindow* window, QWidget* widget)
{
    const Qt::WindowType type = window->type();
    if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Tool || type == Qt::SplashScreen)
        return true;
    if (widget && widget->property(ActivationWatch::PassingProperty).toBool())
        return true;
    return qobject_cast<QMessageBox*>(widget) || qobject_cast<QInputDialog*>(widget) ||
           qobject_cast<QFileDialog*>(widget);
}

}  // namespace

ActivationWatch::ActivationWatch(QWidget& mainWindow, DecoderSession& session)
    : QObject(&mainWindow), mainWindow_(mainWindow), session_(session)
{
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &ActivationWatch::focusWindowChanged);
}

void ActivationWatch::focusWindowChanged(QWindow* window)
{
    if (!window) {
        cameFromOwnWindow_ = false;  // another application has the focus
        return;
    }
    if (window == mainWindow_.windowHandle()) {
        if (std::exchange(cameFromOwnWindow_, false))
            emit returnedFromOwnWindow();
        return;
    }
    // Judged when the other window gets the focus: by the time the main
    // window is active again it may be gone.
    cameFromOwnWindow_ =
        !passing(window, widgetOf(window)) && !session_.dialogActive().isSet() && !session_.line().busy();
}

}  // namespace qb
