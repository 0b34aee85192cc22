#include "servo/AdjustRules.h"

#include "link/Texts.h"
#include "platform/GermanFormat.h"

#include <algorithm>
#include <cmath>

namespace qb::adjust {

namespace {

const QString Endless = QStringLiteral("Endlos");

QString unchanged(const QString& reason)
{
    return texts::lines({reason, QStringLiteral("Der bisherige Wert bleibt unverändert.")});
}

QString tooHigh(Side side)
{
    return side == Side::Left ? QStringLiteral("Der linke Wert würde jetzt größer als 20000 werden!")
                              : QStringLiteral("Der rechte Wert würde jetzt größer als 20000 werden!");
}

// The step's message for the right end has always had two exclamation marks.
QString tooLow(Side side, bool step)
{
    if (side == Side::Left)
        return QStringLiteral("Der linke Wert würde jetzt kleiner als 2000 werden!");
    return step ? QStringLiteral("Der rechte Wert würde jetzt kleiner als 2000 werden!!")
                : QStringLiteral("Der rechte Wert würde jetzt kleiner als 2000 werden!");
}

QString crossing(Side side)
{
    return texts::lines({side == Side::Left ? QStringLiteral("Der linke Wert würde jetzt kleiner als der rechte Wert werden!")
                                            : QStringLiteral("Der rechte Wert würde jetzt größer als der linke Wert werden!"),
                         QStringLiteral("Das führt zu Fehlfunktionen in der Servosteuerung.")});
}

// The left end must not lie below the right one, except where the outputs
// are pairs of servos.
bool crosses(Side side, qint64 value, qint64 other, bool pairedOutputs)
{
    return !pairedOutputs && (side == Side::Left ? other > value : value > other);
}

}  // namespace

QString stepRefusal(Side side, bool plus, qint64 value, int step, qint64 other, bool pairedOutputs)
{
    const bool raises = (side == Side::Left) == plus;
    const qint64 next = raises ? value + step : value - step;
    if (raises && next > HighestEnd)
        return unchanged(tooHigh(side));
    if (!raises && next < LowestEnd)
        return unchanged(tooLow(side, true));
    // Only a step towards the middle can make the ends cross.
    if (!plus && crosses(side, next, other, pairedOutputs))
        return unchanged(crossing(side));
    return {};
}

QString typedValueRefusal(Side side, qint64 value, qint64 other, bool pairedOutputs)
{
    if (crosses(side, value, other, pairedOutputs))
        return unchanged(crossing(side));
    if (value < LowestEnd)
        return unchanged(tooLow(side, false));
    if (value > HighestEnd)
        return unchanged(tooHigh(side));
    return {};
}

std::optional<double> typedNumber(const QString& text)
{
    QString t = text.trimmed();
    if (t.endsWith(','))
        t.chop(1);
    return parseNumber(t);
}

qint64 wholeNumber(const QString& text)
{
    const std::optional<double> value = typedNumber(text);
    if (!value || !std::isfinite(*value))
        return 0;
    return static_cast<qint64>(std::clamp(std::trunc(*value), -1e15, 1e15));
}

QString travelTimeText(qint64 travel, double runTime)
{
    if (runTime < 1)
        return QStringLiteral("Maximal");
    const double seconds = static_cast<double>(travel) / runTime * 0.02;
    return seconds < 0.5 ? QStringLiteral("Maximal") : formatNumber(seconds, 1);
}

QString halfTravelText(qint64 travel)
{
    return travel % 2 == 0 ? QString::number(travel / 2) : formatNumber(static_cast<double>(travel) / 2, 1);
}

quint32 runTimeToSend(double runTime)
{
    // nearbyint rounds halves to the even neighbour.
    return static_cast<quint32>(std::clamp(std::nearbyint(runTime), 0.0, 65535.0));
}

QString bouncePercentText(double amount, qint64 left, qint64 right)
{
    if (left == right)
        return QStringLiteral("???");
    return formatNumber(amount * 100 / static_cast<double>(std::llabs(left - right)), 2);
}

QString bounceAmountText(double percent, qint64 left, qint64 right)
{
    if (left == right)
        return QStringLiteral("???");
    return QString::number(static_cast<qint64>(std::trunc(percent * static_cast<double>(std::llabs(left - right)) / 100)));
}

std::optional<quint32> bounceStoreValue(int functionCode, const QString& repeatText, const QString& amountText)
{
    const QString text = (functionCode == 8 ? repeatText : amountText).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    if (functionCode == 8 && text == Endless)
        return EndlessRepeats;
    // An amount over equal ends is no amount: no bounce travel is stored.
    if (functionCode != 8 && text == QLatin1String("???"))
        return 0;
    const std::optional<double> value = typedNumber(text);
    if (!value || !std::isfinite(*value) || *value < 0)
        return std::nullopt;
    return static_cast<quint32>(std::min(std::trunc(*value), 65535.0));
}

QString functionName(int functionCode, int pairedFamily)
{
    switch (functionCode) {
    case 1:
        return pairedFamily == 4 ? QStringLiteral(" 4-Wegeweiche") : QStringLiteral("Weiche");
    case 2:
        return QStringLiteral("Flügelsignal");
    case 4:
        return QStringLiteral("Bahnschranke");
    case 8:
        return QStringLiteral("Wiederholung");
    default:
        return {};
    }
}

std::pair<QString, QString> pairedServoNames(int listIndex)
{
    const QString servo = QStringLiteral("Servo ") + QString::number(listIndex / 2 + 1);
    return listIndex % 2 == 0 ? std::pair{servo + 'a', servo + 'b'} : std::pair{servo + 'c', servo + 'd'};
}

}  // namespace qb::adjust
