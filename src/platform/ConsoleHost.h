#pragma once

#include "platform/QtEventLoop.h"

#include <QString>
#include <QStringList>
#include <cstdio>

namespace qb {

// The host of a program without windows: the messages go to the error
// stream, and a question gets the cautious answer (No, Cancel) as nobody is
// there to answer it.
class ConsoleHost : public Host {
public:
    explicit ConsoleHost(std::FILE* messages = stderr) : messages_(messages) {}

    std::unique_ptr<Timer> createTimer() override { return QtEventLoop::createTimer(); }
    qint64 nowUs() const override { return loop_.nowUs(); }
    bool waitUntil(const std::function<bool()>& condition) override;
    Answer message(const QString& text, Buttons buttons, const QString& title, Icon icon) override;
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> openFileName(const QString&, const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> saveFileName(const QString&, const QString&, const QString&) override { return std::nullopt; }
    void beep() override {}
    void setBusy(bool) override {}
    void requestQuit() override { loop_.requestQuit(); }
    bool quitRequested() const override { return loop_.quitRequested(); }

    // The messages shown so far, in order.
    const QStringList& shown() const { return shown_; }

private:
    QtEventLoop loop_;
    std::FILE* messages_;
    QStringList shown_;
};

}  // namespace qb
