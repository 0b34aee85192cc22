#pragma once

#include "platform/Stores.h"

#include <QStringList>

namespace qb {

// Per-user settings in the user's configuration folder (organisation "Quenbrix",
// one file per application name, one group per section).
class QtSettingsStore : public SettingsStore {
public:
    QString value(const QString& app, const QString& section, const QString& key,
                  const QString& defaultValue) const override;
    void setValue(const QString& app, const QString& section, const QString& key,
                  const QString& value) override;
};

// Machine-wide values in an INI file. The keys the installation provides exist
// from the start; other keys cannot be opened, as in the registry.
class IniMachineStore : public MachineStore {
public:
    // Default file: "machine.ini" in the program's configuration folder, which
    // an ordinary user can write.
    explicit IniMachineStore(QString filePath = {}, QStringList existingKeys = {"SOFTWARE\\Talvenor"});
    bool writeValue(const QString& keyPath, const QString& name, const QVariant& value) override;
    QString filePath() const { return filePath_; }

private:
    QString filePath_;
    QStringList existingKeys_;
};

// The version of the running system where the platform reports one in the
// Windows sense; nothing elsewhere.
class QtOsVersion : public OsVersion {
public:
    std::optional<OsVersionInfo> query() const override;
};

}  // namespace qb
