#pragma once

#include "ui/OutputPanel.h"
#include "ui/WindowContext.h"

#include <memory>

class QRadioButton;

namespace Ui {
class CoilPanel;
}

namespace qb {

// The coil panel of the parking decoder: the coils' switch-on time and what
// the decoder's switch inputs do. The choices change the selected output's
// settings; "Parkplatzdaten speichern" writes them into all eight outputs.
class CoilPanel : public OutputPanel {
    Q_OBJECT
public:
    explicit CoilPanel(WindowContext context, QWidget* parent = nullptr);
    ~CoilPanel() override;

    Ui::CoilPanel& ui() { return *ui_; }
    OutputIndicators& indicators() override;
    void applyLayout(const FamilyLayout& layout) override;
    void showSelection(const QString& entryText) override;
    void showDecoded(const DecodedBlock& decoded) override;
    void showReadOutcome(ReadOutcome outcome) override;

    // "Parkplatzdaten speichern".
    void save();

private:
    // Nothing of a coil is shown: another one was chosen, or it could not be read.
    void clearCoil();
    // Each input its own coil (0), or input 2 steps on to the next one (1).
    void chooseMapping(int option);
    // The chain of coils ends at coil i + 2.
    void chooseLastCoil(int i);
    // The rules for a time the user has typed.
    void timeEdited(const QString& text);
    // Tells why nothing is saved.
    void refuseSave(const QString& reason);
    // The write steps of the save; false when one failed (reported).
    bool writeTiming(int left, int runTime);
    bool writeConfigToAllOutputs();
    QRadioButton* lastCoilOption(int i) const;

    WindowContext context_;
    std::unique_ptr<Ui::CoilPanel> ui_;
};

}  // namespace qb
