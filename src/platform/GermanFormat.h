#pragma once

#include <QString>
#include <optional>

class QCoreApplication;

namespace qb {

// Numbers on screen are German whatever the system locale: decimal comma.
QString formatNumber(double value, int decimals);
// Accepts the German form with a decimal comma; nothing for other text.
std::optional<double> parseNumber(const QString& text);

// Loads Qt's own German texts for the standard dialogs.
void installGermanTranslations(QCoreApplication& app);

}  // namespace qb
