#include "decoder/FamilyLayout.h"

#include "decoder/DecoderTables.h"

namespace qb {

namespace {

const QString Blanks3 = QStringLiteral("   ");
const QString Blanks4 = QStringLiteral("    ");

QStringList numbered(const QString& word, int count)
{
    QStringList list;
    for (int i = 1; i <= count; ++i)
        list << word + ' ' + QString::number(i);
    return list;
}

const QStringList& pairedEntries(bool special)
{
    static const QStringList turnout = {"Servo 1a+1b", "Servo 1c+1d", "Servo 2a+2b", "Servo 2c+2d",
                                        "Servo 3a+3b", "Servo 3c+3d", "Servo 4a+4b", "Servo 4c+4d"};
    static const QStringList fiveWay = {"Servo 1a+1b", "Servo 1c+1d", "Servo 2a+2b", "Servo 2c+2d",
                                        "Servo 3a+3b", "Servo 3c+3d", "Servo 4",     "Servo 5"};
    return special ? fiveWay : turnout;
}

QString caption(const char* text)
{
    return QStringLiteral("Einstellung für ") + QString::fromUtf8(text);
}

// The window caption an identification sets; nothing keeps the caption.
std::optional<QString> windowCaption(const QString& id, int addressMode)
{
    const QString prefix = id.left(2);
    if (prefix == "L6")
        return caption("Ampeldecoder");
    if (prefix == "L9")
        return caption("Ampeldecoder 917");
    if (prefix == "L1")
        return caption("Ampeldecoder Vexa917");
    if (prefix == "L7")
        return caption("Ampeldecoder Vexa917 2012");
    if (prefix == "BR")
        return caption("Parkplatzdecoder");
    if (prefix == "N7")
        return caption("N7DCC/MOT");
    if (id == "R7434864")
        return caption("R7DCC/MOT");
    if (id == "R7484264")
        return caption("R7DCC");
    if (id == "R8996640")
        return caption("R5-7DCC");
    if (prefix == "R5") {
        static const QStringList dualProtocol = {"R5-7XCN8", "R5-7XC48", "R5-7XC42", "R5-7XC45",
                                                 "R5--XC48", "R5--XC42", "R5--XC45"};
        if (!dualProtocol.contains(id) && !(id == "R5XC6645" && addressMode == 0))
            return caption("R5DCC");
        // "R5XC6645" is neither a four- nor an eight-output name and keeps the
        // caption until the decode sets it.
        const bool fourOutputs = id.startsWith("R5-7");
        if (!fourOutputs && !id.startsWith("R5--"))
            return std::nullopt;
        const QString model = fourOutputs ? QStringLiteral("R5-7") : QStringLiteral("R5");
        if (addressMode == 2)
            return caption("") + model + QStringLiteral(" MOTOROLA");
        if (addressMode == 1)
            return caption("") + model + QStringLiteral(" DCC");
        return fourOutputs ? caption("R5-7DCC/MOT") : caption("R5 DCC/MOT");
    }
    if (prefix == "B5")
        return caption("Sound-Decoder");
    if (id == "V7904840" || id == "V7656642" || id == "V7966445")
        return caption("V7DCC");
    return std::nullopt;
}

void showTest(FamilyLayout& layout, TestEntry entry)
{
    layout.testEntries.push_back(entry);
}

void servoFamilyRules(const QString& id, FamilyLayout& layout)
{
    if (!isInGroup(DecoderGroup::ReversibleGroup, id)) {
        layout.resetMenu.enabled = false;
        layout.direction = false;
        layout.ProtocolVariant = 1;
        return;
    }
    layout.resetMenu.enabled = true;
    layout.direction = true;
    layout.ProtocolVariant = 2;
    static const QStringList withService = {"R5454240", "R8996640", "R5-7XC48", "R5-7XC42", "R5-7XC45",
                                            "R5--XC48", "R5--XC42", "R5--XC45", "R5XC6645", "R5-7XCN8"};
    static const QStringList eightTest = {"R5454240", "R5--XC48", "R5--XC42", "R5--XC45", "R5XC6645"};
    if (id == "R5674040") {
        layout.serviceMenu.enabled = true;
        showTest(layout, TestEntry::EightFold);
    } else if (withService.contains(id)) {
        layout.serviceMenu.enabled = true;
        showTest(layout, eightTest.contains(id) ? TestEntry::EightFold : TestEntry::FourFold);
        layout.PairedOutputs = false;
    } else {
        layout.serviceMenu.enabled = false;
    }
}

void fourServos(FamilyLayout& layout, const QString& blanks)
{
    layout.entries = numbered("Servo", 4);
    layout.statusLiteral = QStringLiteral("4-fach Servo Decoder erkannt!") + blanks + "Decoder-Version ";
    layout.OutputCount = 4;
    layout.EntryCount = 4;
}

void pairedFamily(bool special, FamilyLayout& layout)
{
    layout.entries = pairedEntries(special);
    layout.statusLiteral = special ? QStringLiteral("Spezial-Decoder 5 erkannt!") + Blanks3 + "Decoder-Version "
                                   : QStringLiteral("4-Wege Weichen Decoder erkannt!") + Blanks3 + "Decoder-Version ";
    layout.EntryCount = 8;
    layout.resetMenu.enabled = true;
    layout.serviceMenu.enabled = true;
    if (!special)
        showTest(layout, TestEntry::FourWay);
    layout.direction = true;
    layout.pairedFunctions = true;
    layout.menuCaptions = layout.entries;
    layout.PairedFamily = special ? 5 : 4;
    layout.PairedOutputs = true;
}

void fourOutputServo(const QString& id, bool r7, FamilyLayout& layout)
{
    fourServos(layout, Blanks4);
    layout.resetMenu.enabled = true;
    showTest(layout, TestEntry::FourFold);
    layout.direction = true;
    layout.menuEntriesShown = 4;
    if (!r7) {
        layout.serviceMenu.enabled = true;
        layout.PairedOutputs = false;
        return;
    }
    layout.serviceMenu.enabled = id != "R7954740";
    if (id == "R7434864" || id == "R7484264" || id == "R7434240")
        layout.PairedOutputs = false;
}

// Sound, parking and traffic-light decoders share this.
void plainFamily(FamilyLayout& layout)
{
    layout.direction = true;
    layout.resetMenu.visible = false;
    layout.copyMenu.visible = false;
    layout.serviceMenu.enabled = false;
}

void trafficLight(DecoderFamily family, int crossingCode, FamilyLayout& layout)
{
    layout.statusLiteral = QStringLiteral("Ampel Decoder erkannt!") + Blanks4 + "Decoder-Version ";
    layout.Mode = PanelMode::TrafficLight;
    layout.ProtocolVariant = family == DecoderFamily::TrafficLight3 || family == DecoderFamily::TrafficLight4 ? 3 : 2;
    layout.listCaption = QStringLiteral("Ampelphase auswählen");
    layout.optionMenu.enabled = false;
    layout.selectionText = QStringLiteral("Keine Ampelphase");
    layout.hint = QStringLiteral("Wählen Sie aus der Liste die Ampelphase aus, (Doppelclick) das Sie programmieren wollen.");
    plainFamily(layout);
    showTest(layout, TestEntry::TrafficLight);
    if (family == DecoderFamily::TrafficLight1) {
        layout.entries = phaseNames(2);
        layout.EntryCount = 8;
        return;
    }
    switch (crossingCode) {
    case 1:
    case 2:
        layout.entries = phaseNames(2);
        break;
    case 4:
    case 16:
        layout.entries = phaseNames(3);
        break;
    case 8:
        layout.entries = phaseNames(4);
        break;
    default:
        // Extra bits (pedestrian, demand light, bus lane): the decode selects
        // the layout, whose reaction fills the list.
        layout.listFilled = false;
        return;
    }
    layout.EntryCount = static_cast<int>(layout.entries.size());
}

}  // namespace

QStringList phaseNames(int lightSets)
{
    QStringList names;
    for (int k = 1; k <= lightSets; ++k)
        for (const char* colour : {"Rot", "Rot-Gelb", "Grün", "Gelb"})
            names << QString::fromUtf8(colour) + ' ' + QString::number(k);
    return names;
}

FamilyLayout layoutForDecoder(const QString& id, int addressMode, int crossingCode)
{
    FamilyLayout layout;
    layout.windowCaption = windowCaption(id, addressMode);
    const auto family = familyOf(id);
    if (!family)
        return layout;
    switch (*family) {
    case DecoderFamily::ServoEight:
        if (id.startsWith("R5-7")) {
            fourServos(layout, Blanks3);
            layout.menuEntriesShown = 4;
        } else {
            layout.entries = numbered("Servo", 8);
            layout.statusLiteral = QStringLiteral("8-fach Servo Decoder erkannt!") + Blanks3 + "Decoder-Version ";
            layout.EntryCount = 8;
        }
        servoFamilyRules(id, layout);
        break;
    case DecoderFamily::ServoFourR8:
        fourServos(layout, Blanks3);
        servoFamilyRules(id, layout);
        break;
    case DecoderFamily::TurnoutFourWay:
        pairedFamily(false, layout);
        break;
    case DecoderFamily::SpecialFive:
        pairedFamily(true, layout);
        break;
    case DecoderFamily::ServoFourN7:
        fourOutputServo(id, false, layout);
        break;
    case DecoderFamily::ServoFourR7:
        fourOutputServo(id, true, layout);
        break;
    case DecoderFamily::SoundDecoder:
        layout.entries = numbered("Sound", 8);
        layout.statusLiteral = QStringLiteral("Sound Decoder erkannt!") + Blanks4 + "Decoder-Version ";
        layout.EntryCount = 8;
        layout.selectionText = QStringLiteral("Kein Sound ausgewählt");
        showTest(layout, TestEntry::EightFold);
        plainFamily(layout);
        break;
    case DecoderFamily::ParkingDecoder:
        layout.entries = numbered("Spule", 8);
        layout.statusLiteral = QStringLiteral("Parkplatz Decoder erkannt!") + Blanks4 + "Decoder-Version ";
        layout.EntryCount = 8;
        layout.Mode = PanelMode::Coil;
        layout.selectionText = QStringLiteral("Keine Spule");
        layout.hint = QStringLiteral("Wählen Sie aus der Liste die Spule aus, (Doppelclick) die Sie programmieren wollen.");
        plainFamily(layout);
        showTest(layout, TestEntry::Coil);
        break;
    case DecoderFamily::TrafficLight1:
    case DecoderFamily::TrafficLight2:
    case DecoderFamily::TrafficLight3:
    case DecoderFamily::TrafficLight4:
        trafficLight(*family, crossingCode, layout);
        break;
    }
    return layout;
}

std::optional<QString> readProgressText(int n, PanelMode mode, int pairedFamily)
{
    const QString suffix = QStringLiteral(" Daten empfangen");
    if (pairedFamily == 4) {
        const QStringList& turnout = pairedEntries(false);
        return n >= 1 && n <= turnout.size() ? std::optional(turnout[n - 1] + suffix) : std::nullopt;
    }
    switch (mode) {
    case PanelMode::Servo:
        return QStringLiteral("Servo ") + QString::number(n) + suffix;
    case PanelMode::TrafficLight: {
        static const QStringList phases = phaseNames(4);
        return n >= 1 && n <= phases.size() ? std::optional(phases[n - 1] + suffix) : std::nullopt;
    }
    case PanelMode::Coil:
        return n >= 1 && n <= 8 ? std::optional(QStringLiteral("Spule ") + QString::number(n) + suffix)
                                : std::nullopt;
    }
    return std::nullopt;
}

}  // namespace qb
