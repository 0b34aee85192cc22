#pragma once

#include <QString>
#include <optional>
#include <utility>

// The rules of the adjustment dialog that need no window: the checks of the
// end positions, the travel time, the run-time correction and the bounce
// and repetition values.
namespace qb::adjust {

enum class Side { Left, Right };

constexpr int LowestEnd = 2000;
constexpr int HighestEnd = 20000;
constexpr int HighestRunTime = 20000;
constexpr int MaxRepeats = 127;
constexpr int MinRepeats = 2;
constexpr int EndlessRepeats = 255;
constexpr double MaxBouncePercent = 99;

inline Side otherSide(Side side)
{
    return side == Side::Left ? Side::Right : Side::Left;
}

// Why a step of `step` units on one end is refused, with the closing line;
// empty when it may go. A plus step moves the end away from the middle:
// it raises the left end and lowers the right one. `value` is the end's own
// field, `other` the other end's.
QString stepRefusal(Side side, bool plus, qint64 value, int step, qint64 other, bool pairedOutputs);
// Why a typed end value is refused before it is stored; empty when it may be.
QString typedValueRefusal(Side side, qint64 value, qint64 other, bool pairedOutputs);

// A number as the user types it into the dialog: German form, and an entry
// that stops at its decimal comma ("12,") counts as the number so far.
std::optional<double> typedNumber(const QString& text);
// The whole-number part of a field; 0 for text that is no number.
qint64 wholeNumber(const QString& text);

// The time a run over `travel` units takes at `runTime` units per 20 ms
// frame: "Maximal" when the servo runs at full speed or it would take less
// than half a second, else seconds with one decimal ("4,0").
QString travelTimeText(qint64 travel, double runTime);
// Half the travel, the highest run time that makes sense: "5500", "2750,5".
QString halfTravelText(qint64 travel);
// A run time as it goes to the decoder: a whole number, halves to the even
// neighbour, within the 16 bits of the command.
quint32 runTimeToSend(double runTime);

// The bounce percentage of an amount over the travel between the ends,
// with two decimals; "???" when the ends are equal.
QString bouncePercentText(double amount, qint64 left, qint64 right);
// The bounce amount of a percentage, the fractional part cut off; "???"
// when the ends are equal.
QString bounceAmountText(double percent, qint64 left, qint64 right);
// The value word of the bounce or repetition store; nothing when there is
// nothing to store.
std::optional<quint32> bounceStoreValue(int functionCode, const QString& repeatText, const QString& amountText);

// The function in the dialog's caption ("Flügelsignal").
QString functionName(int functionCode, int pairedFamily);
// The two servos of a 4-way turnout entry (list index 0..7): "Servo 1a", "Servo 1b".
std::pair<QString, QString> pairedServoNames(int listIndex);

}  // namespace qb::adjust
