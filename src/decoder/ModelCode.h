#pragma once

#include <QByteArray>
#include <optional>

namespace qb {

// Where the decoder's identification begins in a reversed answer (0-based),
// nothing when no known model code occurs.
std::optional<int> findModelCode(const QByteArray& reversedAnswer);
// The protocol variant the identification at that place implies; nothing when
// it implies none (the old "R5" decoders learn theirs from identification).
std::optional<int> variantForAnswer(const QByteArray& reversedAnswer, int at);

// The character a decoder puts at position 70 of the block of output n.
char outputDigit(int n);

}  // namespace qb
