#pragma once

#include "link/CommandCatalogue.h"

#include <QString>

namespace qb {

class Host;
class Line;
class SessionView;
struct DecoderIdentity;
struct OutputSettings;
struct Reply;

// The servo form of the configuration write for output n from the settings.
commands::ServoConfig servoConfigFor(const OutputSettings& settings, int output, int protocolVariant);

// Resets and copies servo outputs command by command, for the decoders that
// cannot do it on one command. Each step that fails is reported and ends the
// sequence. Runs inside an operation that holds the line.
class ServoWrites {
public:
    ServoWrites(Host& host, Line& line, const DecoderIdentity& identity, const OutputSettings& settings,
                SessionView& view);

    // The factory settings of output n; false when a step failed.
    bool resetByProgram(int n);
    // The selected output's settings into output i; false when a step failed.
    bool copyByProgram(int i);

private:
    // One exchange: false (reported) on a time-out, or on a refusal where an
    // acknowledgement is needed.
    bool step(const Frame& frame);
    // The same for a write whose answer must be the acknowledgement.
    bool acknowledgedStep(const Frame& frame);
    // Reads output n's block, so that the commands without an output number act on it.
    bool address(int n);
    bool runTime(const Frame& frame, bool left, int n);

    Host& host_;
    Line& line_;
    const DecoderIdentity& identity_;
    const OutputSettings& settings_;
    SessionView& view_;
};

}  // namespace qb
