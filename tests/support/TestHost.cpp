#include "support/TestHost.h"

#include <QCoreApplication>
#include <QDialog>
#include <QWidget>
#include <algorithm>
#include <gtest/gtest.h>

namespace qb::test {

namespace {
// A wait that needs more virtual time than this is a runaway loop in a test.
constexpr qint64 WaitLimitUs = 24LL * 3600 * 1'000'000;

std::optional<QString> takeAnswer(std::deque<TestHost::TextAnswer>& answers)
{
    const TestHost::TextAnswer answer = answers.front();
    answers.pop_front();
    if (!answer.given)
        return std::nullopt;
    return answer.text;
}
}

class TestHost::VirtualTimer : public Timer {
public:
    explicit VirtualTimer(TestHost& host) : host_(host) { host_.timers_.push_back(this); }
    ~VirtualTimer() override { std::erase(host_.timers_, this); }

    void setInterval(int ms) override
    {
        interval_ = ms;
        if (enabled_)
            restart();
    }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override
    {
        enabled_ = enabled;
        if (enabled)
            restart();
    }
    bool isEnabled() const override { return enabled_; }

    bool armed() const { return enabled_ && interval_ > 0; }
    qint64 dueUs() const { return dueUs_; }
    quint64 sequence() const { return sequence_; }
    void tick()
    {
        dueUs_ += interval_ * 1000LL;
        fire();
    }

private:
    void restart()
    {
        dueUs_ = host_.nowUs_ + interval_ * 1000LL;
        sequence_ = host_.nextSequence_++;
    }

    TestHost& host_;
    int interval_ = 0;
    bool enabled_ = false;
    qint64 dueUs_ = 0;
    quint64 sequence_ = 0;
};

TestHost::TestHost() = default;

TestHost::~TestHost()
{
    EXPECT_EQ(unusedAnswers(), 0) << "scripted answers were not used";
}

std::unique_ptr<Timer> TestHost::createTimer()
{
    return std::make_unique<VirtualTimer>(*this);
}

TestHost::VirtualTimer* TestHost::nextDue() const
{
    VirtualTimer* next = nullptr;
    for (VirtualTimer* timer : timers_) {
        if (!timer->armed())
            continue;
        if (!next || timer->dueUs() < next->dueUs() ||
            (timer->dueUs() == next->dueUs() && timer->sequence() < next->sequence()))
            next = timer;
    }
    return next;
}

void TestHost::runOne(VirtualTimer* timer)
{
    nowUs_ = std::max(nowUs_, timer->dueUs());
    timer->tick();
}

bool TestHost::waitUntil(const std::function<bool()>& condition)
{
    NestedLoop nested(*this);
    const qint64 start = nowUs_;
    for (;;) {
        if (quit_)
            return false;
        QCoreApplication::sendPostedEvents();
        if (condition())
            return true;
        VirtualTimer* next = nextDue();
        if (!next)
            throw WaitDeadlock("a wait can never end: no timer is running");
        if (next->dueUs() - start > WaitLimitUs)
            throw WaitDeadlock("a wait ran for more than a day of virtual time");
        runOne(next);
    }
}

void TestHost::advanceMs(qint64 ms)
{
    const qint64 end = nowUs_ + ms * 1000;
    for (;;) {
        QCoreApplication::sendPostedEvents();
        VirtualTimer* next = nextDue();
        if (!next || next->dueUs() > end || quit_)
            break;
        runOne(next);
    }
    nowUs_ = std::max(nowUs_, end);
}

qint64 TestHost::advanceUntilQuit(qint64 limitMs)
{
    for (qint64 ms = 0; ms < limitMs; ms += 10) {
        advanceMs(10);
        if (quit_)
            return nowMs();
    }
    return -1;
}

int TestHost::runModal(QDialog& dialog)
{
    modalWindows_ << dialog.objectName();
    if (quit_)
        return QDialog::Rejected;
    NestedLoop nested(*this);
    dialog.setResult(0);
    dialog.show();
    // As a window manager does: the new window becomes the active one, laid
    // out before anybody clicks into it, and when it closes the window it
    // belongs to is active again.
    activate(dialog);
    const auto handler = modalHandlers_.find(dialog.objectName());
    if (handler != modalHandlers_.end())
        handler->second(dialog);
    waitUntil([&] { return !dialog.isVisible(); });
    if (QWidget* owner = dialog.parentWidget())
        activate(*owner->window());
    return dialog.result();
}

void TestHost::showModeless(QWidget& window)
{
    window.show();
    activate(window);
}

void TestHost::activate(QWidget& window)
{
    if (!window.isVisible())
        return;
    window.activateWindow();
    QCoreApplication::processEvents();
}

Answer TestHost::message(const QString& text, Buttons buttons, const QString& title, Icon icon)
{
    NestedLoop nested(*this);
    messages_.push_back({text, title, buttons, icon, nowMs()});
    const Answer fallback = buttons == Buttons::Ok      ? Answer::Ok
                            : buttons == Buttons::YesNo ? Answer::No
                                                        : Answer::Cancel;
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected message box: " << text.toStdString();
        return fallback;
    }
    const ScriptedAnswer scripted = std::move(answers_.front());
    answers_.pop_front();
    if (!scripted.textPart.isEmpty()) {
        EXPECT_TRUE(text.contains(scripted.textPart))
            << "message \"" << text.toStdString() << "\" lacks \"" << scripted.textPart.toStdString() << "\"";
    }
    if (scripted.whileOpen)
        scripted.whileOpen();
    return scripted.answer;
}

std::optional<QString> TestHost::inputBox(const QString& prompt, const QString&, const QString&)
{
    NestedLoop nested(*this);
    inputPrompts_ << prompt;
    if (inputs_.empty()) {
        ADD_FAILURE() << "unexpected input box: " << prompt.toStdString();
        return std::nullopt;
    }
    return takeAnswer(inputs_);
}

std::optional<QString> TestHost::openFileName(const QString& title, const QString&, const QString&)
{
    NestedLoop nested(*this);
    fileDialogTitles_ << title;
    if (files_.empty()) {
        ADD_FAILURE() << "unexpected file dialog: " << title.toStdString();
        return std::nullopt;
    }
    return takeAnswer(files_);
}

std::optional<QString> TestHost::saveFileName(const QString& title, const QString& folder,
                                              const QString& filter)
{
    return openFileName(title, folder, filter);
}

void TestHost::answerMessage(Answer answer, const QString& textPart, std::function<void()> whileOpen)
{
    answers_.push_back({answer, textPart, std::move(whileOpen)});
}

void TestHost::at(qint64 ms, std::function<void()> action)
{
    std::unique_ptr<Timer> timer = createTimer();
    Timer* raw = timer.get();
    raw->setInterval(static_cast<int>(std::max<qint64>(1, ms - nowMs())));
    raw->setHandler([raw, action = std::move(action)] {
        raw->setEnabled(false);
        action();
    });
    raw->setEnabled(true);
    scheduled_.push_back(std::move(timer));
}

void TestHost::answerInput(std::optional<QString> text)
{
    inputs_.push_back({text.has_value(), text.value_or(QString())});
}

void TestHost::answerFile(std::optional<QString> path)
{
    files_.push_back({path.has_value(), path.value_or(QString())});
}

void TestHost::onModal(const QString& objectName, std::function<void(QDialog&)> handler)
{
    modalHandlers_[objectName] = std::move(handler);
}

QStringList TestHost::messageTexts() const
{
    QStringList texts;
    for (const auto& m : messages_)
        texts << m.text;
    return texts;
}

int TestHost::unusedAnswers() const
{
    return static_cast<int>(answers_.size() + inputs_.size() + files_.size());
}

}  // namespace qb::test
