#include "address/AddressKeyboard.h"

namespace qb::address {

QStringList keyboardBlocks(int count)
{
    QStringList blocks;
    for (int k = 0; k < count; ++k)
        blocks << QString::number(8 * k + 1) + QStringLiteral(" - ") + QString::number(8 * k + 8);
    return blocks;
}

QStringList keyPairs(int outputNumber, int outputCount)
{
    if (outputCount == 4)
        return {QString::number(outputNumber), QString::number(outputNumber + 4)};
    return {QString::number(outputNumber)};
}

int addressOf(int block, int keyPair, int outputNumber, int outputCount)
{
    if (outputCount == 4)
        return 2 * block + 1 + keyPair;
    return 2 * block + (outputNumber <= 4 ? 1 : 2);
}

int firstAddress(int address, int outputCount)
{
    return outputCount == 8 && address % 2 == 0 ? address - 1 : address;
}

int virtualAddress(int address, int outputNumber, int outputCount)
{
    return (firstAddress(address, outputCount) - 1) * 4 + outputNumber;
}

}  // namespace qb::address
