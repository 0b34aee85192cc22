#pragma once

#include <QString>

namespace qb {

struct DecodedBlock;

// The decoded settings of the selected output. The session owns them; the
// dialogs edit them and the writes send them, and after every write the
// output is read back, so they always hold what the decoder holds.
struct OutputSettings {
    int OutputNumber = 1;
    int Polarity = 0;       // 2 positive pulse, 1 negative
    int PowerOff = 0;       // 1 power off after the movement
    int BounceCode = 0;     // 2 x left + right
    int FunctionCode = 0;   // 1 turnout, 2 semaphore, 4 level crossing, 8 repetition, 3 phases apart
    int Brand = 0;
    qint32 Neutral = 0;
    QString NeutralHex;
    qint32 LeftPos = 0;
    qint32 ActualPos = 0;
    qint32 RightPos = 0;
    qint32 TargetPos = 0;
    qint32 RunTimeLeft = 0;
    qint32 RunTimeRight = 0;
    qint32 BounceAmount = 0;
    qint32 RepeatCount = 0;
    bool DirectionReversed = false;
    int AddressMode = 0;    // 1 DCC, 2 Motorola, 0 before the first decode
    qint32 VirtualAddress = 0;
    QString BouncePercent;
    int TrafficLightGeneration = 0;
    bool TakePowerOffFromDecoder = false;
    bool SuppressPowerOffPush = false;
};

// Takes what a decode determined into the settings; what it left unset stays.
// A decode that stopped early (an implausible value, the power-off push)
// changes nothing of what it did not reach.
void applyDecoded(OutputSettings& settings, const DecodedBlock& decoded);

}  // namespace qb
