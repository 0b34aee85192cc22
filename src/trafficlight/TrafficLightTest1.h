#pragma once

#include "trafficlight/TrafficLightTestWindow.h"

#include <memory>

class QPushButton;

namespace Ui {
class TrafficLightTest1;
}

namespace qb {

class HintWindow;
class Timer;

// "Testampel_1": the test window of the first traffic-light generation. Its
// four pairs run the lights to red or green, all to red, and automatic
// operation off and on: each press reads the block that names the action
// and sends the run command. Resting the mouse on a button for three seconds
// explains it; the explanation goes when the mouse goes elsewhere.
class TrafficLightTest1 : public TrafficLightTestWindow {
    Q_OBJECT
public:
    static constexpr int HoverDelayMs = 3000;

    TrafficLightTest1(WindowContext context, QWidget& mainWindow, std::function<void()> selectOutputEntry);
    ~TrafficLightTest1() override;

    Ui::TrafficLightTest1& ui() { return *ui_; }
    HintWindow& hint() { return *hint_; }
    // The reads of opening; false when the window is not to open (another
    // operation holds the line, the program ends).
    bool open();

protected:
    std::optional<QString> press(int p, int b) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The mouse is over the button (a pair's) or elsewhere in the window (none).
    void hover(QPushButton* button);
    void endHover();
    void showHint();

    std::unique_ptr<Ui::TrafficLightTest1> ui_;
    std::unique_ptr<HintWindow> hint_;
    std::unique_ptr<Timer> hoverTimer_;
    QPushButton* hovered_ = nullptr;  // idle while none
};

}  // namespace qb
