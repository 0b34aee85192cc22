#pragma once

#include "ui/OutputPanel.h"
#include "ui/WindowContext.h"

#include <memory>

namespace Ui {
class CoilPanel;
}

namespace qb {

// The coil panel of the parking decoder: the coils' switch-on time and what
// the decoder's switch inputs do.
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

private:
    // Nothing of a coil is shown: another one was chosen, or it could not be read.
    void clearCoil();

    WindowContext context_;
    std::unique_ptr<Ui::CoilPanel> ui_;
};

}  // namespace qb
