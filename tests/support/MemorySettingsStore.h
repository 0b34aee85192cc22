#pragma once

#include "platform/Stores.h"

#include <QMap>

namespace qb::test {

class MemorySettingsStore : public SettingsStore {
public:
    QString value(const QString& app, const QString& section, const QString& key,
                  const QString& defaultValue) const override
    {
        return values.value(path(app, section, key), defaultValue);
    }
    void setValue(const QString& app, const QString& section, const QString& key,
                  const QString& value) override
    {
        values[path(app, section, key)] = value;
    }
    static QString path(const QString& app, const QString& section, const QString& key)
    {
        return app + '/' + section + '/' + key;
    }

    QMap<QString, QString> values;
};

}  // namespace qb::test
