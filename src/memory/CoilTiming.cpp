#include "memory/CoilTiming.h"

#include "platform/GermanFormat.h"

#include <cmath>

namespace qb {

CoilTiming coilTimingFor(float seconds)
{
    // Frames of 20 ms (50 a second), counted in steps of the time scale.
    if (seconds < 5.0F)
        return {8, static_cast<int>(std::lround(seconds * 50.0F * 8.0F))};
    if (seconds < 30.0F)
        return {16, static_cast<int>(std::lround(seconds * 50.0F * 4.0F))};
    return {32, static_cast<int>(std::lround(seconds * 50.0F * 2.0F))};
}

float coilTimeValue(const QString& text)
{
    QString number = text.trimmed();
    // "12," is twelve while the user is still typing the decimal.
    if (number.endsWith(QLatin1Char(',')))
        number.chop(1);
    if (number.startsWith(QLatin1Char(',')))
        number.prepend(QLatin1Char('0'));
    return static_cast<float>(parseNumber(number).value_or(0.0));
}

CoilTimeEntry checkCoilTimeEntry(const QString& text)
{
    const QString refused = QStringLiteral("0,0");
    if (text.count(QLatin1Char(',')) > 1)
        return {CoilTimeEntry::Verdict::TooManyCommas, refused};
    if (text.isEmpty())
        return {CoilTimeEntry::Verdict::Accepted, text};
    if (coilTimeValue(text) > LongestCoilTime)
        return {CoilTimeEntry::Verdict::TooLong, refused};
    QString entry = text;
    const qsizetype comma = entry.indexOf(QLatin1Char(','));
    if (comma >= 0)
        entry.truncate(comma + 2);  // one decimal: "1,25" becomes "1,2"
    return {CoilTimeEntry::Verdict::Accepted, entry};
}

}  // namespace qb
