#pragma once

#include <QString>

namespace qb {

// What identification learnt about the connected decoder; owned by the main
// window for the whole run and read by every window.
struct DecoderIdentity {
    QString DecoderId;        // last accepted identification string
    int OutputCount = 8;      // physical outputs: 4 or 8
    int EntryCount = 8;       // entries of the output list: 4..16
    int PairedFamily = 0;     // 4 turnout, 5 special, else 0
    bool PairedOutputs = false;
    int PanelMode = 0;        // 0 servo, 1 traffic light, 2 coil
    int ActiveTestOutput = 0; // output a test panel works on, 0 none
};

}  // namespace qb
