#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
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
    Noise,             // framing errors and nothing usable: a decoder at the other line speed
    Shifted,           // a stray character goes out before the answer and its last one is lost
    Zeroed,            // answers as many characters as due, every one of them "0"
    Delayed,           // answers after a pause of DelayedAnswerUs, as a busy decoder does
};

// The pause of a Fault::Delayed answer before its first character.
constexpr qint64 DelayedAnswerUs = 500'000;

// A fault that disturbs every answer to the frames it names: the block reads
// of one output (1..16), or every frame with one command byte.
struct StandingFault {
    Fault fault = Fault::NoAnswer;
    int blockOutput = 0;  // 0: not by output
    int command = -1;     // -1: not by command byte
};

// Something the device put on the line in answer to a frame.
struct Response {
    QByteArray bytes;  // in the order they go out on the wire
    bool framingError = false;
    qint64 pauseUs = 0;  // before the first character goes out
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
    std::vector<StandingFault> standingFaults{};
    bool motorola = false;  // runs the Motorola protocol (status digit 2), on address 1
};

// The end positions and run times the selected output works with. Steps and
// run-time commands change them at once; only the store commands put them
// into the block.
struct WorkingValues {
    int left = 0;
    int right = 0;
    int runTimeLeft = 0;
    int runTimeRight = 0;
};

// The decoder on the far end of the line: its configuration memory, its
// answers, a servo that moves in time, and its faults. Time and pacing of the
// bytes belong to whoever carries them (the in-process port or the
// pseudo-terminal server); `nowUs` only drives the servo runs.
//
// Memory: 512 bytes (decoder addresses 0x300..0x4FF); output n owns the
// 32-byte slot at (n - 1) * 32: fields 1..23, then the value of the status
// digit and of the bus-lane digit. Dump, memory writes and block reads all
// work on it. Fields 7/8 hold where the servo stands.
//
// Parsing where the frame alone is ambiguous:
// - Set left/right: the last four characters are the value, the rest the output.
// - Servo-form configuration write: read from the end by the known field
//   widths (direction digit only in variants 2 and 3); what remains is output
//   and unpadded neutral, and the neutral takes four hex digits whenever a
//   character is left for the output ("12FA0" is output 1, neutral 2FA0).
// - Copy: the target is taken as the last digit when both numbers then lie in
//   1..16, otherwise as the last two digits ("112" copies 11 to 2, "110" 1 to
//   10); the program's copy menu only names targets 1..8.
// - Traffic-light configuration write (decoders "L..."): crossing code and
//   bus-lane bits are raw bytes and may be 13, so the frame ends at the CR that
//   closes the fixed tail ("0", raw, "0", "0000", country digit); it applies to
//   every output's block, as the layout is the decoder's.
// Hex parameters are read in upper case only, as the program sends them.
// Frames it cannot parse, and commands this decoder does not know (126/127
// outside the start-up state group, 153 on servo decoders, 186 or 250 for the
// other generation), get no answer. A refused command (Fault::Refusal) leaves
// no effect; faults wait for the next frame that has an answer.
class DecoderDevice {
public:
    static constexpr int MemorySize = 512;
    static constexpr int SlotSize = 32;  // one output's block in the memory
    static constexpr int FieldCount = 23;
    static constexpr int OutputSlots = MemorySize / SlotSize;
    static constexpr int MemoryBase = 0x300;  // decoder address of memory byte 0
    static constexpr int RamSize = 1152;
    static constexpr int FrameUs = 20'000;  // one servo frame; run times are units per frame
    // Traffic-light RAM image: the eight switch states (0 first, 1 second,
    // 0xFF not switched yet) from here, a copy of the memory at power-up at
    // RamMemoryCopy. The restart (204 "1" "1") starts it afresh.
    static constexpr int RamSwitchStates = 0x00;
    static constexpr int RamMemoryCopy = 0x10;

    explicit DecoderDevice(DeviceConfig config = {});

    // Bytes from the program, at the speed its port runs. Returns the answers
    // to every frame the bytes complete.
    std::vector<Response> receive(const QByteArray& bytes, int lineBaud, qint64 nowUs);

    const QByteArray& id() const { return id_; }
    int variant() const { return variant_; }
    int baud() const { return baud_; }
    void setBaud(int baud) { baud_ = baud; }
    int blockLength() const;
    // 1..3 for traffic-light decoders, 0 for all others.
    int trafficLightGeneration() const { return generation_; }

    // Fields 1..23 of output 1..16, one byte each.
    std::uint8_t field(int output, int field) const;
    void setField(int output, int field, std::uint8_t value);
    // A field pair read as high byte, low byte.
    int value16(int output, int firstField) const;
    void setValue16(int output, int firstField, int value);
    void setStatusDigit(int output, char digit);
    void setBusLaneDigit(int output, char digit);
    // The block of an output as the program sees it after reversal.
    QByteArray blockText(int output) const;
    const std::array<std::uint8_t, MemorySize>& memory() const { return model_.memory; }

    // The output commands without an output number act on: the one whose
    // block went out last (1 at power-up).
    int selectedOutput() const { return model_.selected; }
    WorkingValues workingValues() const;
    // Where the servo of an output stands (fields 7/8) as of the last frame.
    int position(int output) const { return value16(output, 7); }
    bool running() const { return model_.run.active; }
    // 0 first state, 1 second state, -1 never switched; outputs 1..8.
    int switchState(int output) const;
    bool powerUpServosOn() const { return model_.powerUpOn; }
    // The command byte of the last frame answered with ACK, 0 before any.
    std::uint8_t lastAcknowledged() const { return lastAcknowledged_; }

    const std::array<std::uint8_t, RamSize>& ram() const { return model_.ram; }
    void setRam(const std::array<std::uint8_t, RamSize>& ram) { model_.ram = ram; }

    // The next `times` answers carry the fault.
    void injectFault(Fault fault, int times = 1);
    // From now on every answer to the frames the fault names carries it.
    void addStandingFault(StandingFault fault) { standingFaults_.push_back(fault); }
    // A damaged decoder whose reset command changes nothing.
    void setResetsIgnored(bool ignored) { resetsIgnored_ = ignored; }
    void clearFaults() { faults_.clear(); }

    bool dsr() const { return dsr_; }
    void setDsr(bool high);
    void setDsrHandler(std::function<void()> handler) { onDsrChange_ = std::move(handler); }

    // An output sent on its way by a frame: where it was heading before and after.
    struct Move {
        qint64 timeUs = 0;
        int output = 0;
        int from = 0;
        int to = 0;
    };

    const std::vector<FrameRecord>& log() const { return log_; }
    // The moves of outputs 1..8, oldest first; cleared with the log.
    const std::vector<Move>& moves() const { return moves_; }
    void clearLog()
    {
        log_.clear();
        moves_.clear();
    }
    // Frames received in order, without garbled ones.
    std::vector<QByteArray> receivedFrames() const;

private:
    // A run started with 225/226 and 2; the position follows from the time.
    struct Run {
        bool active = false;
        int output = 1;
        int from = 0;
        int to = 0;
        int perFrame = 0;
        qint64 startUs = 0;
    };
    // Everything a command may change, so that a refusal can undo it.
    struct Model {
        std::array<std::uint8_t, MemorySize> memory{};
        std::array<std::uint8_t, RamSize> ram{};
        int selected = 1;
        // Changes of the selected output not stored in its block yet.
        std::optional<int> left, right, runTimeLeft, runTimeRight;
        Run run;
        std::array<int, 8> switches{-1, -1, -1, -1, -1, -1, -1, -1};
        bool powerUpOn = true;
    };

    int completeFrameLength(const QByteArray& buffer) const;
    void recordMoves(const Model& before, qint64 nowUs);
    void powerUpRam();
    Response answer(const QByteArray& frame, qint64 nowUs);
    QByteArray blockAnswer(int output);
    void applyFault(Fault fault, Response& reply, const QByteArray& frame);
    std::optional<Fault> standingFaultFor(const QByteArray& frame) const;
    int slotOffset(int output) const;

    void settleRun(qint64 nowUs);
    void moveTo(int output, int position);
    void select(int output);
    void forgetWorking(int output);
    void resetOutput(int output);
    bool isMotorola() const;

    Response step(bool leftSide, const QByteArray& parameters);
    Response run(bool toRight, const QByteArray& parameters, qint64 nowUs);
    Response servoConfigWrite(const QByteArray& parameters);
    Response trafficLightConfigWrite(const QByteArray& parameters);
    Response addressWrite(std::uint8_t command, const QByteArray& parameters);
    Response memoryWrite(const QByteArray& parameters);
    Response copy(const QByteArray& parameters);
    QByteArray dumpAnswer() const;
    QByteArray ramAnswer() const;

    QByteArray id_;
    int variant_ = 2;
    int baud_ = 4800;
    int generation_ = 0;
    Model model_;
    std::uint8_t lastAcknowledged_ = 0;
    QByteArray pending_;
    std::deque<Fault> faults_;
    std::vector<StandingFault> standingFaults_;
    bool dsr_ = true;
    bool resetsIgnored_ = false;
    std::function<void()> onDsrChange_;
    std::vector<FrameRecord> log_;
    std::vector<Move> moves_;
};

}  // namespace qb::sim
