#pragma once

#include "decoder/DecoderIdentity.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace qb {

// What identification changes about a main-window menu; unset leaves it.
struct MenuChange {
    std::optional<bool> enabled;
    std::optional<bool> visible;

    bool operator==(const MenuChange&) const = default;
};

// The test windows of the "Datei" menu.
enum class TestEntry { FourWay, FourFold, EightFold, TrafficLight, Coil };

// How the main window looks for an accepted identification string. Unset
// values leave what an earlier identification made.
struct FamilyLayout {
    // Captions.
    std::optional<QString> windowCaption;
    std::optional<QString> listCaption;    // the frame around the output list
    std::optional<QString> selectionText;  // the selected-entry box before any choice
    std::optional<QString> hint;           // the instruction under the list

    // The output list.
    QStringList entries;
    bool listFilled = true;   // false: a traffic-light layout the code does not name
    QString statusLiteral;    // the status text before the identification
    int OutputCount = 8;
    std::optional<int> EntryCount;  // unchanged when the list stays empty
    int PairedFamily = 0;
    std::optional<bool> PairedOutputs;
    std::optional<PanelMode> Mode;  // unchanged for the servo families
    int ProtocolVariant = 2;

    // Menus.
    MenuChange resetMenu, copyMenu, serviceMenu, optionMenu;
    std::vector<TestEntry> testEntries;      // shown; identification never hides one
    std::optional<int> menuEntriesShown;     // reset and copy entries above this are hidden
    QStringList menuCaptions;                // reset and copy entries 1.. captioned like this

    // The servo panel.
    std::optional<bool> direction;  // the direction frame enabled and its box shown, or neither
    bool pairedFunctions = false;   // the only function is "4-Weg Weiche"
};

// `addressMode` is the one of the previous decode (0 before the first);
// `crossingCode` the whole value of field 2 of the block just read.
FamilyLayout layoutForDecoder(const QString& id, int addressMode, int crossingCode);

// "Rot 1", "Rot-Gelb 1", "Grün 1", "Gelb 1", "Rot 2", ... for `lightSets` sets.
QStringList phaseNames(int lightSets);

// "Servo 3 Daten empfangen" and its kin for output n; nothing where the
// status stays as it is.
std::optional<QString> readProgressText(int n, PanelMode mode, int pairedFamily);

}  // namespace qb
