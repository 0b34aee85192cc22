#pragma once

#include "ui/OutputPanel.h"
#include "ui/WindowContext.h"

#include <QString>
#include <array>
#include <functional>
#include <map>
#include <memory>

class QLabel;
class QRadioButton;

namespace Ui {
class TrafficLightPanel;
}

namespace qb {

class TrafficLightTestWindow;

// The traffic-light panel of the main window: the crossing layout with its
// pedestrian, demand-light and bus-lane options, the control mode, the
// country variant and the selected phase's time, and the save that writes
// them all. Choosing an option runs its reaction whether the user chooses it
// or a decoded block does; only the user's choices mark the save button.
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
    // The output list entry chosen last (0-based); a new layout selects it again.
    int SelectedOutputIndex = 0;
    // 0 Deutschland, 1 Niederland, 8 Österreich.
    int CountryCode = 0;
    // 1 for "L6", 2 for "L9", 3 for "L1" and "L7" decoders; 0 before a decode.
    int TrafficLightGeneration = 0;

    // Whether the save button shows changes not yet saved.
    bool changesPending() const;
    // "Ampeldaten speichern", also Enter in the phase-time box.
    void save();
    // "Ampel testen": the test window of the decoder's generation; an open
    // one is brought to the front. Closing it selects the list entry of the
    // output that was selected before.
    void openTestWindow(std::function<void()> selectOutputEntry);

private:
    // One crossing layout, a row of the layout table.
    struct Crossing {
        QRadioButton* option;
        int code;      // stored by generations 2 and 3
        int codeGen1;  // stored by generation 1; 0: it has no such layout
        int lightSets;
        enum class Pedestrian { Shown, Hidden, HiddenUnlessL7 } pedestrian;
        QString demandCaption;  // empty: the layout has no demand light
        // Bus-lane boxes A..D of generation 3.
        std::array<bool, 4> busEnabled, busShown;
    };

    void connectReactions();
    void select(QRadioButton* option);
    void crossingSelected(const Crossing& crossing);
    void countrySelected(int index);
    void modeSelected(QRadioButton* mode);
    void markPending();
    void phaseTimeEdited();
    // The output list follows the crossing: its phases, the entry chosen last.
    void showPhaseNames(const Crossing& crossing);
    bool phaseListed() const;
    const Crossing* selectedCrossing() const;
    // The configuration write; false when the program is ending.
    bool writeConfiguration();
    // Nothing of a phase is shown: another one was chosen, or it could not be read.
    void clearPhase();
    // A new test window for the generation; false when it is not to open
    // (another operation holds the line, the program ends).
    bool makeTestWindow(int generation, std::function<void()> selectOutputEntry);

    WindowContext context_;
    std::unique_ptr<Ui::TrafficLightPanel> ui_;
    std::array<Crossing, 5> crossings_;
    // Each option's reaction, run when it becomes selected.
    std::map<QRadioButton*, std::function<void()>> reactions_;
    std::unique_ptr<TrafficLightTestWindow> testWindow_;
    int testWindowGeneration_ = 0;
    QString entryText_;
    // A decoded block is being shown: the reactions show what the decoder
    // holds, which is no change of the user's.
    bool showingDecoded_ = false;
};

}  // namespace qb
