#pragma once

#include "servo/AdjustRules.h"
#include "session/CountedFlag.h"
#include "ui/WindowContext.h"

#include <QDialog>
#include <array>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace Ui {
class AdjustDialog;
}

namespace qb {

class HeldArrows;
class ServoPanel;
struct DecoderIdentity;
struct OutputSettings;
struct UnstoredChanges;

// "Einstellen": the user finds the end positions of the selected servo output
// by moving the servo live, stores them, turns the servo to either end or to
// its middle, and sets run times, bounce and repetitions. Every step and every
// run-time change is live in the decoder at once; the store buttons make the
// decoder keep them. Each button is an operation of its own: the line is not
// held while the user thinks. Closing offers to store what is unstored and
// reads the output again, so that the main window shows what the decoder holds.
//
// The window's frame and Escape close it like "Fenster schliessen"; the
// program closing it (a reconnect) asks and sends nothing.
class AdjustDialog : public QDialog {
    Q_OBJECT
public:
    AdjustDialog(WindowContext context, ServoPanel& panel, QWidget* parent = nullptr);
    ~AdjustDialog() override;

    Ui::AdjustDialog& ui() { return *ui_; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Side = adjust::Side;

    // The controls of one end position.
    struct End {
        QLineEdit* field = nullptr;        // Linker_Wert / Rechter_Wert
        QLineEdit* panelField = nullptr;   // the main window's
        QPushButton* start = nullptr;      // "Servo links einstellen" / "Einstellen abbrechen"
        QPushButton* store = nullptr;
        QPushButton* turn = nullptr;       // "Links drehen" / "Rechts drehen"
        std::array<QPushButton*, 6> steps{};  // +10 -10 +100 -100 +250 -250
    };
    // The controls of one run time.
    struct RunTime {
        QLineEdit* field = nullptr;
        QToolButton* minus = nullptr;
        QToolButton* plus = nullptr;
        QLabel* seconds = nullptr;
        QPushButton* store = nullptr;
        QPushButton* test = nullptr;
    };

    void connectControls();
    void load();
    void loadRunTimePanel();

    DecoderSession& session();
    OutputSettings& settings();
    const DecoderIdentity& identity();
    UnstoredChanges& unstored();
    QString name();
    End& end(Side side) { return ends_[static_cast<int>(side)]; }
    RunTime& runTime(Side side) { return runTimes_[static_cast<int>(side)]; }
    bool& positionChanged(Side side);
    bool& runTimeChanged(Side side);
    void setStepsEnabled(Side side, bool enabled);
    qint64 travel();
    qint64 runTimeValue(Side side);

    // The end positions (their steps, stores, turns and the middle).
    void startOrCancel(Side side);
    void step(Side side, bool plus, int size);
    bool storeEnd(Side side);
    void turnClicked(Side side);
    bool turn(Side side);
    void middlePosition();
    bool endFieldKey(Side side, const QKeyEvent& key);

    // The run times, bounce and repetitions.
    void runTimeEdited(Side side);
    bool sendRunTime(Side side);
    bool stepRunTime(int arrow, bool pressed);
    bool storeRunTime(Side side);
    void openRunTest(Side towards);
    void bounceSideToggled(int bit, bool checked);
    void amountChanged();
    void percentChanged();
    void clearBounce();
    void repeatsChanged();
    void endlessToggled(bool endless);
    bool storeBounce();

    void closeWindow();

    WindowContext context_;
    ServoPanel& panel_;
    std::unique_ptr<Ui::AdjustDialog> ui_;
    std::unique_ptr<HeldArrows> arrows_;
    std::array<End, 2> ends_;
    std::array<RunTime, 2> runTimes_;
    CountedFlag stepBusy_;          // "StepBusy"
    bool turnButtonsFollow_ = false;
    bool runTimeRecalcOnly_ = false;
    bool fieldsLoading_ = false;
    bool bouncePercentLoading_ = false;
    bool bounceAmountLoading_ = false;
    // The bounce sides the check boxes show. Kept here: the read-back of
    // every store replaces the session's with the decoder's.
    int bounceCode_ = 0;
};

}  // namespace qb
