#pragma once

#include "link/Frame.h"

#include <optional>

namespace qb {

class DecoderSession;

// Sends a command that is answered with a position (a step, the middle
// position, a run time, a stop) and returns the value the answer carries.
// A failed exchange, and an answer that is no position, are reported and
// give nothing.
std::optional<int> exchangeForPosition(DecoderSession& session, const Frame& frame);

}  // namespace qb
