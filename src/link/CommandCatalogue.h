#pragma once

#include "link/Frame.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace qb::commands {

constexpr std::uint8_t CR = 13;
constexpr std::uint8_t ACK = 6;

// Command bytes. Block reads and output switches are computed, see below.
constexpr std::uint8_t PowerUpStateQueryCommand = 126;
constexpr std::uint8_t PowerUpStateSetCommand = 127;
constexpr std::uint8_t RamDumpCommand = 153;
constexpr std::uint8_t TrafficLightAddressWriteCommand = 186;  // traffic-light generations 2 and 3
constexpr std::uint8_t AdjustEndCommand = 198;
constexpr std::uint8_t AdjustBeginCommand = 199;
constexpr std::uint8_t MemoryWriteCommand = 201;
constexpr std::uint8_t SetLeftCommand = 202;
constexpr std::uint8_t SetRightCommand = 203;
constexpr std::uint8_t OutputCopyCommand = 204;
constexpr std::uint8_t MemoryDumpCommand = 205;
constexpr std::uint8_t OutputResetCommand = 224;
constexpr std::uint8_t MoveRightCommand = 225;
constexpr std::uint8_t MoveLeftCommand = 226;
constexpr std::uint8_t StoreRunTimeRightCommand = 227;
constexpr std::uint8_t StoreRunTimeLeftCommand = 228;
constexpr std::uint8_t TurnRightCommand = 229;
constexpr std::uint8_t TurnLeftCommand = 230;
constexpr std::uint8_t RunTimeRightCommand = 232;
constexpr std::uint8_t RunTimeLeftCommand = 234;
constexpr std::uint8_t StoreLeftCommand = 235;
constexpr std::uint8_t LeftStepCommand = 236;
constexpr std::uint8_t StoreRightCommand = 237;
constexpr std::uint8_t RightStepCommand = 238;
constexpr std::uint8_t ConfigWriteCommand = 239;
constexpr std::uint8_t MiddlePositionCommand = 240;
constexpr std::uint8_t DecoderAddressWriteCommand = 250;  // every other decoder

// Block n (1..16) of the configuration memory: 240 + n, and 16 for block 16
// (240 itself is the middle position).
std::uint8_t BlockReadCommand(int n);
// Output n (1..8) to its first (s = 0) or second (s = 16) state.
std::uint8_t OutputSwitchCommand(int n, int s);
// 186 for traffic-light generations 2 and 3, else 250.
std::uint8_t AddressWriteCommand(int trafficLightGeneration);

// Raw parameter bytes of the move and step commands.
constexpr std::uint8_t RunToEnd = 2;
constexpr std::uint8_t StopRun = 3;
constexpr std::uint8_t StepAwayFromMiddle = 0;  // a "+" step
constexpr std::uint8_t StepTowardsMiddle = 1;   // a "-" step

// Parameter encodings.
QByteArray decimalText(int value);       // 12 -> "12"
QByteArray hexText(quint32 value);       // upper case, no leading zeros: 4000 -> "FA0"
QByteArray hex4Text(quint32 value);      // at least four digits: 8 -> "0008"
QByteArray rawByte(std::uint8_t value);  // the byte itself

// The four-digit ternary code text of a Motorola address 1..80 ("0300" for 1);
// empty for any other address.
QByteArray MotorolaCode(int address);
// The address 1..80 whose code is `code`; 0 when no address has it.
int motorolaAddress(const QByteArray& code);
// The code text a decoder keeps (and answers) in a byte pair: the last two
// digits of the high byte in decimal, then the low byte as two hex digits
// (3, 168 -> "03A8").
QByteArray motorolaCodeText(int high, int low);

// The servo form of the configuration write. `neutralHex` travels as held,
// unpadded. Without `valueWord` the word follows the usual rule, see
// applyValueWordRule.
struct ServoConfig {
    int output = 1;
    QByteArray neutralHex{};
    int brand = 0;
    int functionCode = 1;  // 1 turnout, 2 semaphore, 4 level crossing, 8 repetition
    int polarity = 2;      // 1 negative, 2 positive
    int powerOff = 0;
    int bounceCode = 0;    // 2 x left + right
    quint32 bounceAmount = 0;
    quint32 repeatCount = 0;
    std::optional<quint32> valueWord{};  // sent as is when given (the bounce store)
    bool directionReversed = false;
    bool withDirection = true;  // false in protocol variant 1
};

// The value word: the repeat count for repetition, the bounce amount when it
// is not 0 outside turnout mode, else 0 -- and then bounce code and amount are
// cleared as well, so the frame never carries a bounce without an amount.
quint32 applyValueWordRule(ServoConfig& config);

// The traffic-light form: crossing code and bus-lane bits are raw bytes.
struct TrafficLightConfig {
    QByteArray neutralHex{};
    std::uint8_t crossingCode = 0;
    int functionCode = 1;  // 1 automatic, 2 command station, 3 phases switched singly
    std::uint8_t busLaneBits = 0;
    int countryCode = 0;   // 0, 1 or 8
};

// Frame builders; every frame ends with CR.
// Three decimal digits "000".."255" starting at `at` (0-based) as one byte;
// nothing for anything else, or where the text ends early. Blocks and the
// position and address answers carry their bytes this way.
std::optional<int> decimalByte(const QByteArray& text, int at);

Frame bare(std::uint8_t command);
Frame blockRead(int n);
Frame outputSwitch(int n, int s);
Frame powerUpStateQuery();
Frame powerUpStateSet(bool servosOn);
Frame ramDump();
Frame addressWrite(int trafficLightGeneration, const QByteArray& addressText);
Frame dccAddressWrite(int trafficLightGeneration, int address);
Frame motorolaAddressWrite(int trafficLightGeneration, int address);
Frame adjustEnd(int output);
Frame adjustBegin(int output);
// 201, the decoder address as four hex digits and 16 hex data characters.
Frame memoryWrite(int decoderAddress, const QByteArray& dataHex);
Frame memoryWriteEnd();
Frame setLeft(int output, quint32 value);
Frame setRight(int output, quint32 value);
Frame outputCopy(int source, int target);
Frame memoryDump();
Frame outputReset(int output);
Frame moveRight(std::uint8_t action);  // RunToEnd or StopRun
Frame moveLeft(std::uint8_t action);
Frame storeRunTimeRight();
Frame storeRunTimeLeft();
Frame turnRight();
Frame turnLeft();
Frame runTimeRight(quint32 runTime);
Frame runTimeLeft(quint32 runTime);
Frame storeLeft();
Frame leftStep(std::uint8_t direction, std::uint8_t step);
Frame storeRight();
Frame rightStep(std::uint8_t direction, std::uint8_t step);
Frame servoConfigWrite(ServoConfig config);
Frame trafficLightConfigWrite(const TrafficLightConfig& config);
Frame middlePosition();

// What a command is answered with.
enum class AnswerClass { None, Ack, Any, Position, Block, Address, Dump, RamDump, StateDigit };

constexpr int PositionAnswerLength = 6;
constexpr int AddressAnswerLength = 9;
constexpr int DumpLength = 1024;
constexpr int RamDumpLength = 2304;

// The answer class of a frame; None for bytes that are no command.
AnswerClass answerClass(const Frame& frame);
// What the frame asks of the decoder, in German, for the protocol monitor:
// "Block 3 lesen", "Ausgang 2 Stellung 2", "Speicher schreiben".
QString commandName(const Frame& frame);
// Characters of a configuration block: 78, 79 or 80 by protocol variant; 80
// while the variant is not known.
int blockLength(int protocolVariant);
// The shortest block (variant 1): it holds the identification in every variant.
constexpr int ShortestBlock = 78;
// Characters to await: 0 for none, 1 for ACK, any answer and the state digit;
// a block is as long as blockLength says.
int awaitedLength(AnswerClass answer, int protocolVariant);
int awaitedLength(const Frame& frame, int protocolVariant);

// Answers sent last character first: the whole received text is reversed and
// its first characters read as three-digit decimal byte groups.
// The 16-bit value of a position answer; nothing when it is short or a group
// is no number 0..255.
std::optional<int> positionAnswerValue(const QByteArray& received);

struct AddressAnswer {
    int group1 = 0;  // not used, and 0 when it is no byte
    int group2 = 0;  // high byte
    int group3 = 0;  // low byte

    int address() const { return group2 * 256 + group3; }
    // Last two digits of group 2, then group 3 as two hex digits ("0300").
    QByteArray motorolaCodeText() const;
};
std::optional<AddressAnswer> addressAnswer(const QByteArray& received);

// The 32 chunks of a memory dump, each reversed: 32 hex digits of 16 bytes,
// high digit first. Nothing when the text is not 1024 characters long.
std::optional<QList<QByteArray>> dumpChunks(const QByteArray& received);

}  // namespace qb::commands
