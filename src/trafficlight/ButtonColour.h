#pragma once

#include <QColor>
#include <optional>

class QAbstractButton;

namespace qb {

// Light green: traffic-light changes not saved yet.
inline const QColor PendingColour{128, 255, 128};
// The test windows' pairs: red first, green second, grey when out of use.
inline const QColor FirstButtonColour{255, 0, 0};
inline const QColor SecondButtonColour{0, 192, 0};
inline const QColor UnusedButtonColour{192, 192, 192};

// Paints the button in the colour; nothing gives it the style's own again.
void setButtonColour(QAbstractButton* button, std::optional<QColor> colour);
// The colour it was painted in; nothing while it has the style's own.
std::optional<QColor> buttonColour(const QAbstractButton* button);

}  // namespace qb
