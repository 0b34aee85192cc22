#include "memory/ConfigBlock.h"

#include "decoder/ModelCode.h"

#include "link/CommandCatalogue.h"

#include <algorithm>

namespace qb {

ConfigBlock::ConfigBlock(const QByteArray& received) : text_(received)
{
    std::reverse(text_.begin(), text_.end());
}

ConfigBlock ConfigBlock::fromReversed(const QByteArray& text)
{
    ConfigBlock block;
    block.text_ = text;
    return block;
}

std::optional<int> ConfigBlock::codeAt(int position) const
{
    if (position < 1 || position > length())
        return std::nullopt;
    return static_cast<unsigned char>(text_[position - 1]);
}

std::optional<int> ConfigBlock::field(int k) const
{
    if (k < 1 || k > FieldCount)
        return std::nullopt;
    return commands::decimalByte(text_, 3 * k - 3);
}

std::optional<int> ConfigBlock::pair(int a) const
{
    const auto high = field(a);
    const auto low = field(a + 1);
    if (!high || !low)
        return std::nullopt;
    return *high * 256 + *low;
}

std::optional<char> ConfigBlock::outputDigit() const
{
    if (length() < OutputDigitPosition)
        return std::nullopt;
    return text_[OutputDigitPosition - 1];
}

QString ConfigBlock::decoderId() const
{
    if (length() < IdPosition)
        return {};
    return QString::fromLatin1(text_.mid(IdPosition - 1, IdLength));
}

std::optional<int> ConfigBlock::statusDigit() const
{
    const auto code = codeAt(StatusPosition);
    if (!code)
        return std::nullopt;
    return *code - '0';
}

int ConfigBlock::busLaneDigit() const
{
    return codeAt(BusLanePosition).value_or('0') - '0';
}

BlockCheck checkBlock(const ConfigBlock& block, int n, const QString& decoderId)
{
    // A decoder may send a shorter block than its variant promises; up to
    // and with the identification it must be there.
    if (block.length() < ConfigBlock::IdPosition + ConfigBlock::IdLength - 1)
        return BlockCheck::TooShort;
    if (block.decoderId() != decoderId)
        return BlockCheck::OtherDecoder;
    if (block.outputDigit() != outputDigit(n))
        return BlockCheck::OtherOutput;
    return BlockCheck::Usable;
}

}  // namespace qb
