#pragma once

#include "platform/WindowHost.h"

#include <QStringList>
#include <deque>
#include <map>
#include <stdexcept>
#include <vector>

namespace qb::test {

// Thrown when a wait could only go on forever: nothing is scheduled and the
// condition does not hold.
struct WaitDeadlock : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The host in virtual time. A wait jumps the clock to the next due timer, so
// seconds of decoder time cost microseconds. Message boxes, input boxes and
// file dialogs are recorded and answered from a script; a dialog that nobody
// scripted fails the test.
class TestHost : public WindowHost {
public:
    struct Message {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
        qint64 atMs = 0;  // virtual time when it was shown
    };

    TestHost();
    ~TestHost() override;

    std::unique_ptr<Timer> createTimer() override;
    qint64 nowUs() const override { return nowUs_; }
    qint64 nowMs() const { return nowUs_ / 1000; }
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
    void beep() override { ++beeps_; }
    void setBusy(bool busy) override { busy_ = busy; }
    void requestQuit() override { quit_ = true; }
    bool quitRequested() const override { return quit_; }

    // Makes a shown window the active one, as the window manager does when
    // it appears or the user clicks into it.
    void activate(QWidget& window);

    // Lets virtual time pass, firing every timer that falls due.
    void advanceMs(qint64 ms);
    // Lets virtual time pass in steps of 10 ms until the program ends; the
    // virtual time (ms) it ended at, or -1 when it still runs after `limitMs`.
    qint64 advanceUntilQuit(qint64 limitMs);

    // Script: the answers to the coming message boxes, in order. A non-empty
    // `textPart` must occur in the message it answers. `whileOpen` runs while
    // the box is open, before it is answered (a user acting meanwhile, a
    // timer or the serial line firing).
    void answerMessage(Answer answer, const QString& textPart = {}, std::function<void()> whileOpen = {});
    void answerInput(std::optional<QString> text);
    void answerFile(std::optional<QString> path);
    // Runs while the modal window of that object name is open.
    void onModal(const QString& objectName, std::function<void(QDialog&)> handler);
    // Runs the action once at the given virtual time (ms since the start),
    // inside whatever wait or modal window is running then.
    void at(qint64 ms, std::function<void()> action);

    const std::vector<Message>& messages() const { return messages_; }
    QStringList messageTexts() const;
    const QStringList& modalWindows() const { return modalWindows_; }
    const QStringList& inputPrompts() const { return inputPrompts_; }
    const QStringList& fileDialogTitles() const { return fileDialogTitles_; }
    int beeps() const { return beeps_; }
    bool busy() const { return busy_; }
    // Scripted answers nobody asked for.
    int unusedAnswers() const;

    class VirtualTimer;
    // A scripted input or file name; not given: the dialog is cancelled.
    struct TextAnswer {
        bool given;
        QString text;
    };

private:
    friend class VirtualTimer;
    VirtualTimer* nextDue() const;
    void runOne(VirtualTimer* timer);

    qint64 nowUs_ = 0;
    std::vector<VirtualTimer*> timers_;
    quint64 nextSequence_ = 0;
    struct ScriptedAnswer {
        Answer answer;
        QString textPart;
        std::function<void()> whileOpen;
    };
    std::deque<ScriptedAnswer> answers_;
    std::vector<std::unique_ptr<Timer>> scheduled_;
    std::deque<TextAnswer> inputs_;
    std::deque<TextAnswer> files_;
    std::map<QString, std::function<void(QDialog&)>> modalHandlers_;
    std::vector<Message> messages_;
    QStringList modalWindows_;
    QStringList inputPrompts_;
    QStringList fileDialogTitles_;
    int beeps_ = 0;
    bool busy_ = false;
    bool quit_ = false;
};

}  // namespace qb::test
