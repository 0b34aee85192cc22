#pragma once

#include "ui/OutputPanel.h"
#include "ui/WindowContext.h"

#include <memory>

namespace Ui {
class TrafficLightPanel;
}

namespace qb {

// The traffic-light panel of the main window: the crossing layout with its
// pedestrian, demand-light and bus-lane options, the control mode, the
// country variant and the selected phase's time.
class TrafficLightPanel : public OutputPanel {
    Q_OBJECT
public:
    explicit TrafficLightPanel(WindowContext context, QWidget* parent = nullptr);
    ~TrafficLightPanel() override;

    Ui::TrafficLightPanel& ui() { return *ui_; }
    OutputIndicators& indicators() override;
    void applyLayout(const FamilyLayout& layout) override;
    void showSelection(const QString& entryText) override;
    void showDecoded(const DecodedBlock& decoded) override;
    void showReadOutcome(ReadOutcome outcome) override;

    // Once the traffic-light data are on screen, edits mark the save button.
    bool ChangeMarkingActive = false;

private:
    // Nothing of a phase is shown: another one was chosen, or it could not be read.
    void clearPhase();

    WindowContext context_;
    std::unique_ptr<Ui::TrafficLightPanel> ui_;
    QString entryText_;
};

}  // namespace qb
