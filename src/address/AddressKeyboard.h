#pragma once

#include <QStringList>

// The accessory keyboard of a digital command station, as the address
// dialogs offer it: keyboard block k carries the switch numbers 8k + 1 to
// 8k + 8, and accessory address A serves the four switch numbers
// 4(A - 1) + 1 to 4A, so block k holds the addresses 2k + 1 and 2k + 2.
// A 4-output decoder takes one address, on either half of a block; an
// 8-output decoder takes two, the first one odd.
namespace qb::address {

// "1 - 8", "9 - 16", ... for the first `count` blocks.
QStringList keyboardBlocks(int count);
// The keys output n can be switched with: n and n + 4 on a 4-output decoder
// (the two halves of a block), n alone on an 8-output one.
QStringList keyPairs(int outputNumber, int outputCount);
// The address output n gets on block `block` with key pair `keyPair` (0-based).
int addressOf(int block, int keyPair, int outputNumber, int outputCount);
// The address the decoder is given: an 8-output decoder takes the odd first
// address of its pair, so outputs 5..8 (on the even one) lower it by 1.
int firstAddress(int address, int outputCount);
// The switch number of output n of a decoder on `address`.
int virtualAddress(int address, int outputNumber, int outputCount);

}  // namespace qb::address
