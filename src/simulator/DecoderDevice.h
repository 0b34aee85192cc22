#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace qb::sim {

// What a test can make the decoder do wrong with its next answers.
enum class Fault {
    NoAnswer,          // stays silent
    Refusal,           // answers one character that is not the acknowledgement 6
    Garbage,           // answers characters of the right length but meaningless content
    ShortAnswer,       // sends only the first half of its answer
    ExtraChars,        // sends its answer followed by a few more characters
    FrameError,        // the line shows a framing error while the answer arrives
    DsrDrop,           // loses power instead of answering (DSR goes low)
    WrongOutputDigit,  // a block answer names another output
};

// Something the device put on the line in answer to a frame.
struct Reply {
    QByteArray bytes;  // in the order they go out on the wire
    bool framingError = false;
};

struct FrameRecord {
    enum class Direction { Received, Sent };
    qint64 timeUs = 0;
    Direction direction = Direction::Received;
    QByteArray bytes;
    bool garbled = false;  // received at a line speed the device does not listen to
};

struct DeviceConfig {
    QByteArray id = "R5--XC45";
    int variant = 0;  // 0: the variant the identification implies
    int baud = 4800;
};

// The decoder on the far end of the line: its configuration memory, its
// answers and its faults. Time and pacing belong to whoever carries the bytes
// (the in-process port or the pseudo-terminal server).
class DecoderDevice {
public:
    static constexpr int MemorySize = 512;
    static constexpr int SlotSize = 32;  // one output's block in the memory
    static constexpr int FieldCount = 23;
    static constexpr int OutputSlots = MemorySize / SlotSize;

    explicit DecoderDevice(DeviceConfig config = {});

    // Bytes from the program, at the speed its port runs. Returns the answers
    // to every frame the bytes complete.
    std::vector<Reply> receive(const QByteArray& bytes, int lineBaud, qint64 nowUs);

    const QByteArray& id() const { return id_; }
    int variant() const { return variant_; }
    int baud() const { return baud_; }
    void setBaud(int baud) { baud_ = baud; }
    int blockLength() const;

    // Fields 1..23 of output 1..16, one byte each.
    std::uint8_t field(int output, int field) const;
    void setField(int output, int field, std::uint8_t value);
    void setStatusDigit(int output, char digit);
    void setBusLaneDigit(int output, char digit);
    // The block of an output as the program sees it after reversal.
    QByteArray blockText(int output) const;
    const std::array<std::uint8_t, MemorySize>& memory() const { return memory_; }

    // The next `times` answers carry the fault.
    void injectFault(Fault fault, int times = 1);
    void clearFaults() { faults_.clear(); }

    bool dsr() const { return dsr_; }
    void setDsr(bool high);
    void setDsrHandler(std::function<void()> handler) { onDsrChange_ = std::move(handler); }

    const std::vector<FrameRecord>& log() const { return log_; }
    void clearLog() { log_.clear(); }
    // Frames received in order, without garbled ones.
    std::vector<QByteArray> receivedFrames() const;

private:
    Reply answer(const QByteArray& frame);
    QByteArray blockAnswer(int output) const;
    void applyFault(Fault fault, Reply& reply, const QByteArray& frame);
    int slotOffset(int output) const;

    QByteArray id_;
    int variant_ = 2;
    int baud_ = 4800;
    std::array<std::uint8_t, MemorySize> memory_{};
    QByteArray pending_;
    std::deque<Fault> faults_;
    bool dsr_ = true;
    std::function<void()> onDsrChange_;
    std::vector<FrameRecord> log_;
};

}  // namespace qb::sim
