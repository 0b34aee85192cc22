#pragma once

#include <QString>

namespace qb {

// The base-2 digits of x, most significant first, at least 8 of them.
QString ToBinary8(quint32 x);
// The decimal text as upper-case hexadecimal without leading zeros; text that
// is no 32-bit number gives "0".
QString ToHexText(const QString& decimalText);

}  // namespace qb
