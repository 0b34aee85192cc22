#pragma once

#include <QString>
#include <QStringList>

namespace qb {

// Which panel shows an output and which decode rules apply.
enum class PanelMode { Servo = 0, TrafficLight = 1, Coil = 2 };

// What detection and identification learnt about the connected decoder. The
// session owns it for the whole run; every window reads it.
struct DecoderIdentity {
    QString DecoderId;         // last accepted identification string
    int ProtocolVariant = 0;   // 1, 2 or 3; 0 while not known (block length 78, 79, 80)
    int OutputCount = 8;       // physical outputs: 4 or 8
    int EntryCount = 8;        // entries of the output list: 4..16
    int PairedFamily = 0;      // 4 turnout, 5 special, else 0
    bool PairedOutputs = false;
    PanelMode Mode = PanelMode::Servo;
    int ActiveTestOutput = 0;  // output a test panel works on, 0 none
    QStringList OutputNames;   // the output list's entries

    bool pairedFamily() const { return PairedFamily == 4 || PairedFamily == 5; }
    // The list entry of output n (1-based); empty where there is none.
    QString outputName(int n) const { return n >= 1 && n <= OutputNames.size() ? OutputNames[n - 1] : QString(); }
};

}  // namespace qb
