#pragma once

#include "ui/WindowContext.h"

#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QPushButton;

namespace qb {

// What the traffic-light test windows share: pairs of a red first and a
// green second button, pressed by mouse or by their keys (1/2, 3/4, Q/W,
// E/R, A/S, D/F, Y/X, C/V for pairs 1..8), one press at a time, the note and
// "Schließen". They are shown without blocking the main window; when the
// user is back there after closing, its identification re-reads the test
// output the window names, and the list shows the output selected before.
class TrafficLightTestWindow : public QMainWindow {
    Q_OBJECT
public:
    ~TrafficLightTestWindow() override;

    // Button b (0 first, 1 second) of pair p (1-based).
    QPushButton* button(int p, int b) const;
    // The key that presses button b of pair p.
    static Qt::Key key(int p, int b);
    // Pair p and button b of one of the pairs' buttons.
    std::optional<std::pair<int, int>> pairOf(const QObject* object) const;

protected:
    // `closingTestOutput`: the output the identification re-reads after
    // closing, 0 for a full identification.
    TrafficLightTestWindow(WindowContext context, int closingTestOutput, QWidget& mainWindow,
                           std::function<void()> selectOutputEntry);

    // The form's pairs and close button, once it is set up; the pairs get
    // their colours.
    void attachPairs(std::vector<std::array<QPushButton*, 2>> pairs, QPushButton* close);
    // What button b of pair p does, inside the press's operation; the text
    // for the main window's status box, nothing when it failed (reported).
    virtual std::optional<QString> press(int p, int b) = 0;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    WindowContext context_;

private:
    // A press by mouse or key, one at a time; only enabled buttons are pressed.
    void pressButton(int p, int b);

    // Accepts a press; cleared while one runs.
    bool TestPanelReady = true;
    std::vector<std::array<QPushButton*, 2>> pairs_;
    QPushButton* close_ = nullptr;
    int closingTestOutput_;
    QWidget& mainWindow_;
    std::function<void()> selectOutputEntry_;
};

// The note beside the pairs: lines each ended by CR LF.
QString noteText(const QStringList& lines);

}  // namespace qb
