#include "decoder/DecoderTables.h"

namespace qb {

namespace {

struct FamilyIds {
    DecoderFamily family;
    QStringList ids;
};

const std::vector<FamilyIds>& familyTable()
{
    static const std::vector<FamilyIds> table = {
        {DecoderFamily::ServoEight,
         {"R5494940", "R5964740", "R5674040", "R5454240", "R5-7XCN8", "R5-7XC48", "R5-7XC42",
          "R5-7XC45", "R5--XC48", "R5--XC42", "R5--XC45", "R5XC6645"}},
        {DecoderFamily::ServoFourR8, {"R8996640"}},
        {DecoderFamily::ServoFourR7, {"R7954740", "R7434240", "R7434864", "R7484264", "R7664040"}},
        {DecoderFamily::ServoFourN7, {"N7654345", "N7966445", "N7996445", "N7934745"}},
        {DecoderFamily::TurnoutFourWay, {"V7904840", "V7656642", "V7966445"}},
        {DecoderFamily::SpecialFive, {"R0904840"}},
        {DecoderFamily::SoundDecoder, {"B5984848"}},
        {DecoderFamily::ParkingDecoder, {"BR5-XC42"}},
        {DecoderFamily::TrafficLight1, {"L6454348"}},
        {DecoderFamily::TrafficLight2, {"L9624164"}},
        {DecoderFamily::TrafficLight3, {"L1164566"}},
        {DecoderFamily::TrafficLight4, {"L7466469"}},
    };
    return table;
}

}  // namespace

const QStringList& KnownIds()
{
    static const QStringList ids = [] {
        QStringList all;
        for (const auto& entry : familyTable())
            all += entry.ids;
        return all;
    }();
    return ids;
}

bool isKnownId(const QString& id)
{
    return KnownIds().contains(id);
}

std::optional<DecoderFamily> familyOf(const QString& id)
{
    for (const auto& entry : familyTable())
        if (entry.ids.contains(id))
            return entry.family;
    return std::nullopt;
}

const QStringList& groupMembers(DecoderGroup group)
{
    static const QStringList startup = {"R5--XC42", "R5--XC45", "R5XC6645", "R5-7XC42", "R5-7XC45",
                                        "V7656642", "V7966445", "R7434864", "R7484264", "N7966445"};
    static const QStringList directSwitch = {"R5--XC45", "R5--XC42", "R5XC6645", "R5-7XC42",
                                             "R5-7XC45", "V7656642", "V7966445"};
    static const QStringList reversible = {"R5964740", "R5674040", "R8996640", "R5-7XC48", "R5-7XC42",
                                           "R5-7XC45", "R5-7XCN8", "R5--XC48", "R5--XC42", "R5--XC45",
                                           "R5XC6645", "BR5-XC42", "R5454240"};
    switch (group) {
    case DecoderGroup::StartupStateGroup:
        return startup;
    case DecoderGroup::DirectSwitchGroup:
        return directSwitch;
    case DecoderGroup::ReversibleGroup:
        return reversible;
    }
    return startup;
}

bool isInGroup(DecoderGroup group, const QString& id)
{
    return groupMembers(group).contains(id);
}

}  // namespace qb
