#pragma once

#include "link/Frame.h"

namespace qb::commands {

constexpr std::uint8_t CR = 13;
constexpr std::uint8_t ACK = 6;

// Block n (1..16) of the configuration memory: 240 + n, and 16 for block 16.
std::uint8_t BlockReadCommand(int n);
// Output n (1..8) to its first (s = 0) or second (s = 16) state.
std::uint8_t OutputSwitchCommand(int n, int s);

// A frame of the command byte alone.
Frame bare(std::uint8_t command);
Frame blockRead(int n);
Frame outputSwitch(int n, int s);

}  // namespace qb::commands
