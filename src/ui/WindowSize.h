#pragma once

#include "platform/Stores.h"

#include <QSize>
#include <QString>
#include <optional>

namespace qb {

// Display name of a Windows version ("Windows 7"); empty when the version is
// unknown or the query failed.
QString WindowsVersionName(const std::optional<OsVersionInfo>& version);

// The main window's size for that version, in twips (height 7400 x width 6940
// for Vista and 7, else 7100 x 6735) and in pixels.
QSize mainWindowTwips(const QString& versionName);
QSize twipsToPixels(QSize twips);

}  // namespace qb
