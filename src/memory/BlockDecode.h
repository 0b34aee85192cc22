#pragma once

#include "memory/ConfigBlock.h"

#include <QString>
#include <array>
#include <optional>

namespace qb {

// What the decode of a block depends on besides the block itself.
struct DecodeContext {
    int OutputNumber = 1;         // 1..16
    int PanelMode = 0;            // 0 servo, 1 traffic light, 2 coil (anything else: servo)
    QString DecoderId;            // the connected decoder's identification
    int ProtocolVariant = 2;      // 1: no status digit; 0, 2, 3: position 79 is read if present
    bool TakePowerOffFromDecoder = false;
    bool SuppressPowerOffPush = false;
    int PowerOff = 0;             // the program's own current setting
    // Kept when the block says nothing about them.
    int FunctionCode = 1;
    bool DirectionReversed = false;
    int AddressMode = 0;          // 1 DCC, 2 Motorola, 0 not known yet
    int SelectedLayoutCode = 0;   // crossing the user chose last (generation-2/3 code), 0 none
};

enum class DecodeOutcome {
    Decoded,       // everything the block holds has been decoded
    Implausible,   // a value out of range: show Message, reset the output, read it again
    PowerOffPush,  // write this output's configuration (it reads and decodes again)
    Fatal,         // show Message and end the program
};

enum class PowerOffSource {
    None,     // not determined: the flag asked for the decoder's bit, which did not arrive
    Decoder,  // bit 6 of field 1
    NotUsed,  // sound decoders: always 0, "Wird nicht verwendet!"
    Program,  // the program's own setting is shown
};

// The function option the panel selects ("Servo steuert:" / traffic-light control).
enum class FunctionOption {
    Turnout,         // "Weiche" (also the sound module of sound decoders)
    Semaphore,       // "Flügelsignal"
    LevelCrossing,   // "Bahnschranke"
    Repetition,      // "Wiederholung"
    Automatic,       // "Automatik"
    CommandStation,  // "Digital-Zentrale "
    PhasesSingly,    // "Ampel Phasen einzeln schaltbar"
    None,            // no option selected
};

// Everything a decode determines, in the order it is determined. A decode
// that stops (Implausible, PowerOffPush, Fatal) leaves every later value
// unset; the kept values (FunctionCode, DirectionReversed, AddressMode,
// TakePowerOffFromDecoder) then hold what the context gave.
//
// Absent fields (a block cut short, or a field that is not a three-digit
// byte) are neither valid nor implausible: the value they would give stays
// unset, no recovery starts and the decode goes on with the next field.
// Values computed from them (bounce percent, address, hex text) stay unset
// too. In particular:
// - field 1 absent: polarity, bounce and the function captions and options
//   stay unset and FunctionCode keeps its previous value; with the
//   power-off flag set PowerOff stays unset and the flag stays set (nothing
//   was taken), with it clear the program's PowerOff is shown but no push is
//   started, as the push would write the decoder on the strength of a block
//   that did not arrive;
// - field 2 absent: brand, crossing layout, row end and the fatal check
//   are skipped;
// - status digit absent: direction, protocol and country stay as they were;
// - the bus-lane digit counts as 0 when it did not arrive (all lanes clear).
struct DecodedBlock {
    DecodeOutcome Outcome = DecodeOutcome::Decoded;
    QString Message;           // Implausible and Fatal: the exact message text
    int ImplausibleField = 0;  // Implausible: first field of the offending pair (5, 7, ..., 17)

    // Field 1, bit 7.
    std::optional<int> Polarity;           // 2 positive, 1 negative
    std::optional<QString> PolarityLabel;  // "Positiv" / "Negativ"
    // Coil input mapping: 0 each input its own coil (row-end frame disabled),
    // 1 input 2 steps on (row-end frame enabled).
    std::optional<int> CoilInputOption;

    // Field 1, bit 6.
    std::optional<int> PowerOff;
    PowerOffSource PowerOffFrom = PowerOffSource::None;
    std::optional<QString> PowerOffLabel;  // "Ja" / "Nein" / "Wird nicht verwendet!"
    bool TakePowerOffFromDecoder = false;  // the flag's value after this decode

    // Field 1, bits 5..0.
    int FunctionCode = 1;  // lowest set bit of 3..0 decides; previous value when none is set
    std::optional<int> BounceCode;                  // 2 x left + right; 0 in repetition mode
    std::optional<bool> BounceLeft, BounceRight;    // check boxes "Links" / "Rechts"
    std::optional<bool> RepetitionFrameVisible;     // frame "Wiederholungen"
    std::optional<bool> BounceFrameVisible;         // frame "Nachfedern"
    // The option selected after the function bits; None when none of them
    // selects one (every other option is cleared); unset without field 1.
    std::optional<FunctionOption> SelectedOption;
    std::optional<QString> FunctionFrameCaption;    // frame "Servo steuert:"
    std::optional<QString> FunctionLabel;           // lblOption3456

    int TrafficLightGeneration = 0;  // 1 "L6", 2 "L9", 3 "L1"/"L7", 0 no traffic light

    // Field 2.
    std::optional<int> Brand;          // field 2 for every family
    std::optional<QString> BrandText;  // servo panel only; unset leaves the label unchanged
    // Traffic lights: the stored layout in generation-2/3 numbering (2
    // "Kreuzung2", 1 "Kreuzung2T", 4 "T_Kreuzung", 8 "Kreuzung4", 16
    // "T_Kreuzung2W"); unset when field 2 names no layout.
    std::optional<int> CrossingLayoutCode;
    bool SelectCrossingOption = false;  // SelectedLayoutCode was 0 or equals the stored layout
    std::optional<bool> PedestrianPhase, DemandLight, BusLaneFirstLane;  // generations 2 and 3
    // Coil mode: the row-end option index 0..6 ("Spule 2".."Spule 8"), or
    // NoRowEnd (each input its own coil, or field 2 outside 1..7); unset
    // without field 2.
    static constexpr int NoRowEnd = -1;
    std::optional<int> CoilRowEnd;

    // Generation 3: bus-lane boxes A..D from the bus-lane digit.
    std::optional<std::array<bool, 4>> BusLanes;

    // Fields 3..18.
    std::optional<int> Neutral;
    std::optional<QString> NeutralHex;  // upper case, no leading zeros
    std::optional<int> LeftPos;
    std::optional<int> PhaseTime;  // traffic lights: the left end is the phase time
    std::optional<int> ActualPos, RightPos, TargetPos;
    std::optional<int> RunTimeLeft, RunTimeRight;
    std::optional<int> BounceAmount, RepeatCount;
    std::optional<QString> RepeatText;  // "Endlos" above 254, else the number

    std::optional<int> MotorolaFallback;  // field 21

    // Status digit.
    bool DirectionReversed = false;
    QString DirectionLabel;  // "Umkehren" / "Nicht umkehren" / "Wird nicht verwendet!"
    int AddressMode = 0;
    std::optional<int> CountryOption;     // traffic lights: 0 Deutschland, 1 Niederland, 2 Österreich
    std::optional<QString> WindowCaption; // 8-fold servo decoders with DCC and Motorola

    // Fields 21..23.
    std::optional<int> Address;
    std::optional<int> VirtualAddress;  // (Address - 1) x 4 + OutputNumber

    std::optional<QString> BouncePercent;
};

// Decodes one block. No side effects; the caller shows the result and runs
// the recovery, push or program end the outcome asks for.
DecodedBlock decodeBlock(const ConfigBlock& block, const DecodeContext& context);

// The messages of the outcomes.
QString servoResetMessage(int outputNumber);
QString positionResetMessage();
QString fatalDataMessage();

// Coil switch-on time in seconds from the whole-number parts of the left
// end, right end and left run time: run time 8, 16 or 32 select the scale,
// any other gives nothing (the shown time stays).
std::optional<QString> coilSwitchOnTime(int left, int right, int runTime);

}  // namespace qb
