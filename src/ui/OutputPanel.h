#pragma once

#include "session/SessionView.h"

#include <QWidget>

namespace qb {

class OutputIndicators;
struct DecodedBlock;
struct FamilyLayout;

// A panel of the main window that shows the selected output: the servo,
// traffic-light or coil panel. The one of the decoder's panel mode is active.
class OutputPanel : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual OutputIndicators& indicators() = 0;
    // Identification: what the decoder's family changes on the panel.
    virtual void applyLayout(const FamilyLayout& layout) = 0;
    // An output was chosen: the panel is laid out for the entry.
    virtual void showSelection(const QString& entryText) = 0;
    // A decoded block of the selected output.
    virtual void showDecoded(const DecodedBlock& decoded) = 0;
    // The read of the selected output has ended.
    virtual void showReadOutcome(ReadOutcome outcome) = 0;
};

}  // namespace qb
