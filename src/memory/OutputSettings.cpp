#include "memory/OutputSettings.h"

#include "memory/BlockDecode.h"

namespace qb {

namespace {

template <typename T, typename U>
void take(const std::optional<U>& value, T& target)
{
    if (value)
        target = static_cast<T>(*value);
}

}  // namespace

void applyDecoded(OutputSettings& s, const DecodedBlock& d)
{
    take(d.Polarity, s.Polarity);
    take(d.PowerOff, s.PowerOff);
    s.TakePowerOffFromDecoder = d.TakePowerOffFromDecoder;
    s.FunctionCode = d.FunctionCode;
    take(d.BounceCode, s.BounceCode);
    s.TrafficLightGeneration = d.TrafficLightGeneration;
    take(d.Brand, s.Brand);
    take(d.Neutral, s.Neutral);
    take(d.NeutralHex, s.NeutralHex);
    take(d.LeftPos, s.LeftPos);
    take(d.ActualPos, s.ActualPos);
    take(d.RightPos, s.RightPos);
    take(d.TargetPos, s.TargetPos);
    take(d.RunTimeLeft, s.RunTimeLeft);
    take(d.RunTimeRight, s.RunTimeRight);
    take(d.BounceAmount, s.BounceAmount);
    take(d.RepeatCount, s.RepeatCount);
    if (d.Outcome != DecodeOutcome::Decoded)
        return;  // the decode stopped: nothing after the offending field counts
    s.DirectionReversed = d.DirectionReversed;
    s.AddressMode = d.AddressMode;
    take(d.VirtualAddress, s.VirtualAddress);
    take(d.BouncePercent, s.BouncePercent);
}

}  // namespace qb
