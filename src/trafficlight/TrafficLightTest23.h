#pragma once

#include "trafficlight/TrafficLightTestWindow.h"

#include <memory>

namespace Ui {
class TrafficLightTest23;
}

namespace qb {

class RamWindow;
class TestPortMenu;

// What the generation-3 test window takes from the traffic-light panel when
// it opens.
struct CrossingOptions {
    bool phasesSingly = false;    // "Ampel Phasen einzeln schaltbar"
    bool demandLight = false;     // "Rufampel" ticked
    bool twoWayT = false;         // "T-Kreuzung 2 Wege"
    bool plainCrossing = false;   // "Kreuzung ohne Transistoren"
};

// "Testampel_2" and "Testampel_3": the test windows of the second and third
// traffic-light generations. Eight pairs switch lights A..D and the demand
// light to red or green, the emergency stop and night mode, the restart at
// either light and the automatic operation; each press sends the switch
// command and nothing is awaited. The third generation's window also opens
// the RAM display by the caption-less button under the automatic pair. The
// menu bar is that of the 8-fold servo decoder's test window.
class TrafficLightTest23 : public TrafficLightTestWindow {
    Q_OBJECT
public:
    static constexpr int Pairs = 8;

    TrafficLightTest23(WindowContext context, int generation, CrossingOptions options, QWidget& mainWindow,
                       std::function<void()> selectOutputEntry);
    ~TrafficLightTest23() override;

    Ui::TrafficLightTest23& ui() { return *ui_; }
    RamWindow* ramWindow() const { return ram_.get(); }
    TestPortMenu& portMenu() { return *portMenu_; }

protected:
    std::optional<QString> press(int p, int b) override;

private:
    // The third generation: the pairs the panel's settings leave in use.
    void applyOptions(const CrossingOptions& options);
    void setOutOfUse(int p, int b);
    void openRam();

    std::unique_ptr<Ui::TrafficLightTest23> ui_;
    std::unique_ptr<RamWindow> ram_;
    TestPortMenu* portMenu_ = nullptr;
};

}  // namespace qb
