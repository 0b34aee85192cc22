#include "support/UserInput.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QCloseEvent>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>

namespace qb::test {

void click(QAbstractButton* button)
{
    // Option buttons and check boxes take clicks on their box and caption
    // only, which sit at the left of a stretched control.
    const bool boxed = qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button);
    const QPoint at = boxed ? QPoint(std::min(8, button->width() / 2), button->height() / 2) : button->rect().center();
    bool clicked = false;
    const QMetaObject::Connection seen =
        QObject::connect(button, &QAbstractButton::clicked, [&clicked] { clicked = true; });
    const bool reachable = button->isEnabled() && button->isVisible();
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
    QObject::disconnect(seen);
    if (reachable && !clicked)
        ADD_FAILURE() << "the click missed " << button->objectName().toStdString();
}

void clickEntry(QListWidget* list, int row)
{
    QListWidgetItem* item = list->item(row);
    if (!item)
        return;
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(item).center());
}

void doubleClickEntry(QListWidget* list, int row)
{
    QListWidgetItem* item = list->item(row);
    if (!item)
        return;
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    QWidget* viewport = list->viewport();
    // The first click selects; the second press is the double click.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
}

void pressKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(widget, key, modifiers);
}

void type(QWidget* widget, const QString& text)
{
    QTest::keyClicks(widget, text);
}

void chooseEntry(QComboBox* box, int row)
{
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home);
    for (int i = 0; i < row && box->isEnabled(); ++i)
        QTest::keyClick(box, Qt::Key_Down);
    if (box->isVisible() && box->currentIndex() != row)
        ADD_FAILURE() << "the keys did not reach row " << row << " of " << box->objectName().toStdString();
}

void closeByWindowFrame(QWidget* window)
{
    // Spontaneous, as from the window system (sendEvent would make it the
    // program's own); a close() from the program is not.
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    QCoreApplication::instance()->notify(window, &close);
    if (close.isAccepted())
        window->hide();
}

bool openMenu(QMainWindow& window, QMenu* menu)
{
    return openMenu(window.menuBar(), menu);
}

bool openMenu(QMenuBar* bar, QMenu* menu)
{
    const QRect title = bar->actionGeometry(menu->menuAction());
    if (!title.isValid())
        return false;
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, title.center());
    return menu->isVisible();
}

QMenu* menuOf(QMainWindow& window, QAction* entry)
{
    for (QMenu* menu : window.menuBar()->findChildren<QMenu*>())
        if (menu->actions().contains(entry))
            return menu;
    return nullptr;
}

bool chooseMenuEntry(QMainWindow& window, QMenu* menu, QAction* entry)
{
    return chooseMenuEntry(window.menuBar(), menu, entry);
}

bool chooseMenuEntry(QMenuBar* bar, QMenu* menu, QAction* entry)
{
    if (!openMenu(bar, menu))
        return false;
    const QRect geometry = menu->actionGeometry(entry);
    if (!entry->isVisible() || !entry->isEnabled() || !geometry.isValid()) {
        menu->close();
        return false;
    }
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, geometry.center());
    return true;
}

bool chooseMenuEntry(QMainWindow& window, QAction* entry)
{
    QMenu* menu = menuOf(window, entry);
    return menu && chooseMenuEntry(window, menu, entry);
}

}  // namespace qb::test
