#include "trafficlight/ButtonColour.h"

#include <QAbstractButton>

namespace qb {

void setButtonColour(QAbstractButton* button, std::optional<QColor> colour)
{
    if (!colour) {
        button->setPalette(QPalette());
        return;
    }
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, *colour);
    button->setPalette(palette);
}

std::optional<QColor> buttonColour(const QAbstractButton* button)
{
    if (!button->palette().isBrushSet(QPalette::Active, QPalette::Button))
        return std::nullopt;
    return button->palette().color(QPalette::Button);
}

}  // namespace qb
