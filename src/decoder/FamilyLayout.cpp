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

// Builds the change list in order.
class Changes {
public:
    explicit Changes(std::vector<ControlChange>& list) : list_(list) {}
    void caption(const QString& name, const QString& text) { list_.push_back({name, {}, {}, text}); }
    void enable(const QString& name, bool on) { list_.push_back({name, on, {}, {}}); }
    void show(const QString& name, bool on) { list_.push_back({name, {}, on, {}}); }
    void hideEntries(const QString& array, int from, int to)
    {
        for (int i = from; i <= to; ++i)
            show(array + '_' + QString::number(i), false);
    }
    void captionEntries(const QString& array, const QStringList& captions)
    {
        for (int i = 0; i < captions.size(); ++i)
            caption(array + '_' + QString::number(i + 1), captions[i]);
    }

private:
    std::vector<ControlChange>& list_;
};

void windowCaption(const QString& id, int addressMode, Changes& c)
{
    const QString prefix = id.left(2);
    auto trafficLight = [&](const QString& caption) {
        c.caption("Hauptform", caption);
        c.caption("Frame1", QStringLiteral("Ampelphase auswählen"));
        c.enable("mnu_option", false);
    };
    if (prefix == "L6")
        return trafficLight(QStringLiteral("Einstellung für Ampeldecoder"));
    if (prefix == "L9")
        return trafficLight(QStringLiteral("Einstellung für Ampeldecoder 917"));
    if (prefix == "L1")
        return trafficLight(QStringLiteral("Einstellung für Ampeldecoder Vexa917"));
    if (prefix == "L7")
        return trafficLight(QStringLiteral("Einstellung für Ampeldecoder Vexa917 2012"));
    if (prefix == "BR")
        return c.caption("Hauptform", QStringLiteral("Einstellung für Parkplatzdecoder"));
    if (prefix == "N7")
        return c.caption("Hauptform", QStringLiteral("Einstellung für N7DCC/MOT"));
    if (id == "R7434864")
        return c.caption("Hauptform", QStringLiteral("Einstellung für R7DCC/MOT"));
    if (id == "R7484264")
        return c.caption("Hauptform", QStringLiteral("Einstellung für R7DCC"));
    if (id == "R8996640")
        return c.caption("Hauptform", QStringLiteral("Einstellung für R5-7DCC"));
    if (prefix == "R5") {
        static const QStringList dualProtocol = {"R5-7XCN8", "R5-7XC48", "R5-7XC42", "R5-7XC45",
                                                 "R5--XC48", "R5--XC42", "R5--XC45"};
        if (dualProtocol.contains(id) || (id == "R5XC6645" && addressMode == 0)) {
            // Several rules may apply; the last one wins. "R5XC6645" matches
            // neither variant and keeps the caption until the decode sets it.
            const bool fourOutputs = id.startsWith("R5-7");
            const bool eightOutputs = id.startsWith("R5--");
            if (fourOutputs || eightOutputs) {
                const QString model = fourOutputs ? QStringLiteral("R5-7") : QStringLiteral("R5");
                c.caption("Hauptform", fourOutputs ? QStringLiteral("Einstellung für R5-7DCC/MOT")
                                                   : QStringLiteral("Einstellung für R5 DCC/MOT"));
                if (addressMode == 2)
                    c.caption("Hauptform", QStringLiteral("Einstellung für ") + model + QStringLiteral(" MOTOROLA"));
                if (addressMode == 1)
                    c.caption("Hauptform", QStringLiteral("Einstellung für ") + model + QStringLiteral(" DCC"));
            }
            return;
        }
        return c.caption("Hauptform", QStringLiteral("Einstellung für R5DCC"));
    }
    if (prefix == "B5")
        return c.caption("Hauptform", QStringLiteral("Einstellung für Sound-Decoder"));
    if (id == "V7904840" || id == "V7656642" || id == "V7966445")
        c.caption("Hauptform", QStringLiteral("Einstellung für V7DCC"));
}

void servoFamilyRules(const QString& id, FamilyLayout& layout, Changes& c)
{
    if (!isInGroup(DecoderGroup::ReversibleGroup, id)) {
        c.enable("mnu_reset", false);
        c.enable("Umpolen", false);
        c.show("Richtung", false);
        layout.ProtocolVariant = 1;
        return;
    }
    c.enable("mnu_reset", true);
    c.enable("Umpolen", true);
    c.show("Richtung", true);
    layout.ProtocolVariant = 2;
    static const QStringList withService = {"R5454240", "R8996640", "R5-7XC48", "R5-7XC42", "R5-7XC45",
                                            "R5--XC48", "R5--XC42", "R5--XC45", "R5XC6645", "R5-7XCN8"};
    static const QStringList eightTest = {"R5454240", "R5--XC48", "R5--XC42", "R5--XC45", "R5XC6645"};
    if (id == "R5674040") {
        c.enable("mnu_service", true);
        c.show("mnu_8fachTest", true);
    } else if (withService.contains(id)) {
        c.enable("mnu_service", true);
        c.show(eightTest.contains(id) ? "mnu_8fachTest" : "mnu_4fachTest", true);
        layout.PairedOutputs = false;
    } else {
        c.enable("mnu_service", false);
    }
}

void pairedFamily(bool special, FamilyLayout& layout, Changes& c)
{
    layout.entries = pairedEntries(special);
    layout.statusLiteral = special ? QStringLiteral("Spezial-Decoder 5 erkannt!") + Blanks3 + "Decoder-Version "
                                   : QStringLiteral("4-Wege Weichen Decoder erkannt!") + Blanks3 + "Decoder-Version ";
    layout.EntryCount = 8;
    c.enable("mnu_reset", true);
    if (!special) {
        c.enable("mnu_service", true);
        c.show("mnu_4wegTest", true);
    }
    c.enable("Umpolen", true);
    c.show("Richtung", true);
    if (special)
        c.enable("mnu_service", true);
    c.caption("Option3", QStringLiteral("4-Weg Weiche"));
    c.show("Option4", false);
    c.show("Option5", false);
    c.show("Option6", false);
    c.captionEntries("mnu_RServo", layout.entries);
    c.captionEntries("mnu_copyx", layout.entries);
    layout.PairedFamily = special ? 5 : 4;
    layout.PairedOutputs = true;
}

void fourOutputServo(const QString& id, bool r7, FamilyLayout& layout, Changes& c)
{
    layout.entries = numbered("Servo", 4);
    layout.statusLiteral = QStringLiteral("4-fach Servo Decoder erkannt!") + Blanks4 + "Decoder-Version ";
    layout.OutputCount = 4;
    layout.EntryCount = 4;
    c.enable("mnu_reset", true);
    c.show("mnu_4fachTest", true);
    c.enable("Umpolen", true);
    c.show("Richtung", true);
    c.hideEntries("mnu_RServo", 5, 8);
    c.hideEntries("mnu_copyx", 5, 8);
    if (!r7) {
        c.enable("mnu_service", true);
        layout.PairedOutputs = false;
        return;
    }
    c.enable("mnu_service", id != "R7954740");
    if (id == "R7434864" || id == "R7484264" || id == "R7434240")
        layout.PairedOutputs = false;
}

// Sound, parking and traffic-light decoders share this.
void plainFamily(FamilyLayout& layout, Changes& c)
{
    c.enable("Umpolen", true);
    c.show("Richtung", true);
    c.show("mnu_reset", false);
    c.show("mnu_copy", false);
    c.enable("mnu_service", false);
}

void trafficLight(DecoderFamily family, int crossingCode, FamilyLayout& layout, Changes& c)
{
    layout.statusLiteral = QStringLiteral("Ampel Decoder erkannt!") + Blanks4 + "Decoder-Version ";
    layout.PanelMode = 1;
    layout.ProtocolVariant = family == DecoderFamily::TrafficLight3 || family == DecoderFamily::TrafficLight4 ? 3 : 2;
    c.caption("Servo_auswahl", QStringLiteral("Keine Ampelphase"));
    c.caption("Label2", QStringLiteral("Wählen Sie aus der Liste die Ampelphase aus, (Doppelclick) das Sie programmieren wollen."));
    plainFamily(layout, c);
    c.show("mnu_Ampeltest1", true);
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
    Changes c(layout.changes);
    windowCaption(id, addressMode, c);
    const auto family = familyOf(id);
    if (!family)
        return layout;
    switch (*family) {
    case DecoderFamily::ServoEight:
        if (id.startsWith("R5-7")) {
            layout.entries = numbered("Servo", 4);
            layout.statusLiteral = QStringLiteral("4-fach Servo Decoder erkannt!") + Blanks3 + "Decoder-Version ";
            layout.OutputCount = 4;
            layout.EntryCount = 4;
            c.hideEntries("mnu_RServo", 5, 8);
            c.hideEntries("mnu_copyx", 5, 8);
        } else {
            layout.entries = numbered("Servo", 8);
            layout.statusLiteral = QStringLiteral("8-fach Servo Decoder erkannt!") + Blanks3 + "Decoder-Version ";
            layout.EntryCount = 8;
        }
        servoFamilyRules(id, layout, c);
        break;
    case DecoderFamily::ServoFourR8:
        layout.entries = numbered("Servo", 4);
        layout.statusLiteral = QStringLiteral("4-fach Servo Decoder erkannt!") + Blanks3 + "Decoder-Version ";
        layout.OutputCount = 4;
        layout.EntryCount = 4;
        servoFamilyRules(id, layout, c);
        break;
    case DecoderFamily::TurnoutFourWay:
        pairedFamily(false, layout, c);
        break;
    case DecoderFamily::SpecialFive:
        pairedFamily(true, layout, c);
        break;
    case DecoderFamily::ServoFourN7:
        fourOutputServo(id, false, layout, c);
        break;
    case DecoderFamily::ServoFourR7:
        fourOutputServo(id, true, layout, c);
        break;
    case DecoderFamily::SoundDecoder:
        layout.entries = numbered("Sound", 8);
        layout.statusLiteral = QStringLiteral("Sound Decoder erkannt!") + Blanks4 + "Decoder-Version ";
        layout.EntryCount = 8;
        c.caption("Servo_auswahl", QStringLiteral("Kein Sound ausgewählt"));
        c.show("mnu_8fachTest", true);
        plainFamily(layout, c);
        break;
    case DecoderFamily::ParkingDecoder:
        layout.entries = numbered("Spule", 8);
        layout.statusLiteral = QStringLiteral("Parkplatz Decoder erkannt!") + Blanks4 + "Decoder-Version ";
        layout.EntryCount = 8;
        layout.PanelMode = 2;
        c.caption("Servo_auswahl", QStringLiteral("Keine Spule"));
        c.caption("Label2", QStringLiteral("Wählen Sie aus der Liste die Spule aus, (Doppelclick) die Sie programmieren wollen."));
        plainFamily(layout, c);
        c.show("mnu_Spulentest", true);
        break;
    case DecoderFamily::TrafficLight1:
    case DecoderFamily::TrafficLight2:
    case DecoderFamily::TrafficLight3:
    case DecoderFamily::TrafficLight4:
        trafficLight(*family, crossingCode, layout, c);
        break;
    }
    return layout;
}

}  // namespace qb
