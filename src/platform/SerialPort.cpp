#include "platform/SerialPort.h"

#include <QStringList>

namespace qb {

std::optional<LineSettings> LineSettings::parse(const QString& text)
{
    const QStringList parts = text.split(',');
    if (parts.size() != 4)
        return std::nullopt;
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;
    const QString parity = parts[1].trimmed().toUpper();
    if (parity.size() != 1 || !QString("NEOMS").contains(parity))
        return std::nullopt;
    s.parity = parity[0].toLatin1();
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return std::nullopt;
    s.stopBits = parts[3].trimmed().toInt(&ok);
    if (!ok || (s.stopBits != 1 && s.stopBits != 2))
        return std::nullopt;
    return s;
}

QString openFailureReason(const QString& device, const DeviceFacts& facts)
{
    if (!facts.exists)
        return QStringLiteral("Das Gerät %1 gibt es nicht. Ist der USB-Seriell-Adapter eingesteckt?").arg(device);
    if (!facts.characterDevice || !facts.terminal)
        return QStringLiteral("%1 ist keine serielle Schnittstelle.").arg(device);
    if (!facts.accessible) {
        const QString group = facts.group.isEmpty() ? QStringLiteral("dialout") : facts.group;
        return QStringLiteral("Keine Berechtigung für %1: Ihr Benutzer muss zur Gruppe \"%2\" gehören "
                              "(sudo adduser $USER %2), danach ab- und wieder anmelden.")
            .arg(device, group);
    }
    if (facts.locked)
        return QStringLiteral("%1 wird von einem anderen Programm benutzt. Beenden Sie das andere Programm.").arg(device);
    return QStringLiteral("%1 kann nicht geöffnet werden.").arg(device);
}

QString LineSettings::toString() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(QChar(parity)).arg(dataBits).arg(stopBits);
}

qint64 LineSettings::charTimeUs() const
{
    const int bits = 1 + dataBits + (parity == 'N' ? 0 : 1) + stopBits;
    return (bits * 1'000'000LL + baud - 1) / baud;
}

}  // namespace qb
