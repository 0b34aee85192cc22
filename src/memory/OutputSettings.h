#pragma once

namespace qb {

// The decoded settings of the selected output, owned by the main window.
struct OutputSettings {
    int OutputNumber = 1;
    bool TakePowerOffFromDecoder = false;
    bool SuppressPowerOffPush = false;
};

}  // namespace qb
