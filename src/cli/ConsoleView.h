#pragma once

#include "session/SessionView.h"

#include <QString>

namespace qb::cli {

// The session's view in a program without windows: nothing is laid out, the
// last status text is kept, and the end of the program is noted.
class ConsoleView : public SessionView {
public:
    const QString& status() const { return status_; }
    bool ended() const { return ended_; }

    void setStatus(const QString& text) override { status_ = text; }
    void setPortDisplay(const QString&) override {}
    void checkPortEntry(int, int) override {}
    void setConnectionHint(const QString&) override {}
    void showPowerUpState(const QString&) override {}
    void closeDecoderWindows() override {}
    void endProgram() override { ended_ = true; }
    QString hintText() const override { return hint_; }
    void setHintText(const QString& text) override { hint_ = text; }
    void applyLayout(const FamilyLayout&) override {}
    void enableOutputList() override {}
    void showOutputNames() override {}
    void showSelection(int) override {}
    void showDecoded(const DecodedBlock&) override {}
    void showReadOutcome(ReadOutcome) override {}

private:
    QString status_;
    QString hint_;
    bool ended_ = false;
};

}  // namespace qb::cli
