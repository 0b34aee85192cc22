#pragma once

#include "servo/AdjustRules.h"
#include "ui/WindowContext.h"

#include <QDialog>
#include <memory>
#include <optional>

namespace Ui {
class RunTestDialog;
}

namespace qb {

// "Test_links" and "Test_rechts": the servo runs over its whole travel at
// the run time just set, towards the left end or towards the right end. The
// user sends it to its start end, starts the run and stops it at any moment;
// stopping reports where it stands and closes the window. Closing it by its
// frame or Escape sends nothing: a run goes on to its end.
class RunTestDialog : public QDialog {
    Q_OBJECT
public:
    RunTestDialog(WindowContext context, adjust::Side towards, QWidget* parent = nullptr);
    ~RunTestDialog() override;

    // Where the servo was stopped; nothing when the window closed otherwise.
    std::optional<int> stoppedAt() const { return stoppedAt_; }

private:
    void runTo(adjust::Side end);
    void stop();

    WindowContext context_;
    std::unique_ptr<Ui::RunTestDialog> ui_;
    adjust::Side towards_;
    std::optional<int> stoppedAt_;
};

}  // namespace qb
