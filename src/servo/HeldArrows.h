#pragma once

#include <QObject>
#include <functional>
#include <set>
#include <memory>

class QAbstractButton;

namespace qb {

class Host;
class Timer;

// Arrow buttons that repeat while they are held: a press changes the value
// once at once, again after 500 ms and then every 100 ms, until the button
// is released or the pointer leaves the button.
class HeldArrows : public QObject {
public:
    static constexpr int FirstRepeatMs = 500;
    static constexpr int RepeatMs = 100;

    // `change(arrow, pressed)` changes the value for the arrow: `pressed` for
    // the press itself, false for a repetition. It returns false when it
    // could not act; a refused press starts no repetition.
    using Change = std::function<bool(int arrow, bool pressed)>;

    HeldArrows(Host& host, Change change);
    ~HeldArrows() override;

    // The button is arrow `number` (5..8).
    void add(QAbstractButton& button, int number);
    // The arrow held now, 0 for none ("HeldArrow").
    int held() const { return held_; }
    // Ends the hold at once, as if the button had been released: a message
    // box took the mouse away from it.
    void release();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void press(int number);
    void repeat();

    Change change_;
    std::unique_ptr<Timer> timer_;  // "Wiederholung"
    std::set<QObject*> arrows_;
    int held_ = 0;
};

}  // namespace qb
