#include "decoder/ModelCode.h"

#include <algorithm>

namespace qb {

namespace {

const char* const ModelCodes[] = {"N7", "R7", "R5", "R0", "R8", "B5", "L6", "L9", "L1", "L7", "V7"};
const char* const VariantTwoIds[] = {"R5964740", "R5674040", "R5454240", "R5--XC48", "R5--XC42", "R5--XC45",
                                     "R5XC6645", "R5-7XC48", "R5-7XC42", "R5-7XC45", "R5-7XCN8"};
// "L1" answers with 80 characters like "L7": taking it for 79 would shift
// every later block of that decoder by one character.
const char* const VariantTwoCodes[] = {"V7", "N7", "R7", "R0", "B5", "L6", "L9", "R8"};
const char* const VariantThreeCodes[] = {"L1", "L7"};

bool isOneOf(const QByteArray& text, auto const& list)
{
    return std::any_of(std::begin(list), std::end(list), [&](const char* item) { return text == item; });
}

}  // namespace

std::optional<int> findModelCode(const QByteArray& reversedAnswer)
{
    // A code has two characters, so one starting at the last character does not count.
    for (int i = 0; i + 1 < reversedAnswer.size(); ++i) {
        if (reversedAnswer.mid(i, 3) == "BR5" || isOneOf(reversedAnswer.mid(i, 2), ModelCodes))
            return i;
    }
    return std::nullopt;
}

std::optional<int> variantForAnswer(const QByteArray& reversedAnswer, int at)
{
    const QByteArray code = reversedAnswer.mid(at, 2);
    if (isOneOf(reversedAnswer.mid(at, 8), VariantTwoIds) || isOneOf(code, VariantTwoCodes) ||
        reversedAnswer.mid(at, 3) == "BR5")
        return 2;
    if (isOneOf(code, VariantThreeCodes))
        return 3;
    return std::nullopt;
}

char outputDigit(int n)
{
    // Outputs 10..16 answer with the characters after '9' ("0" for 16).
    return static_cast<char>('0' + (n & 0x0F));
}

}  // namespace qb
