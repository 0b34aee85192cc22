#include "link/Conversions.h"

#include <cstdint>

namespace qb {

QString ToBinary8(quint32 x)
{
    QString digits;
    do {
        digits.prepend(x % 2 ? QLatin1Char('1') : QLatin1Char('0'));
        x /= 2;
    } while (x != 0);
    return digits.rightJustified(8, QLatin1Char('0'));
}

QString ToHexText(const QString& decimalText)
{
    bool ok = false;
    const qint64 value = decimalText.trimmed().toLongLong(&ok);
    if (!ok || value < INT32_MIN || value > UINT32_MAX)
        return QStringLiteral("0");
    return QString::number(static_cast<quint32>(value), 16).toUpper();
}

}  // namespace qb
