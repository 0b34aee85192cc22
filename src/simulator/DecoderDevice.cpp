#include "simulator/DecoderDevice.h"

#include "decoder/DecoderTables.h"
#include "link/CommandCatalogue.h"

#include <QString>
#include <algorithm>
#include <cstdlib>

namespace qb::sim {

namespace {

constexpr char CR = 13;
constexpr char ACK = 6;

// Factory values of a reset output.
constexpr int FactoryNeutral = 10432;
constexpr int FactoryLeft = 12000;
constexpr int FactoryRight = 8000;

int variantForId(const QByteArray& id)
{
    if (id == "R5494940")
        return 1;
    if (id.startsWith("L1") || id.startsWith("L7"))
        return 3;
    return 2;
}

int generationForId(const QByteArray& id)
{
    if (id.startsWith("L6"))
        return 1;
    if (id.startsWith("L9"))
        return 2;
    if (id.startsWith("L1") || id.startsWith("L7"))
        return 3;
    return 0;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Upper-case hexadecimal digits only, as the program sends them.
bool isHexText(const QByteArray& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return isDigit(c) || (c >= 'A' && c <= 'F'); });
}

// Upper-case hexadecimal of length min..max (at most 4 digits: a 16-bit value).
std::optional<int> parseHex(const QByteArray& text, int minLength, int maxLength)
{
    if (text.size() < minLength || text.size() > maxLength || text.size() > 4)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        int digit;
        if (isDigit(c))
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

// An output number 1..16 as decimal text without leading zero.
std::optional<int> parseOutput(const QByteArray& text)
{
    if (text.isEmpty() || text.size() > 2 || text[0] == '0')
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (!isDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > DecoderDevice::OutputSlots)
        return std::nullopt;
    return value;
}

QByteArray reversed(QByteArray text)
{
    std::reverse(text.begin(), text.end());
    return text;
}

QByteArray byteGroups(std::initializer_list<int> bytes)
{
    QByteArray text;
    for (int b : bytes)
        text += QByteArray::number(b & 0xFF).rightJustified(3, '0');
    return text;
}

// Sent last character first, like every multi-character answer.
Response positionAnswer(int value)
{
    return {reversed(byteGroups({value >> 8, value}))};
}

Response ack()
{
    return {QByteArray(1, ACK)};
}

QByteArray hexBytes(const std::uint8_t* bytes, int count)
{
    return QByteArray(reinterpret_cast<const char*>(bytes), count).toHex().toUpper();
}

// Factory blocks of a new device. Every one decodes without a complaint in
// its decoder's panel mode, and the power-off bit is clear.

// Servos: turnout, positive pulse, middle 11000 between the ends 14000 (left)
// and 8000, slow run times. Sound decoders name no servo brand (4).
void setServoFactoryBlock(DecoderDevice& device, int output, bool sound)
{
    device.setField(output, 1, 0x81);
    device.setField(output, 2, sound ? 4 : 1);
    device.setValue16(output, 3, 11000);
    device.setValue16(output, 5, 14000);
    device.setValue16(output, 7, 11000);
    device.setValue16(output, 9, 8000);
    device.setValue16(output, 11, 11000);
    device.setValue16(output, 13, 20);
    device.setValue16(output, 15, 0);
    device.setValue16(output, 17, 20);
}

// Traffic lights: automatic control, the two-way crossing without
// transistors (generation 1 code 1, later generations 2), and a phase time
// for each light of the four-light sets; fields 7..18 are unused.
void setTrafficLightFactoryBlock(DecoderDevice& device, int output)
{
    static constexpr int PhaseMs[4] = {2000, 1000, 12000, 3000};  // red, red-yellow, green, yellow
    device.setField(output, 1, 0x01);
    device.setField(output, 2, device.trafficLightGeneration() == 1 ? 1 : 2);
    device.setValue16(output, 3, 11000);
    device.setValue16(output, 5, PhaseMs[(output - 1) % 4]);
    for (int field = 7; field <= 18; ++field)
        device.setField(output, field, 0);
}

// Coils: each input switches its own coil, the chain would end at coil 8,
// and one second switch-on time: scale 8, left - right = 1 x 50 x 8.
void setCoilFactoryBlock(DecoderDevice& device, int output)
{
    device.setField(output, 1, 0x81);
    device.setField(output, 2, 7);
    device.setValue16(output, 3, 1200);
    device.setValue16(output, 5, 1400);
    device.setValue16(output, 7, 1000);
    device.setValue16(output, 9, 1000);
    device.setValue16(output, 11, 1000);
    device.setValue16(output, 13, 8);
    device.setValue16(output, 15, 0);
    device.setValue16(output, 17, 0);
}

}  // namespace

DecoderDevice::DecoderDevice(DeviceConfig config)
    : id_(config.id.leftJustified(8, '-', true)),
      variant_(config.variant ? config.variant : variantForId(config.id)),
      baud_(config.baud),
      generation_(generationForId(id_)),
      standingFaults_(config.standingFaults)
{
    for (int output = 1; output <= OutputSlots; ++output) {
        if (generation_ > 0)
            setTrafficLightFactoryBlock(*this, output);
        else if (id_.startsWith("BR"))
            setCoilFactoryBlock(*this, output);
        else
            setServoFactoryBlock(*this, output, id_.startsWith("B5"));
        // DCC address 1, or the Motorola code of address 1.
        setValue16(output, 22, config.motorola ? 0x0300 : 1);
        setField(output, 21, 1);    // Motorola address 1 when the code says nothing
        setStatusDigit(output, config.motorola ? '2' : '0');  // not reversed, Germany
        setBusLaneDigit(output, '0');
    }
    if (generation_ > 0)
        powerUpRam();
}

void DecoderDevice::powerUpRam()
{
    std::fill_n(model_.ram.begin() + RamSwitchStates, 8, 0xFF);
    std::copy(model_.memory.begin(), model_.memory.end(), model_.ram.begin() + RamMemoryCopy);
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
    return model_.memory[slotOffset(output) + std::clamp(field, 1, FieldCount) - 1];
}

void DecoderDevice::setField(int output, int field, std::uint8_t value)
{
    model_.memory[slotOffset(output) + std::clamp(field, 1, FieldCount) - 1] = value;
}

int DecoderDevice::value16(int output, int firstField) const
{
    return field(output, firstField) * 256 + field(output, firstField + 1);
}

void DecoderDevice::setValue16(int output, int firstField, int value)
{
    setField(output, firstField, static_cast<std::uint8_t>(value >> 8));
    setField(output, firstField + 1, static_cast<std::uint8_t>(value & 0xFF));
}

void DecoderDevice::setStatusDigit(int output, char digit)
{
    model_.memory[slotOffset(output) + FieldCount] = static_cast<std::uint8_t>(digit - '0');
}

void DecoderDevice::setBusLaneDigit(int output, char digit)
{
    model_.memory[slotOffset(output) + FieldCount + 1] = static_cast<std::uint8_t>(digit - '0');
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
        text += char('0' + model_.memory[offset + FieldCount]);
    if (variant_ >= 3)
        text += char('0' + model_.memory[offset + FieldCount + 1]);
    return text;
}

WorkingValues DecoderDevice::workingValues() const
{
    const int n = model_.selected;
    return {model_.left.value_or(value16(n, 5)), model_.right.value_or(value16(n, 9)),
            model_.runTimeLeft.value_or(value16(n, 13)), model_.runTimeRight.value_or(value16(n, 17))};
}

int DecoderDevice::switchState(int output) const
{
    return output >= 1 && output <= 8 ? model_.switches[output - 1] : -1;
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

// Length of the first complete frame in the buffer, 0 when none is complete
// yet. Raw parameter bytes may take any value, CR included, so frames that
// carry them are measured by their shape instead of by the first CR.
int DecoderDevice::completeFrameLength(const QByteArray& buffer) const
{
    if (buffer.isEmpty())
        return 0;
    const auto command = static_cast<std::uint8_t>(buffer[0]);
    int raw = -1;
    if (command == 225 || command == 226)  // run / stop
        raw = 1;
    else if (command == 236 || command == 238)  // direction, step
        raw = 2;
    if (raw >= 0) {
        const int length = 1 + raw + 1;
        return buffer.size() >= length ? length : 0;
    }
    if (command == 239 && generation_ > 0 && buffer.size() >= 2 && buffer[1] == '1') {
        // 239 "1" neutral(1..4 hex) crossing(raw) function "0" bus(raw) "00000" country CR.
        auto fits = [&](int length) {
            const QByteArray f = buffer.left(length);
            return f[length - 1] == CR && isDigit(f[length - 2]) && f.mid(length - 7, 5) == "00000" &&
                   f[length - 9] == '0' && isDigit(f[length - 10]) &&
                   parseHex(f.mid(2, length - 13), 1, 4).has_value();
        };
        for (int length = 14; length <= 17; ++length) {
            if (buffer.size() < length)
                return 0;
            if (fits(length))
                return length;
        }
        // Not the traffic-light shape: read it as text below.
    }
    const int cr = buffer.indexOf(CR);
    return cr < 0 ? 0 : cr + 1;
}

std::vector<Response> DecoderDevice::receive(const QByteArray& bytes, int lineBaud, qint64 nowUs)
{
    std::vector<Response> replies;
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
        settleRun(nowUs);
        const Model before = model_;
        Response reply = answer(frame, nowUs);
        // Faults disturb answers; a frame without an answer leaves them queued.
        std::optional<Fault> fault = standingFaultFor(frame);
        if (!fault && !reply.bytes.isEmpty() && !faults_.empty()) {
            fault = faults_.front();
            faults_.pop_front();
        }
        if (fault && !reply.bytes.isEmpty()) {
            if (*fault == Fault::Refusal)
                model_ = before;  // a refused command does nothing
            applyFault(*fault, reply, frame);
        }
        if (reply.bytes == QByteArray(1, ACK))
            lastAcknowledged_ = static_cast<std::uint8_t>(frame[0]);
        recordMoves(before, nowUs);
        if (!reply.bytes.isEmpty() || reply.framingError) {
            log_.push_back({nowUs, FrameRecord::Direction::Sent, reply.bytes});
            replies.push_back(reply);
        }
        if (!dsr_)
            break;
    }
    return replies;
}

void DecoderDevice::recordMoves(const Model& before, qint64 nowUs)
{
    // Fields 11/12 of a block hold where the output's servo is heading.
    auto target = [this](const Model& model, int output) {
        const int at = slotOffset(output) + 10;
        return model.memory[at] * 256 + model.memory[at + 1];
    };
    for (int output = 1; output <= 8; ++output)
        if (target(before, output) != target(model_, output))
            moves_.push_back({nowUs, output, target(before, output), target(model_, output)});
}

Response DecoderDevice::answer(const QByteArray& frame, qint64 nowUs)
{
    const auto command = static_cast<std::uint8_t>(frame[0]);
    if (frame.size() < 2 || frame.back() != CR)
        return {};
    const QByteArray p = frame.mid(1, frame.size() - 2);
    const bool bare = p.isEmpty();
    const WorkingValues working = workingValues();
    const int selected = model_.selected;

    if (bare && (command == 16 || command > 240))
        return {blockAnswer(command == 16 ? 16 : command - 240)};
    if ((command >= 129 && command <= 136) || (command >= 145 && command <= 152)) {
        if (!bare)
            return {};
        const int n = (command - 128) & 0x0F;
        const int state = command >= 145 ? 1 : 0;
        model_.switches[n - 1] = state;
        if (generation_ > 0) {
            model_.ram[RamSwitchStates + n - 1] = static_cast<std::uint8_t>(state);
        } else {
            // First state to the left end, second to the right end.
            const bool current = n == selected;
            if (model_.run.active && model_.run.output == n)
                model_.run.active = false;
            moveTo(n, state == 0 ? (current ? working.left : value16(n, 5))
                                 : (current ? working.right : value16(n, 9)));
        }
        return {};
    }

    switch (command) {
    case commands::PowerUpStateQueryCommand:
    case commands::PowerUpStateSetCommand: {
        if (!isInGroup(DecoderGroup::StartupStateGroup, QString::fromLatin1(id_)))
            return {};
        if (command == commands::PowerUpStateQueryCommand)
            return bare ? Response{model_.powerUpOn ? "1" : "0"} : Response{};
        if (p != "1" && p != "0")
            return {};
        model_.powerUpOn = p == "1";
        return ack();
    }
    case commands::RamDumpCommand:
        return bare && generation_ > 0 ? Response{ramAnswer()} : Response{};
    case commands::TrafficLightAddressWriteCommand:
    case commands::DecoderAddressWriteCommand:
        return addressWrite(command, p);
    case commands::AdjustEndCommand:
    case commands::AdjustBeginCommand:
        return parseOutput(p) ? ack() : Response{};
    case commands::MemoryWriteCommand:
        return memoryWrite(p);
    case commands::SetLeftCommand:
    case commands::SetRightCommand: {
        // The value is always four hex digits; what precedes them is the output.
        const auto output = parseOutput(p.left(p.size() - 4));
        const auto value = parseHex(p.right(4), 4, 4);
        if (p.size() < 5 || !output || !value)
            return {};
        const bool left = command == commands::SetLeftCommand;
        setValue16(*output, left ? 5 : 9, *value);
        if (*output == selected)
            (left ? model_.left : model_.right).reset();
        return ack();
    }
    case commands::OutputCopyCommand:
        return copy(p);
    case commands::MemoryDumpCommand:
        return bare ? Response{dumpAnswer()} : Response{};
    case commands::OutputResetCommand:
        if (const auto output = parseOutput(p); output && !resetsIgnored_)
            resetOutput(*output);
        return {};
    case commands::MoveRightCommand:
    case commands::MoveLeftCommand:
        return run(command == commands::MoveRightCommand, p, nowUs);
    case commands::StoreRunTimeRightCommand:
    case commands::StoreRunTimeLeftCommand: {
        if (!bare)
            return {};
        const bool left = command == commands::StoreRunTimeLeftCommand;
        setValue16(selected, left ? 13 : 17, left ? working.runTimeLeft : working.runTimeRight);
        (left ? model_.runTimeLeft : model_.runTimeRight).reset();
        return ack();
    }
    case commands::TurnRightCommand:
    case commands::TurnLeftCommand:
        if (!bare)
            return {};
        model_.run.active = false;
        moveTo(selected, command == commands::TurnLeftCommand ? working.left : working.right);
        return ack();
    case commands::RunTimeRightCommand:
    case commands::RunTimeLeftCommand: {
        const auto value = parseHex(p, 4, 4);
        if (!value)
            return {};
        (command == commands::RunTimeLeftCommand ? model_.runTimeLeft : model_.runTimeRight) = *value;
        return positionAnswer(*value);
    }
    case commands::StoreLeftCommand:
    case commands::StoreRightCommand: {
        if (!bare)
            return {};
        const bool left = command == commands::StoreLeftCommand;
        setValue16(selected, left ? 5 : 9, left ? working.left : working.right);
        (left ? model_.left : model_.right).reset();
        return ack();
    }
    case commands::LeftStepCommand:
    case commands::RightStepCommand:
        return step(command == commands::LeftStepCommand, p);
    case commands::ConfigWriteCommand:
        return generation_ > 0 ? trafficLightConfigWrite(p) : servoConfigWrite(p);
    case commands::MiddlePositionCommand: {
        if (!bare)
            return {};
        model_.run.active = false;
        const int neutral = value16(selected, 3);
        moveTo(selected, neutral);
        return positionAnswer(neutral);
    }
    default:
        return {};
    }
}

QByteArray DecoderDevice::blockAnswer(int output)
{
    select(output);
    return reversed(blockText(output));
}

void DecoderDevice::select(int output)
{
    // The working values belong to one output; moving on drops unstored ones.
    if (output != model_.selected)
        forgetWorking(model_.selected);
    model_.selected = output;
}

void DecoderDevice::forgetWorking(int output)
{
    if (output != model_.selected)
        return;
    model_.left.reset();
    model_.right.reset();
    model_.runTimeLeft.reset();
    model_.runTimeRight.reset();
}

void DecoderDevice::moveTo(int output, int position)
{
    setValue16(output, 7, position);
    setValue16(output, 11, position);
}

void DecoderDevice::settleRun(qint64 nowUs)
{
    Run& run = model_.run;
    if (!run.active)
        return;
    const qint64 distance = std::abs(run.to - run.from);
    const qint64 frames = std::max<qint64>(0, nowUs - run.startUs) / FrameUs;
    const qint64 moved = std::min(distance, frames * run.perFrame);
    const int position = static_cast<int>(run.from + (run.to >= run.from ? moved : -moved));
    setValue16(run.output, 7, position);
    if (moved == distance)
        run.active = false;
}

Response DecoderDevice::step(bool leftSide, const QByteArray& p)
{
    if (p.size() != 2)
        return {};
    const int direction = static_cast<std::uint8_t>(p[0]);
    const int size = static_cast<std::uint8_t>(p[1]);
    if (direction > 1 || (size != 10 && size != 100 && size != 250))
        return {};
    // Away from the middle raises the left end and lowers the right one.
    const int away = direction == 0 ? size : -size;
    const WorkingValues working = workingValues();
    const int end = std::clamp(leftSide ? working.left + away : working.right - away, 0, 0xFFFF);
    (leftSide ? model_.left : model_.right) = end;
    model_.run.active = false;
    moveTo(model_.selected, end);
    return positionAnswer(end);
}

Response DecoderDevice::run(bool toRight, const QByteArray& p, qint64 nowUs)
{
    if (p.size() != 1 || (p[0] != 2 && p[0] != 3))
        return {};
    Run& run = model_.run;
    if (p[0] == 3) {
        // settleRun has brought the position up to now.
        const int output = run.active ? run.output : model_.selected;
        run.active = false;
        const int position = value16(output, 7);
        setValue16(output, 11, position);
        return positionAnswer(position);
    }
    const WorkingValues working = workingValues();
    run.output = model_.selected;
    run.from = value16(run.output, 7);
    run.to = toRight ? working.right : working.left;
    run.perFrame = toRight ? working.runTimeRight : working.runTimeLeft;
    run.startUs = nowUs;
    run.active = run.perFrame > 0 && run.from != run.to;  // run time 0: full speed
    setValue16(run.output, 11, run.to);
    if (!run.active)
        setValue16(run.output, 7, run.to);
    return ack();
}

void DecoderDevice::resetOutput(int output)
{
    // The 4-way turnout decoders set the two servos of a pair apart.
    const bool fourWay = id_ == "V7966445" || id_ == "V7656642";
    const bool even = output % 2 == 0;
    setField(output, 1, 0xC1);  // positive pulse, power off, turnout
    setField(output, 2, 4);
    setValue16(output, 3, FactoryNeutral);
    setValue16(output, 5, fourWay && even ? 9000 : FactoryLeft);
    setValue16(output, 9, fourWay && !even ? 10000 : FactoryRight);
    setValue16(output, 13, 0);
    setValue16(output, 15, 0);
    setValue16(output, 17, 0);
    setValue16(output, 19, 0);
    if (model_.run.active && model_.run.output == output)
        model_.run.active = false;
    moveTo(output, FactoryNeutral);
    model_.memory[slotOffset(output) + FieldCount] &= ~0x01;  // direction not reversed
    forgetWorking(output);
}

Response DecoderDevice::copy(const QByteArray& p)
{
    if (p.size() < 2 || p.size() > 4)
        return {};
    std::optional<int> source, target;
    for (int targetDigits : {1, 2}) {
        source = parseOutput(p.left(p.size() - targetDigits));
        target = parseOutput(p.right(targetDigits));
        if (source && target)
            break;
    }
    if (!source || !target)
        return {};
    if (*source == *target) {
        // Copying an output onto itself restarts the decoder (traffic lights).
        model_.run.active = false;
        forgetWorking(model_.selected);
        if (generation_ > 0) {
            model_.switches.fill(-1);
            powerUpRam();
        }
        return {};
    }
    // The configuration moves; the target servo stays where it stands.
    const int position = value16(*target, 7);
    std::copy_n(model_.memory.begin() + slotOffset(*source), SlotSize,
                model_.memory.begin() + slotOffset(*target));
    setValue16(*target, 7, position);
    if (model_.run.active && model_.run.output == *target)
        model_.run.active = false;
    forgetWorking(*target);
    return {};
}

Response DecoderDevice::servoConfigWrite(const QByteArray& p)
{
    // output, neutral | brand function polarity power-off bounce word(4) [direction]
    const bool withDirection = variant_ >= 2;
    const int tail = 9 + (withDirection ? 1 : 0);
    const int prefixLength = static_cast<int>(p.size()) - tail;
    if (prefixLength < 2 || prefixLength > 6)
        return {};
    const QByteArray prefix = p.left(prefixLength);
    const QByteArray rest = p.mid(prefixLength);
    const int neutralLength = std::min(4, prefixLength - 1);
    const auto output = parseOutput(prefix.left(prefixLength - neutralLength));
    const auto neutral = parseHex(prefix.right(neutralLength), 1, 4);
    const auto word = parseHex(rest.mid(5, 4), 4, 4);
    // Polarity, power-off, bounce and direction have few values; checking them
    // keeps a frame of the wrong shape from being read as another one.
    const bool digits = std::all_of(rest.begin(), rest.begin() + 5, isDigit) && (rest[2] == '1' || rest[2] == '2') &&
                        (rest[3] == '0' || rest[3] == '1') && rest[4] <= '3' &&
                        (!withDirection || rest[9] == '0' || rest[9] == '1');
    if (!output || !neutral || !word || !digits)
        return {};
    const int brand = rest[0] - '0';
    const int function = rest[1] - '0';
    const int polarity = rest[2] - '0';
    const int powerOff = rest[3] - '0';
    const int bounce = rest[4] - '0';
    // The function codes 1, 2, 4, 8 are the flag bits 0..3 themselves.
    setField(*output, 1, static_cast<std::uint8_t>((polarity == 2 ? 0x80 : 0) | (powerOff ? 0x40 : 0) |
                                                   ((bounce & 3) << 4) | (function & 0x0F)));
    setField(*output, 2, static_cast<std::uint8_t>(brand));
    setValue16(*output, 3, *neutral);
    setValue16(*output, 15, *word);
    if (withDirection) {
        std::uint8_t& status = model_.memory[slotOffset(*output) + FieldCount];
        status = static_cast<std::uint8_t>((status & ~0x01) | (rest[9] == '1' ? 1 : 0));
    }
    return ack();
}

Response DecoderDevice::trafficLightConfigWrite(const QByteArray& p)
{
    // "1" neutral crossing(raw) function "0" bus(raw) "0" "0000" country
    const int n = static_cast<int>(p.size());
    if (n < 12 || n > 15 || p[0] != '1' || p.mid(n - 6, 5) != "00000" || p[n - 8] != '0')
        return {};
    const auto neutral = parseHex(p.mid(1, n - 11), 1, 4);
    const char function = p[n - 9];
    const char country = p[n - 1];
    if (!neutral || function < '1' || function > '3' || (country != '0' && country != '1' && country != '8'))
        return {};
    const auto crossing = static_cast<std::uint8_t>(p[n - 10]);
    const auto busLanes = static_cast<std::uint8_t>(p[n - 7]);
    const int countryBits = country == '8' ? 0x08 : country == '1' ? 0x01 : 0;
    for (int output = 1; output <= OutputSlots; ++output) {
        // Function 1 automatic (01), 2 command station (10), 3 phases singly (11).
        setField(output, 1, static_cast<std::uint8_t>(function - '0'));
        setField(output, 2, crossing);
        setValue16(output, 3, *neutral);
        std::uint8_t* status = &model_.memory[slotOffset(output) + FieldCount];
        status[0] = static_cast<std::uint8_t>((status[0] & ~0x09) | countryBits);
        status[1] = busLanes;
    }
    return ack();
}

bool DecoderDevice::isMotorola() const
{
    const int status = model_.memory[FieldCount];
    return variant_ >= 2 && (status == 2 || status == 3 || status == 10);
}

Response DecoderDevice::addressWrite(std::uint8_t command, const QByteArray& p)
{
    // Traffic-light generations 2 and 3 know 186, every other decoder 250.
    const bool newLights = generation_ == 2 || generation_ == 3;
    if ((command == 186) != newLights || p.size() != 5 || p[0] != '0')
        return {};
    const auto value = parseHex(p.mid(1), 4, 4);
    if (!value)
        return {};
    // A DCC address or a Motorola code: the decoder keeps either in fields 22/23.
    const int motorola = isMotorola() ? commands::motorolaAddress(commands::hex4Text(*value)) : 0;
    for (int output = 1; output <= OutputSlots; ++output) {
        setValue16(output, 22, *value);
        if (motorola)
            setField(output, 21, static_cast<std::uint8_t>(motorola));
    }
    return {reversed(byteGroups({0, *value >> 8, *value}))};
}

Response DecoderDevice::memoryWrite(const QByteArray& p)
{
    if (p == "00000000")
        return {};  // end of a restore: nothing to answer
    const auto address = parseHex(p.left(4), 4, 4);
    if (p.size() != 20 || !address || !isHexText(p.mid(4)))
        return {};
    const int offset = *address - MemoryBase;
    if (offset < 0 || offset + 8 > MemorySize)
        return {};
    const QByteArray data = QByteArray::fromHex(p.mid(4));
    std::copy(data.begin(), data.end(), model_.memory.begin() + offset);
    // The selected output works from what its block now says.
    const int slot = slotOffset(model_.selected);
    if (offset < slot + SlotSize && offset + 8 > slot)
        forgetWorking(model_.selected);
    return ack();
}

QByteArray DecoderDevice::dumpAnswer() const
{
    // 32 chunks of 16 bytes, each sent last character first.
    QByteArray text;
    for (int k = 0; k < MemorySize / 16; ++k)
        text += reversed(hexBytes(model_.memory.data() + 16 * k, 16));
    return text;
}

QByteArray DecoderDevice::ramAnswer() const
{
    return hexBytes(model_.ram.data(), RamSize);
}

std::optional<Fault> DecoderDevice::standingFaultFor(const QByteArray& frame) const
{
    const auto command = static_cast<std::uint8_t>(frame[0]);
    const bool blockRead = frame.size() == 2 && (command == 16 || command > 240);
    const int output = blockRead ? (command == 16 ? 16 : command - 240) : 0;
    for (const StandingFault& standing : standingFaults_)
        if ((output > 0 && standing.blockOutput == output) || standing.command == command)
            return standing.fault;
    return std::nullopt;
}

void DecoderDevice::applyFault(Fault fault, Response& reply, const QByteArray& frame)
{
    switch (fault) {
    case Fault::Noise:
        reply.bytes.clear();
        reply.framingError = true;
        break;
    case Fault::Shifted:
        reply.bytes.prepend(char(ACK));
        reply.bytes.chop(1);
        break;
    case Fault::NoAnswer:
        reply.bytes.clear();
        break;
    case Fault::Refusal:
        reply.bytes = QByteArray(1, char(21));
        break;
    case Fault::Garbage:
        reply.bytes = QByteArray(std::max<qsizetype>(reply.bytes.size(), 1), '#');
        break;
    case Fault::Zeroed:
        reply.bytes.fill('0');
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
    case Fault::Delayed:
        reply.pauseUs = DelayedAnswerUs;
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
