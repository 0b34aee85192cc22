#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class WaitWindow;
}

namespace qb {

class Host;
class Line;
class Timer;

// For a reset: the output whose reset is in progress (0 none), and whether
// it is moved to both ends half-way through the wait.
struct WaitOptions {
    int resetOutput = 0;
    bool moveAfterReset = false;
};

// The two modal wait windows that give the decoder time to store its data:
// ten ticks of a progress bar, and for a reset with movement the output is
// switched to both ends at the fifth tick. The window runs inside the
// operation that shows it, and its moves are part of that operation.
class WaitWindow : public QDialog {
    Q_OBJECT
public:
    enum class Kind {
        Servo,        // "Warten": 1000 ms between the two switch commands
        TrafficLight  // "Warten_Ampel": 250 ms
    };
    static constexpr int Ticks = 10;

    // `functionCode` is the servo function or the traffic-light control mode;
    // 1 makes the ticks 400 ms instead of 1000 ms, unless a reset is in progress.
    WaitWindow(Host& host, Line& line, Kind kind, int functionCode, WaitOptions options = {},
               QWidget* parent = nullptr);
    ~WaitWindow() override;

    int progress() const;
    int tickInterval() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void tick();
    void moveResetOutput();

    std::unique_ptr<Ui::WaitWindow> ui_;
    Line& line_;
    Kind kind_;
    WaitOptions options_;
    std::unique_ptr<Timer> ticker_;
};

}  // namespace qb
