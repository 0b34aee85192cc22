#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace qb {

// One output's configuration block. The decoder sends it last character
// first; the block holds it reversed, so that position 1 is the character
// received last. Positions are 1-based:
//   1..69  fields 1..23, three decimal digits each ("000".."255")
//   70     digit of the output that answered
//   71..78 the decoder's identification
//   79     status digit (protocol variants 2 and 3)
//   80     bus-lane digit (variant 3)
// A block cut short by a time-out is a normal case: whatever did not arrive
// is absent, and no accessor ever reads past the text.
class ConfigBlock {
public:
    static constexpr int FieldCount = 23;
    static constexpr int OutputDigitPosition = 70;
    static constexpr int IdPosition = 71;
    static constexpr int IdLength = 8;
    static constexpr int StatusPosition = 79;
    static constexpr int BusLanePosition = 80;

    ConfigBlock() = default;
    // From the text as received on the line (reverses it).
    explicit ConfigBlock(const QByteArray& received);
    // From text already in block order (position 1 first).
    static ConfigBlock fromReversed(const QByteArray& text);

    int length() const { return static_cast<int>(text_.size()); }
    const QByteArray& text() const { return text_; }

    // Field k (1..23). Absent when it did not arrive completely, is not three
    // decimal digits, or is above 255 (it holds one byte).
    std::optional<int> field(int k) const;
    // Field a as high byte and a + 1 as low byte; absent if either is.
    std::optional<int> pair(int a) const;
    // The character at position 70, as sent.
    std::optional<char> outputDigit() const;
    // Positions 71..78 as far as they arrived (shorter, or empty, when the
    // block was cut short).
    QString decoderId() const;
    // Character code at position 79 minus 48; absent when it did not arrive.
    std::optional<int> statusDigit() const;
    // Character code at position 80 minus 48; 0 when there is none.
    int busLaneDigit() const;

private:
    // Character code (0..255) at a 1-based position.
    std::optional<int> codeAt(int position) const;

    QByteArray text_;
};

// Whether a received block can be shown as output n of the decoder `decoderId`.
enum class BlockCheck {
    Usable,       // it reaches through the identification, names this decoder and this output
    TooShort,     // it ends before the identification (cut short, or nothing came)
    OtherDecoder, // noise of the right length, a shifted block, another decoder's block
    OtherOutput,  // a block of another output of this decoder
};
BlockCheck checkBlock(const ConfigBlock& block, int n, const QString& decoderId);

}  // namespace qb
