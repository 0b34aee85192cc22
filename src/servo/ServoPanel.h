#pragma once

#include "servo/UnstoredChanges.h"
#include "ui/OutputPanel.h"
#include "ui/WindowContext.h"

#include <QString>
#include <memory>
#include <utility>

class QAction;

namespace Ui {
class ServoPanel;
}

namespace qb {

// The servo panel of the main window: it shows the selected servo output's
// settings, and its buttons configure the output, drive it to its middle
// position and open the adjustment and address dialogs. Its indicator
// controls only show the settings; the dialogs change them.
class ServoPanel : public OutputPanel {
    Q_OBJECT
public:
    explicit ServoPanel(WindowContext context, QWidget* parent = nullptr);
    ~ServoPanel() override;

    Ui::ServoPanel& ui() { return *ui_; }
    OutputIndicators& indicators() override;
    void applyLayout(const FamilyLayout& layout) override;
    void showSelection(const QString& entryText) override;
    void showDecoded(const DecodedBlock& decoded) override;
    void showReadOutcome(ReadOutcome outcome) override;

    // The entries of the "Einstellung" menu this panel answers.
    void attachMenuEntries(QAction& middleNotice, QAction& powerUpServos);

    // Where the servo stood after the last read (the adjustment dialog starts there).
    bool AtLeftEnd = false;
    bool AtRightEnd = false;
    bool NotifyMiddle = true;
    bool PowerUpServosOn = false;
    // What the adjustment dialog left unstored, across its openings.
    UnstoredChanges AdjustChanges;

    void configure();
    void middlePosition();
    void adjust();
    void toggleMiddleNotice();
    void togglePowerUpServos();
    // Sends an adjust begin/end command and reports its answer; false on a time-out.
    bool switchAdjustPower(bool begin);

    // "Servo 3", or the list entry's text for the paired families.
    QString outputName() const;
    // The F1 title and text of a panel box; empty title for other boxes.
    static std::pair<QString, QString> explanation(const QString& box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectIndicators();
    void clearValues();
    void updateEndFlags();

    WindowContext context_;
    std::unique_ptr<Ui::ServoPanel> ui_;
    QString entryText_;
    QAction* middleNotice_ = nullptr;
    QAction* powerUpServos_ = nullptr;
};

// The last line of the middle-position question.
QString middlePositionLine(int pairedFamily, int outputNumber, const QString& neutralText);

}  // namespace qb
