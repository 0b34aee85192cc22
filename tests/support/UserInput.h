#pragma once

#include <QString>
#include <Qt>

class QAbstractButton;
class QAction;
class QComboBox;
class QListWidget;
class QMainWindow;
class QMenu;
class QMenuBar;
class QWidget;

// What a user does with mouse and keyboard, as real widget events.
namespace qb::test {

// A left click in the middle of the button.
void click(QAbstractButton* button);
// A single click on the list entry of that row.
void clickEntry(QListWidget* list, int row);
// A double click on the list entry of that row.
void doubleClickEntry(QListWidget* list, int row);
// A key pressed and released in the widget.
void pressKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Characters typed into the widget, one key at a time.
void type(QWidget* widget, const QString& text);
// Picks the entry of that row of a drop-down list from the keyboard: Home,
// then Down until the row is reached.
void chooseEntry(QComboBox* box, int row);
// The close button of the window's frame, as the window manager sends it.
void closeByWindowFrame(QWidget* window);

// Clicks the menu's title in the menu bar; returns whether its popup opened.
bool openMenu(QMenuBar* bar, QMenu* menu);
// The same in the window's menu bar.
bool openMenu(QMainWindow& window, QMenu* menu);
// Opens the menu from the menu bar and clicks the entry in its popup.
bool chooseMenuEntry(QMenuBar* bar, QMenu* menu, QAction* entry);
// Opens the menu from the menu bar and clicks the entry in its popup;
// false when the popup did not open or the entry is not there to click.
bool chooseMenuEntry(QMainWindow& window, QMenu* menu, QAction* entry);
// The menu that holds the entry.
QMenu* menuOf(QMainWindow& window, QAction* entry);
bool chooseMenuEntry(QMainWindow& window, QAction* entry);

}  // namespace qb::test
