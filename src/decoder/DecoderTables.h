#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace qb {

enum class DecoderFamily {
    ServoEight,
    ServoFourR8,
    ServoFourR7,
    ServoFourN7,
    TurnoutFourWay,
    SpecialFive,
    SoundDecoder,
    ParkingDecoder,
    TrafficLight1,
    TrafficLight2,
    TrafficLight3,
    TrafficLight4,
};

enum class DecoderGroup {
    StartupStateGroup,  // power-on servo state query and menu; copy by program
    DirectSwitchGroup,  // the output switch command
    ReversibleGroup,    // R5/R8 decoders with reset, direction reversal and variant 2
};

// The 32 identification strings the program accepts.
const QStringList& KnownIds();
bool isKnownId(const QString& id);

// Family of an accepted identification string; nothing for any other string.
std::optional<DecoderFamily> familyOf(const QString& id);

const QStringList& groupMembers(DecoderGroup group);
bool isInGroup(DecoderGroup group, const QString& id);

}  // namespace qb
