#include "ui/WindowSize.h"

namespace qb {

QString WindowsVersionName(const std::optional<OsVersionInfo>& version)
{
    if (!version)
        return {};
    const auto [major, minor, platform] = *version;
    switch (platform) {
    case 0:
        return QStringLiteral("Win32s für Windows 3.x");
    case 1:
        if (minor == 0)
            return QStringLiteral("Windows 95");
        if (minor == 10)
            return QStringLiteral("Windows 98");
        if (minor == 90)
            return QStringLiteral("Windows Me");
        return {};
    case 2:
        if (major == 3)
            return QStringLiteral("Windows NT 3.") + QString::number(minor);
        if (major == 4)
            return QStringLiteral("Windows NT 4.0");
        if (major == 5)
            return minor == 0 ? QStringLiteral("Windows 2000")
                   : minor == 1 ? QStringLiteral("Windows XP")
                                : QString();
        if (major == 6)
            return minor == 0 ? QStringLiteral("Windows Vista")
                   : minor == 1 ? QStringLiteral("Windows 7")
                                : QString();
        return QStringLiteral("Windows Folgeversion");
    default:
        return {};
    }
}

QSize mainWindowTwips(const QString& versionName)
{
    const bool large = versionName == QLatin1String("Windows 7") || versionName == QLatin1String("Windows Vista");
    return large ? QSize(6940, 7400) : QSize(6735, 7100);
}

QSize twipsToPixels(QSize twips)
{
    // 15 twips to a pixel at 96 dots per inch.
    return twips / 15;
}

}  // namespace qb
