#pragma once

#include "platform/QtEventLoop.h"
#include "platform/WindowHost.h"

class QWidget;

namespace qb {

// The host on Qt's event loop: real timers, blocking waits in the event loop,
// real dialogs with German captions.
class QtHost : public WindowHost {
public:
    QtHost();
    ~QtHost() override;

    std::unique_ptr<Timer> createTimer() override;
    qint64 nowUs() const override;
    bool waitUntil(const std::function<bool()>& condition) override;
    int runModal(QDialog& dialog) override;
    void showModeless(QWidget& window) override;
    Answer message(const QString& text, Buttons buttons, const QString& title, Icon icon) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    std::optional<QString> openFileName(const QString& title, const QString& folder,
                                        const QString& filter) override;
    std::optional<QString> saveFileName(const QString& title, const QString& folder,
                                        const QString& filter) override;
    void beep() override;
    void setBusy(bool busy) override;
    void requestQuit() override;
    bool quitRequested() const override;

    // Parent of the standard dialogs (the main window once it exists).
    void setDialogParent(QWidget* parent) { dialogParent_ = parent; }

private:
    class Asking;
    QtEventLoop loop_;
    QWidget* dialogParent_ = nullptr;
    bool busy_ = false;
};

}  // namespace qb
