#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace qb {

// A change identification makes to one control of the main window: a menu,
// a menu entry, a frame or a label, named by its object name. "Hauptform"
// names the window itself (its caption).
struct ControlChange {
    QString name;
    std::optional<bool> enabled;
    std::optional<bool> visible;
    std::optional<QString> caption;

    bool operator==(const ControlChange&) const = default;
};

// How the main window looks for an accepted identification string.
struct FamilyLayout {
    QStringList entries;          // the output list
    bool listFilled = true;       // false: a traffic-light layout the code does not name
    QString statusLiteral;        // the status text before the identification
    int OutputCount = 8;
    std::optional<int> EntryCount;  // unchanged when the list stays empty
    int PairedFamily = 0;
    std::optional<bool> PairedOutputs;
    std::optional<int> PanelMode;   // unchanged for the servo families
    int ProtocolVariant = 2;
    std::vector<ControlChange> changes;  // in the order they are made
};

// `addressMode` is the one of the previous decode (0 before the first);
// `crossingCode` the whole value of field 2 of the block just read.
FamilyLayout layoutForDecoder(const QString& id, int addressMode, int crossingCode);

// "Rot 1", "Rot-Gelb 1", "Grün 1", "Gelb 1", "Rot 2", ... for `lightSets` sets.
QStringList phaseNames(int lightSets);

}  // namespace qb
