#include "simulator/DecoderDevice.h"

#include <algorithm>

namespace qb::sim {

namespace {

constexpr char CR = 13;
constexpr char ACK = 6;

int variantForId(const QByteArray& id)
{
    if (id == "R5494940")
        return 1;
    if (id.startsWith("L1") || id.startsWith("L7"))
        return 3;
    return 2;
}

// Commands whose parameters are raw bytes, which may take any value, CR included.
int rawParameterCount(std::uint8_t command)
{
    switch (command) {
    case 225:  // run right / stop
    case 226:  // run left / stop
        return 1;
    case 236:  // left step: direction, step
    case 238:  // right step
        return 2;
    default:
        return -1;  // text parameters, ended by CR
    }
}

// Length of the first complete frame in the buffer, 0 when none is complete yet.
int completeFrameLength(const QByteArray& buffer)
{
    if (buffer.isEmpty())
        return 0;
    const int raw = rawParameterCount(static_cast<std::uint8_t>(buffer[0]));
    if (raw >= 0) {
        const int length = 1 + raw + 1;
        return buffer.size() >= length ? length : 0;
    }
    const int cr = buffer.indexOf(CR);
    return cr < 0 ? 0 : cr + 1;
}

}  // namespace

DecoderDevice::DecoderDevice(DeviceConfig config)
    : id_(config.id.leftJustified(8, '-', true)),
      variant_(config.variant ? config.variant : variantForId(config.id)),
      baud_(config.baud)
{
    // Plausible factory values for every output: turnout, positive pulse,
    // Graupner, middle 11000, ends 8000 and 14000, slow run times, DCC address 1.
    for (int output = 1; output <= OutputSlots; ++output) {
        auto put16 = [&](int field, int value) {
            setField(output, field, static_cast<std::uint8_t>(value >> 8));
            setField(output, field + 1, static_cast<std::uint8_t>(value & 0xFF));
        };
        setField(output, 1, 0x81);
        setField(output, 2, 1);
        put16(3, 11000);
        put16(5, 8000);
        put16(7, 11000);
        put16(9, 14000);
        put16(11, 11000);
        put16(13, 20);
        put16(15, 0);
        put16(17, 20);
        put16(22, 1);
        setStatusDigit(output, '0');
        setBusLaneDigit(output, '0');
    }
}

int DecoderDevice::blockLength() const
{
    return variant_ == 1 ? 78 : variant_ == 2 ? 79 : 80;
}

int DecoderDevice::slotOffset(int output) const
{
    return (std::clamp(output, 1, OutputSlots) - 1) * SlotSize;
}

std::uint8_t DecoderDevice::field(int output, int field) const
{
    return memory_[slotOffset(output) + std::clamp(field, 1, FieldCount) - 1];
}

void DecoderDevice::setField(int output, int field, std::uint8_t value)
{
    memory_[slotOffset(output) + std::clamp(field, 1, FieldCount) - 1] = value;
}

void DecoderDevice::setStatusDigit(int output, char digit)
{
    memory_[slotOffset(output) + FieldCount] = static_cast<std::uint8_t>(digit - '0');
}

void DecoderDevice::setBusLaneDigit(int output, char digit)
{
    memory_[slotOffset(output) + FieldCount + 1] = static_cast<std::uint8_t>(digit - '0');
}

QByteArray DecoderDevice::blockText(int output) const
{
    QByteArray text;
    for (int f = 1; f <= FieldCount; ++f)
        text += QByteArray::number(field(output, f)).rightJustified(3, '0');
    text += char('0' + (output & 0x0F));
    text += id_;
    const int offset = slotOffset(output);
    if (variant_ >= 2)
        text += char('0' + memory_[offset + FieldCount]);
    if (variant_ >= 3)
        text += char('0' + memory_[offset + FieldCount + 1]);
    return text;
}

QByteArray DecoderDevice::blockAnswer(int output) const
{
    QByteArray text = blockText(output);
    std::reverse(text.begin(), text.end());
    return text;
}

void DecoderDevice::injectFault(Fault fault, int times)
{
    for (int i = 0; i < times; ++i)
        faults_.push_back(fault);
}

void DecoderDevice::setDsr(bool high)
{
    if (dsr_ == high)
        return;
    dsr_ = high;
    if (onDsrChange_)
        onDsrChange_();
}

std::vector<QByteArray> DecoderDevice::receivedFrames() const
{
    std::vector<QByteArray> frames;
    for (const auto& record : log_)
        if (record.direction == FrameRecord::Direction::Received && !record.garbled)
            frames.push_back(record.bytes);
    return frames;
}

std::vector<Reply> DecoderDevice::receive(const QByteArray& bytes, int lineBaud, qint64 nowUs)
{
    std::vector<Reply> replies;
    if (!dsr_)
        return replies;  // switched off
    if (lineBaud != baud_) {
        // At the wrong speed the decoder sees noise and says nothing.
        pending_.clear();
        log_.push_back({nowUs, FrameRecord::Direction::Received, bytes, true});
        return replies;
    }
    pending_ += bytes;
    while (int length = completeFrameLength(pending_)) {
        const QByteArray frame = pending_.left(length);
        pending_.remove(0, length);
        log_.push_back({nowUs, FrameRecord::Direction::Received, frame});
        Reply reply = answer(frame);
        if (!faults_.empty()) {
            const Fault fault = faults_.front();
            faults_.pop_front();
            applyFault(fault, reply, frame);
        }
        if (!reply.bytes.isEmpty() || reply.framingError) {
            log_.push_back({nowUs, FrameRecord::Direction::Sent, reply.bytes});
            replies.push_back(reply);
        }
        if (!dsr_)
            break;
    }
    return replies;
}

Reply DecoderDevice::answer(const QByteArray& frame)
{
    const auto command = static_cast<std::uint8_t>(frame[0]);
    if (frame.size() == 2 && command == 16)
        return {blockAnswer(16)};
    if (frame.size() == 2 && command >= 241)
        return {blockAnswer(command - 240)};
    return {};
}

void DecoderDevice::applyFault(Fault fault, Reply& reply, const QByteArray& frame)
{
    switch (fault) {
    case Fault::NoAnswer:
        reply.bytes.clear();
        break;
    case Fault::Refusal:
        reply.bytes = QByteArray(1, char(21));
        break;
    case Fault::Garbage:
        reply.bytes = QByteArray(std::max<qsizetype>(reply.bytes.size(), 1), '#');
        break;
    case Fault::ShortAnswer:
        reply.bytes.truncate(reply.bytes.size() / 2);
        break;
    case Fault::ExtraChars:
        reply.bytes += QByteArray("XYZ");
        break;
    case Fault::FrameError:
        reply.framingError = true;
        break;
    case Fault::DsrDrop:
        reply.bytes.clear();
        setDsr(false);
        break;
    case Fault::WrongOutputDigit: {
        // The output digit is position 70 of the reversed block, so it travels
        // at the same distance from the end of the answer.
        const qsizetype digit = reply.bytes.size() - 70;
        if (digit >= 0 && frame.size() == 2)
            reply.bytes[digit] = reply.bytes[digit] == '9' ? '1' : char(reply.bytes[digit] + 1);
        break;
    }
    }
}

}  // namespace qb::sim
