#include "platform/QtStores.h"

#include <QDir>
#include <QFileInfo>
#include <QOperatingSystemVersion>
#include <QSettings>
#include <QStandardPaths>

namespace qb {

QString QtSettingsStore::value(const QString& app, const QString& section, const QString& key,
                               const QString& defaultValue) const
{
    QSettings settings(QStringLiteral("Quenbrix"), app);
    settings.beginGroup(section);
    return settings.value(key, defaultValue).toString();
}

void QtSettingsStore::setValue(const QString& app, const QString& section, const QString& key,
                               const QString& value)
{
    QSettings settings(QStringLiteral("Quenbrix"), app);
    settings.beginGroup(section);
    settings.setValue(key, value);
}

IniMachineStore::IniMachineStore(QString filePath, QStringList existingKeys)
    : filePath_(std::move(filePath)), existingKeys_(std::move(existingKeys))
{
    if (filePath_.isEmpty())
        filePath_ = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                    QStringLiteral("/Quenbrix/machine.ini");
}

bool IniMachineStore::writeValue(const QString& keyPath, const QString& name, const QVariant& value)
{
    if (!existingKeys_.contains(keyPath, Qt::CaseInsensitive))
        return false;
    const auto type = value.typeId();
    const bool integer = type == QMetaType::Int || type == QMetaType::UInt || type == QMetaType::Short ||
                         type == QMetaType::UShort || type == QMetaType::Bool ||
                         type == QMetaType::LongLong;
    const bool text = type == QMetaType::QString;
    if (!integer && !text)
        return true;  // nothing to write for other kinds of value
    if (!QDir().mkpath(QFileInfo(filePath_).absolutePath()))
        return false;
    QSettings settings(filePath_, QSettings::IniFormat);
    settings.beginGroup(QString(keyPath).replace('\\', '/'));
    if (integer)
        settings.setValue(name, static_cast<quint32>(value.toLongLong()));
    else
        settings.setValue(name, value.toString());
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

std::optional<OsVersionInfo> QtOsVersion::query() const
{
    const auto current = QOperatingSystemVersion::current();
    if (current.type() != QOperatingSystemVersion::Windows)
        return std::nullopt;
    return OsVersionInfo{current.majorVersion(), current.minorVersion(), 2};
}

}  // namespace qb
