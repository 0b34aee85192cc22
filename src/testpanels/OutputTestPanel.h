#pragma once

#include "session/CountedFlag.h"
#include "ui/WindowContext.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QMenuBar;
class QPushButton;

namespace Ui {
class OutputTestPanel;
}

namespace qb {

class TestPortMenu;
struct TestPanelDesign;

// The test windows of the servo, turnout and coil decoders.
enum class TestPanelKind {
    FourFold,   // "Test4fach"
    EightFold,  // "Test8fach"
    FourWay,    // "Test4Weiche"
    Coil,       // "Test_Spule"
};

// A test window: each output of the decoder goes to its two end positions by
// a button pair (red first, green second, captioned with their keys) or by
// the keyboard, without changing any setting. Every press reads the output's
// block first, because the move commands act on the output read last.
//
// The four windows share this design; TestPanelDesign holds what differs.
// Closing sets the test output the main window's identification works on;
// the main window runs it when the user is back there.
class OutputTestPanel : public QDialog {
    Q_OBJECT
public:
    static constexpr int MaxOutputs = 8;

    OutputTestPanel(TestPanelKind kind, WindowContext context, QWidget& mainWindow,
                    std::function<void()> selectOutputEntry);
    ~OutputTestPanel() override;

    Ui::OutputTestPanel& ui() { return *ui_; }
    // Button b (0 first, 1 second) of output k (1-based).
    QPushButton* button(int k, int b) const;
    // The "Serieller Anschluß" entry n of the 8-fold panel's menu bar.
    QAction* portEntry(int n) const;
    bool testPanelReady() const { return !commandRunning_.isSet(); }
    // Per output k at index k - 1: the first character of its block read at
    // opening, as a number (the status digit, whose lowest bit tells a
    // reversed coil).
    const std::array<int, MaxOutputs + 1>& TestOutputDigits() const { return testOutputDigits_; }

    // The reads of opening; false when the window is not to open (another
    // operation holds the line, the program ends).
    bool readForOpening();
    // A press of button b of output k, by mouse or key.
    void press(int k, int b);

public slots:
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void layOut();
    void addPortMenu();

    const TestPanelDesign& design_;
    WindowContext context_;
    QWidget& mainWindow_;
    std::function<void()> selectOutputEntry_;
    std::unique_ptr<Ui::OutputTestPanel> ui_;
    QMenuBar* menuBar_ = nullptr;
    TestPortMenu* portMenu_ = nullptr;
    // Set while a press runs: the panel accepts no other one.
    CountedFlag commandRunning_;
    std::array<int, MaxOutputs + 1> testOutputDigits_{};
    bool closing_ = false;
};

// The menu entry's reaction: reads what the panel needs, then shows it
// modally, or without blocking the main window for the coil panel (which is
// brought to the front when it is open already).
void openTestPanel(TestPanelKind kind, const WindowContext& context, QWidget& mainWindow,
                   std::function<void()> selectOutputEntry);

}  // namespace qb
