#pragma once

#include "link/Reply.h"
#include "ui/WindowContext.h"

#include <QObject>
#include <Qt>
#include <functional>
#include <optional>
#include <utility>

class QAction;
class QKeyEvent;
class QMenuBar;
class QWidget;

namespace qb {

class DecoderSession;

// What every test window shares, those of the servo, turnout and coil
// decoders and those of the traffic-light decoders alike.

// The first (b = 0) and second (b = 1) key of pair k (1..8): 1/2, 3/4, Q/W,
// E/R, A/S, D/F, Y/X, C/V, the letters as on a German keyboard (Y before X
// in the bottom row).
Qt::Key testKey(int k, int b);
// Pair and button the key presses on a window of `pairs` pairs; none for
// other keys and for shortcuts held with Ctrl, Alt or Meta.
std::optional<std::pair<int, int>> testButtonOfKey(const QKeyEvent& event, int pairs);

// The menu bar "Datei" / "Beenden", "Serieller Anschluß" / "COM1".."COM8",
// "Hilfe" / "Info". Only the port entries act: they record the port
// machine-wide for the decoder's own tools. When that fails the program ends,
// and the window is closed.
class TestPortMenu : public QObject {
    Q_OBJECT
public:
    static constexpr int Ports = 8;

    TestPortMenu(QMenuBar& bar, DecoderSession& session, QWidget& window);

    QAction* portEntry(int n) const;
    // Checks the entry of the port the program uses.
    void showPort();

private:
    void choosePort(int n);

    QMenuBar& bar_;
    DecoderSession& session_;
    QWidget& window_;
};

// Reads block n for a test window. Nothing when the program ends: framing
// errors in every attempt mean that the decoder is gone, which is said
// before the program ends.
std::optional<Reply> readTestBlock(WindowContext& context, int n);

// The move and run commands act on the block read last: whether the block
// read before one is output n's of this decoder. When it is not, the reason
// is said ("Timeout von Decoder!" when it did not come, "Datentransfer
// Fehler!" for another block) and the command must not follow.
bool commandMayFollow(WindowContext& context, const Reply& block, int n);

// A test window closes: the main window reads output `closingTestOutput`
// again when the user is back there, or identifies the decoder anew (0).
// Such a re-read is the one after closing only; any later one identifies.
// The main window's list shows the output that was selected before.
void leaveTestWindow(DecoderSession& session, QWidget& mainWindow, int closingTestOutput,
                     const std::function<void()>& selectOutputEntry);

}  // namespace qb
