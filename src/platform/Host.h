#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace qb {

// A window timer: while enabled it fires every interval. Enabling restarts the
// interval, as does changing the interval of an enabled timer. A handler is
// never re-entered: ticks that fall due while it still runs (it may be waiting
// inside) are delivered as one tick right after it returns.
class Timer {
public:
    virtual ~Timer() { *alive_ = false; }
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;

    void setHandler(std::function<void()> handler) { handler_ = std::move(handler); }
    bool isFiring() const { return firing_; }

protected:
    void fire();

private:
    std::function<void()> handler_;
    bool firing_ = false;
    bool tickPending_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };
enum class Icon { None, Critical };

// What the program needs from the event machinery below windows: timers,
// waits that keep events flowing, and the standard message and file dialogs.
class Host {
public:
    virtual ~Host() = default;

    virtual std::unique_ptr<Timer> createTimer() = 0;
    // Monotonic clock in microseconds.
    virtual qint64 nowUs() const = 0;

    // Keeps events flowing until the condition holds. Returns false without
    // waiting further once the program is ending, so that running operations
    // unwind instead of outliving the main window.
    virtual bool waitUntil(const std::function<bool()>& condition) = 0;

    // Yes/No boxes preselect No.
    virtual Answer message(const QString& text, Buttons buttons = Buttons::Ok,
                           const QString& title = {}, Icon icon = Icon::None) = 0;
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;
    virtual std::optional<QString> openFileName(const QString& title, const QString& folder,
                                                const QString& filter) = 0;
    virtual std::optional<QString> saveFileName(const QString& title, const QString& folder,
                                                const QString& filter) = 0;
    virtual void beep() = 0;
    // The hourglass pointer while an exchange waits; not counted, like the
    // window's pointer property it stands for.
    virtual void setBusy(bool busy) = 0;

    // Ends the program: every running and later wait returns false at once.
    virtual void requestQuit() = 0;
    virtual bool quitRequested() const = 0;

    // How many event loops of this host run inside each other: 0 in the
    // program's own loop, one more inside every wait, modal window and
    // dialog. Code that runs at a greater depth than an operation that is
    // still going on was started by an event during that operation's wait.
    int eventDepth() const { return depth_; }

protected:
    // Held by an implementation while it runs a nested event loop.
    class NestedLoop {
    public:
        explicit NestedLoop(Host& host) : host_(host) { ++host_.depth_; }
        ~NestedLoop() { --host_.depth_; }
        NestedLoop(const NestedLoop&) = delete;
        NestedLoop& operator=(const NestedLoop&) = delete;

    private:
        Host& host_;
    };

private:
    int depth_ = 0;
};

}  // namespace qb
