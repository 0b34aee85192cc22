#include "platform/QtHost.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace qb {

// While the user is asked something, the pointer is the normal one, even in
// the middle of an operation that shows the hourglass.
class QtHost::Asking {
public:
    explicit Asking(QtHost& host) : host_(host), nested_(host), wasBusy_(host.busy_) { host_.setBusy(false); }
    ~Asking() { host_.setBusy(wasBusy_); }
    Asking(const Asking&) = delete;
    Asking& operator=(const Asking&) = delete;

private:
    QtHost& host_;
    NestedLoop nested_;
    bool wasBusy_;
};

QtHost::QtHost() = default;

QtHost::~QtHost() = default;

std::unique_ptr<Timer> QtHost::createTimer()
{
    return QtEventLoop::createTimer();
}

qint64 QtHost::nowUs() const
{
    return loop_.nowUs();
}

bool QtHost::waitUntil(const std::function<bool()>& condition)
{
    NestedLoop nested(*this);
    return loop_.waitUntil(condition);
}

int QtHost::runModal(QDialog& dialog)
{
    if (loop_.quitRequested())
        return QDialog::Rejected;
    NestedLoop nested(*this);
    return dialog.exec();
}

void QtHost::showModeless(QWidget& window)
{
    window.show();
    window.raise();
    window.activateWindow();
}

Answer QtHost::message(const QString& text, Buttons buttons, const QString& title, Icon icon)
{
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    title.isEmpty() ? QCoreApplication::applicationName() : title, text,
                    QMessageBox::NoButton, dialogParent_);
    auto add = [&](QMessageBox::StandardButton b, const char* caption) {
        box.addButton(b)->setText(QString::fromUtf8(caption));
    };
    switch (buttons) {
    case Buttons::Ok:
        add(QMessageBox::Ok, "OK");
        break;
    case Buttons::YesNo:
        add(QMessageBox::Yes, "Ja");
        add(QMessageBox::No, "Nein");
        box.setDefaultButton(QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        add(QMessageBox::Yes, "Ja");
        add(QMessageBox::No, "Nein");
        add(QMessageBox::Cancel, "Abbrechen");
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    const Asking asking(*this);
    const int result = box.exec();
    switch (result) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
}

std::optional<QString> QtHost::inputBox(const QString& prompt, const QString& title,
                                        const QString& defaultText)
{
    QInputDialog dialog(dialogParent_);
    dialog.setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Abbrechen"));
    const Asking asking(*this);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> QtHost::openFileName(const QString& title, const QString& folder,
                                            const QString& filter)
{
    const Asking asking(*this);
    const QString name = QFileDialog::getOpenFileName(dialogParent_, title, folder, filter);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

std::optional<QString> QtHost::saveFileName(const QString& title, const QString& folder,
                                            const QString& filter)
{
    // The caller checks the name and asks before overwriting.
    const Asking asking(*this);
    const QString name = QFileDialog::getSaveFileName(dialogParent_, title, folder, filter, nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

void QtHost::beep()
{
    QApplication::beep();
}

void QtHost::setBusy(bool busy)
{
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtHost::requestQuit()
{
    setBusy(false);
    loop_.requestQuit();
}

bool QtHost::quitRequested() const
{
    return loop_.quitRequested();
}

}  // namespace qb
