#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class WaitWindow;
}

namespace qb {

class Host;
class Timer;
class Transport;

// The two modal wait windows that give the decoder time to store its data:
// ten ticks of a progress bar, and for a reset with movement the output is
// switched to both ends at the fifth tick.
class WaitWindow : public QDialog {
    Q_OBJECT
public:
    enum class Kind {
        Servo,        // "Warten": 1000 ms between the two switch commands
        TrafficLight  // "Warten_Ampel": 250 ms
    };
    static constexpr int Ticks = 10;

    // `functionCode` is the servo function or the traffic-light control mode;
    // 1 makes the ticks 400 ms instead of 1000 ms.
    WaitWindow(Host& host, Transport& transport, Kind kind, int functionCode,
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
    Transport& transport_;
    Kind kind_;
    std::unique_ptr<Timer> ticker_;
};

}  // namespace qb
