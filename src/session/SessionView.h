#pragma once

#include <QString>

namespace qb {

struct DecodedBlock;
struct FamilyLayout;

// How a read of an output ended.
enum class ReadOutcome {
    Decoded,      // the block was this output's and is shown
    Failed,       // nothing usable came: reported, nothing of it is shown
    NotAccepted,  // a decoder of the other kind answered: reported, not shown
    Ended,        // the program is ending
    Refused,      // another operation held the line: nothing was done
};

// What the decoder sequences show on the screen: the main window implements
// it, and a program without windows shows what it needs in its own way.
class SessionView {
public:
    virtual ~SessionView() = default;

    virtual void setStatus(const QString& text) = 0;
    // The port display ("COM Port 3" or "Kein COM Port ausgewählt").
    virtual void setPortDisplay(const QString& text) = 0;
    // Unchecks port entries 1..uncheckUpTo, then checks entry n.
    virtual void checkPortEntry(int n, int uncheckUpTo) = 0;
    // The start hint above the port display.
    virtual void setConnectionHint(const QString& text) = 0;
    // Caption of the power-on menu entry, which becomes visible.
    virtual void showPowerUpState(const QString& caption) = 0;
    // Closes the windows a reconnect closes.
    virtual void closeDecoderWindows() = 0;
    // Ends the program (the main window closes).
    virtual void endProgram() = 0;

    // The instruction under the output list.
    virtual QString hintText() const = 0;
    virtual void setHintText(const QString& text) = 0;
    // Captions, output list, menus and panel for an accepted identification.
    virtual void applyLayout(const FamilyLayout& layout) = 0;
    // The output list and the copy menu become usable.
    virtual void enableOutputList() = 0;
    // The output names changed (a traffic-light layout): list and menus follow.
    virtual void showOutputNames() = 0;

    // Output n was chosen: its entry is selected and the panel laid out.
    virtual void showSelection(int n) = 0;
    // A decoded block of the selected output.
    virtual void showDecoded(const DecodedBlock& decoded) = 0;
    // The read of the selected output has ended.
    virtual void showReadOutcome(ReadOutcome outcome) = 0;
};

}  // namespace qb
