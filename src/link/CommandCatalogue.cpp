#include "link/CommandCatalogue.h"

#include <algorithm>

namespace qb::commands {

namespace {

Frame frameOf(std::uint8_t command, const QByteArray& parameters = {})
{
    QByteArray bytes(1, char(command));
    bytes += parameters;
    bytes += char(CR);
    return Frame{bytes};
}

QByteArray reversedText(QByteArray text)
{
    std::reverse(text.begin(), text.end());
    return text;
}

}  // namespace

std::optional<int> decimalByte(const QByteArray& text, int at)
{
    if (at < 0 || at + 3 > text.size())
        return std::nullopt;
    int value = 0;
    for (int i = at; i < at + 3; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 255)
        return std::nullopt;
    return value;
}

std::uint8_t BlockReadCommand(int n)
{
    return n == 16 ? 16 : static_cast<std::uint8_t>(240 + n);
}

std::uint8_t OutputSwitchCommand(int n, int s)
{
    return static_cast<std::uint8_t>(128 + n + s);
}

std::uint8_t AddressWriteCommand(int trafficLightGeneration)
{
    return trafficLightGeneration == 2 || trafficLightGeneration == 3 ? TrafficLightAddressWriteCommand
                                                                      : DecoderAddressWriteCommand;
}

QByteArray decimalText(int value)
{
    return QByteArray::number(value);
}

QByteArray hexText(quint32 value)
{
    return QByteArray::number(value, 16).toUpper();
}

QByteArray hex4Text(quint32 value)
{
    return hexText(value).rightJustified(4, '0');
}

QByteArray rawByte(std::uint8_t value)
{
    return QByteArray(1, char(value));
}

QByteArray MotorolaCode(int address)
{
    if (address < 1 || address > 80)
        return {};
    // Each base-3 digit becomes a bit pair: 0 -> 00, 1 -> 11, 2 -> 10; the
    // least significant digit takes the highest pair.
    static constexpr int pairs[3] = {0b00, 0b11, 0b10};
    static constexpr int weights[4] = {256, 64, 16, 4};
    int code = 0;
    for (int digit = 0, rest = address; digit < 4; ++digit, rest /= 3)
        code += pairs[rest % 3] * weights[digit];
    return hex4Text(static_cast<quint32>(code));
}

int motorolaAddress(const QByteArray& code)
{
    const QByteArray upper = code.toUpper();
    for (int address = 1; address <= 80; ++address)
        if (MotorolaCode(address) == upper)
            return address;
    return 0;
}

quint32 applyValueWordRule(ServoConfig& config)
{
    if (config.functionCode == 8)
        return config.repeatCount;
    if (config.bounceAmount != 0 && config.functionCode != 1)
        return config.bounceAmount;
    config.bounceCode = 0;
    config.bounceAmount = 0;
    return 0;
}

Frame bare(std::uint8_t command)
{
    return frameOf(command);
}

Frame blockRead(int n)
{
    return bare(BlockReadCommand(n));
}

Frame outputSwitch(int n, int s)
{
    return bare(OutputSwitchCommand(n, s));
}

Frame powerUpStateQuery()
{
    return bare(PowerUpStateQueryCommand);
}

Frame powerUpStateSet(bool servosOn)
{
    return frameOf(PowerUpStateSetCommand, servosOn ? "1" : "0");
}

Frame ramDump()
{
    return bare(RamDumpCommand);
}

Frame addressWrite(int trafficLightGeneration, const QByteArray& addressText)
{
    return frameOf(AddressWriteCommand(trafficLightGeneration), "0" + addressText);
}

Frame dccAddressWrite(int trafficLightGeneration, int address)
{
    return addressWrite(trafficLightGeneration, hex4Text(static_cast<quint32>(address)));
}

Frame motorolaAddressWrite(int trafficLightGeneration, int address)
{
    return addressWrite(trafficLightGeneration, MotorolaCode(address));
}

Frame adjustEnd(int output)
{
    return frameOf(AdjustEndCommand, decimalText(output));
}

Frame adjustBegin(int output)
{
    return frameOf(AdjustBeginCommand, decimalText(output));
}

Frame memoryWrite(int decoderAddress, const QByteArray& dataHex)
{
    return frameOf(MemoryWriteCommand, hex4Text(static_cast<quint32>(decoderAddress)) + dataHex);
}

Frame memoryWriteEnd()
{
    return frameOf(MemoryWriteCommand, "00000000");
}

Frame setLeft(int output, quint32 value)
{
    return frameOf(SetLeftCommand, decimalText(output) + hex4Text(value));
}

Frame setRight(int output, quint32 value)
{
    return frameOf(SetRightCommand, decimalText(output) + hex4Text(value));
}

Frame outputCopy(int source, int target)
{
    return frameOf(OutputCopyCommand, decimalText(source) + decimalText(target));
}

Frame memoryDump()
{
    return bare(MemoryDumpCommand);
}

Frame outputReset(int output)
{
    return frameOf(OutputResetCommand, decimalText(output));
}

Frame moveRight(std::uint8_t action)
{
    return frameOf(MoveRightCommand, rawByte(action));
}

Frame moveLeft(std::uint8_t action)
{
    return frameOf(MoveLeftCommand, rawByte(action));
}

Frame storeRunTimeRight()
{
    return bare(StoreRunTimeRightCommand);
}

Frame storeRunTimeLeft()
{
    return bare(StoreRunTimeLeftCommand);
}

Frame turnRight()
{
    return bare(TurnRightCommand);
}

Frame turnLeft()
{
    return bare(TurnLeftCommand);
}

Frame runTimeRight(quint32 runTime)
{
    return frameOf(RunTimeRightCommand, hex4Text(runTime));
}

Frame runTimeLeft(quint32 runTime)
{
    return frameOf(RunTimeLeftCommand, hex4Text(runTime));
}

Frame storeLeft()
{
    return bare(StoreLeftCommand);
}

Frame leftStep(std::uint8_t direction, std::uint8_t step)
{
    return frameOf(LeftStepCommand, rawByte(direction) + rawByte(step));
}

Frame storeRight()
{
    return bare(StoreRightCommand);
}

Frame rightStep(std::uint8_t direction, std::uint8_t step)
{
    return frameOf(RightStepCommand, rawByte(direction) + rawByte(step));
}

Frame servoConfigWrite(ServoConfig config)
{
    const quint32 word = config.valueWord ? *config.valueWord : applyValueWordRule(config);
    QByteArray text = decimalText(config.output) + config.neutralHex + decimalText(config.brand) +
                      decimalText(config.functionCode) + decimalText(config.polarity) +
                      decimalText(config.powerOff) + decimalText(config.bounceCode) + hex4Text(word);
    if (config.withDirection)
        text += config.directionReversed ? "1" : "0";
    return frameOf(ConfigWriteCommand, text);
}

Frame trafficLightConfigWrite(const TrafficLightConfig& config)
{
    // Output, polarity, bounce and value word are fixed for traffic lights.
    return frameOf(ConfigWriteCommand, "1" + config.neutralHex + rawByte(config.crossingCode) +
                                           decimalText(config.functionCode) + "0" +
                                           rawByte(config.busLaneBits) + "0" + "0000" +
                                           decimalText(config.countryCode));
}

Frame middlePosition()
{
    return bare(MiddlePositionCommand);
}

QString commandName(const Frame& frame)
{
    const std::uint8_t command = frame.command();
    const QByteArray parameters = frame.bytes.mid(1, frame.bytes.size() - 2);
    if (command == 16)
        return QStringLiteral("Block 16 lesen");
    if (command == DecoderAddressWriteCommand && !parameters.isEmpty())
        return QStringLiteral("Adresse schreiben");
    if (command > MiddlePositionCommand)
        return QStringLiteral("Block %1 lesen").arg(command - 240);
    if (command >= 129 && command <= 136)
        return QStringLiteral("Ausgang %1 Stellung 1").arg(command - 128);
    if (command >= 145 && command <= 152)
        return QStringLiteral("Ausgang %1 Stellung 2").arg(command - 144);
    switch (command) {
    case PowerUpStateQueryCommand:
        return QStringLiteral("Einschaltzustand abfragen");
    case PowerUpStateSetCommand:
        return QStringLiteral("Einschaltzustand setzen");
    case RamDumpCommand:
        return QStringLiteral("RAM lesen");
    case TrafficLightAddressWriteCommand:
        return QStringLiteral("Adresse schreiben");
    case AdjustEndCommand:
        return QStringLiteral("Justieren beenden");
    case AdjustBeginCommand:
        return QStringLiteral("Justieren beginnen");
    case MemoryWriteCommand:
        return parameters == "00000000" ? QStringLiteral("Speicher schreiben beenden") : QStringLiteral("Speicher schreiben");
    case SetLeftCommand:
        return QStringLiteral("Linke Position setzen");
    case SetRightCommand:
        return QStringLiteral("Rechte Position setzen");
    case OutputCopyCommand:
        return QStringLiteral("Ausgang kopieren");
    case MemoryDumpCommand:
        return QStringLiteral("Speicher lesen");
    case OutputResetCommand:
        return QStringLiteral("Ausgang zurücksetzen");
    case MoveRightCommand:
        return parameters == rawByte(StopRun) ? QStringLiteral("Lauf rechts anhalten") : QStringLiteral("Nach rechts laufen");
    case MoveLeftCommand:
        return parameters == rawByte(StopRun) ? QStringLiteral("Lauf links anhalten") : QStringLiteral("Nach links laufen");
    case StoreRunTimeRightCommand:
        return QStringLiteral("Laufzeit rechts speichern");
    case StoreRunTimeLeftCommand:
        return QStringLiteral("Laufzeit links speichern");
    case TurnRightCommand:
        return QStringLiteral("Nach rechts stellen");
    case TurnLeftCommand:
        return QStringLiteral("Nach links stellen");
    case RunTimeRightCommand:
        return QStringLiteral("Laufzeit rechts");
    case RunTimeLeftCommand:
        return QStringLiteral("Laufzeit links");
    case StoreLeftCommand:
        return QStringLiteral("Linke Position speichern");
    case LeftStepCommand:
        return QStringLiteral("Schritt links");
    case StoreRightCommand:
        return QStringLiteral("Rechte Position speichern");
    case RightStepCommand:
        return QStringLiteral("Schritt rechts");
    case ConfigWriteCommand:
        return QStringLiteral("Konfiguration schreiben");
    case MiddlePositionCommand:
        return QStringLiteral("Mittelstellung");
    default:
        return QStringLiteral("unbekannter Befehl %1").arg(command);
    }
}

AnswerClass answerClass(const Frame& frame)
{
    const std::uint8_t command = frame.command();
    const QByteArray parameters = frame.bytes.mid(1, frame.bytes.size() - 2);
    if (command == 16 || command > MiddlePositionCommand) {
        // 250 alone reads block 10; with parameters it writes the address.
        if (command == DecoderAddressWriteCommand && !parameters.isEmpty())
            return AnswerClass::Address;
        return AnswerClass::Block;
    }
    if ((command >= 129 && command <= 136) || (command >= 145 && command <= 152))
        return AnswerClass::None;
    switch (command) {
    case PowerUpStateQueryCommand:
        return AnswerClass::StateDigit;
    case RamDumpCommand:
        return AnswerClass::RamDump;
    case TrafficLightAddressWriteCommand:
        return AnswerClass::Address;
    case MemoryWriteCommand:
        return parameters == "00000000" ? AnswerClass::None : AnswerClass::Ack;
    case OutputCopyCommand:
    case OutputResetCommand:
        return AnswerClass::None;
    case MemoryDumpCommand:
        return AnswerClass::Dump;
    case MoveRightCommand:
    case MoveLeftCommand:
        return parameters == rawByte(StopRun) ? AnswerClass::Position : AnswerClass::Ack;
    case RunTimeRightCommand:
    case RunTimeLeftCommand:
    case LeftStepCommand:
    case RightStepCommand:
    case MiddlePositionCommand:
        return AnswerClass::Position;
    case ConfigWriteCommand:
        return AnswerClass::Any;
    case PowerUpStateSetCommand:
    case AdjustEndCommand:
    case AdjustBeginCommand:
    case SetLeftCommand:
    case SetRightCommand:
    case StoreRunTimeRightCommand:
    case StoreRunTimeLeftCommand:
    case TurnRightCommand:
    case TurnLeftCommand:
    case StoreLeftCommand:
    case StoreRightCommand:
        return AnswerClass::Ack;
    default:
        return AnswerClass::None;
    }
}

int blockLength(int protocolVariant)
{
    switch (protocolVariant) {
    case 1:
        return ShortestBlock;
    case 2:
        return 79;
    default:
        // Variant 3, and a decoder whose variant is not known (yet, or
        // since it lost power): the longest; a shorter block is there when
        // the time-out ends the wait.
        return 80;
    }
}

int awaitedLength(AnswerClass answer, int protocolVariant)
{
    switch (answer) {
    case AnswerClass::None:
        return 0;
    case AnswerClass::Ack:
    case AnswerClass::Any:
    case AnswerClass::StateDigit:
        return 1;
    case AnswerClass::Position:
        return PositionAnswerLength;
    case AnswerClass::Block:
        return blockLength(protocolVariant);
    case AnswerClass::Address:
        return AddressAnswerLength;
    case AnswerClass::Dump:
        return DumpLength;
    case AnswerClass::RamDump:
        return RamDumpLength;
    }
    return 0;
}

int awaitedLength(const Frame& frame, int protocolVariant)
{
    return awaitedLength(answerClass(frame), protocolVariant);
}

std::optional<int> positionAnswerValue(const QByteArray& received)
{
    if (received.size() < PositionAnswerLength)
        return std::nullopt;
    const QByteArray text = reversedText(received);
    const auto high = decimalByte(text, 0);
    const auto low = decimalByte(text, 3);
    if (!high || !low)
        return std::nullopt;
    return *high * 256 + *low;
}

QByteArray motorolaCodeText(int high, int low)
{
    return QByteArray::number(high).rightJustified(3, '0').right(2) +
           QByteArray::number(low, 16).toUpper().rightJustified(2, '0');
}

QByteArray AddressAnswer::motorolaCodeText() const
{
    return commands::motorolaCodeText(group2, group3);
}

std::optional<AddressAnswer> addressAnswer(const QByteArray& received)
{
    if (received.size() < AddressAnswerLength)
        return std::nullopt;
    const QByteArray text = reversedText(received);
    const auto g2 = decimalByte(text, 3);
    const auto g3 = decimalByte(text, 6);
    if (!g2 || !g3)
        return std::nullopt;
    // The first group carries nothing the program uses; it is not checked.
    return AddressAnswer{decimalByte(text, 0).value_or(0), *g2, *g3};
}

std::optional<QList<QByteArray>> dumpChunks(const QByteArray& received)
{
    if (received.size() != DumpLength)
        return std::nullopt;
    QList<QByteArray> chunks;
    for (int k = 0; k < DumpLength / 32; ++k)
        chunks.append(reversedText(received.mid(32 * k, 32)));
    return chunks;
}

}  // namespace qb::commands
