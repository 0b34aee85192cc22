#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace qb {

// Per-user settings: application / section / key, all text.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString value(const QString& app, const QString& section, const QString& key,
                          const QString& defaultValue) const = 0;
    virtual void setValue(const QString& app, const QString& section, const QString& key,
                          const QString& value) = 0;
};

// Machine-wide values under an existing key (the registry's HKEY_LOCAL_MACHINE).
class MachineStore {
public:
    virtual ~MachineStore() = default;
    // Writes an integer (as a 32-bit value) or a text; false when the key cannot
    // be opened or the value not written.
    virtual bool writeValue(const QString& keyPath, const QString& name, const QVariant& value) = 0;
};

struct OsVersionInfo {
    int major = 0;
    int minor = 0;
    int platformId = 0;
};

class OsVersion {
public:
    virtual ~OsVersion() = default;
    // Empty when the platform offers no such version.
    virtual std::optional<OsVersionInfo> query() const = 0;
};

}  // namespace qb
