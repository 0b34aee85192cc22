#include "servo/ServoPanel.h"

#include "decoder/DecoderIdentity.h"
#include "link/CommandCatalogue.h"
#include "link/Connection.h"
#include "link/Transport.h"
#include "memory/OutputSettings.h"
#include "platform/Host.h"
#include "servo/ServoWrite.h"
#include "ui/OptionButtons.h"
#include "ui_Hauptform.h"

#include <QKeyEvent>

namespace qb {

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString LightGreen = QStringLiteral("background-color: rgb(128, 255, 128);");


}  // namespace

QString middlePositionLine(int pairedFamily, int outputNumber, const QString& neutralText)
{
    if (pairedFamily == 4 || pairedFamily == 5) {
        if (outputNumber >= 1 && outputNumber <= 8)
            return outputNumber % 2 == 0 ? QStringLiteral("Mittelstellung = Stellung Halbrechts des Servos [8514]")
                                         : QStringLiteral("Mittelstellung = Stellung Halblinks des Servos [13848]");
        return {};
    }
    return QStringLiteral("Mittelstellung des Servos [") + neutralText + ']';
}

std::pair<QString, QString> ServoPanel::explanation(const QString& box)
{
    const QString runTail = QStringLiteral("Je kleiner der Wert, desto langsamer dreht das Servo. ") +
                            QStringLiteral("Ausnahme ist der Wert \"0\". Dann dreht das Servo mit seiner maximalen ") +
                            QStringLiteral("Geschwindigkeit. ");
    static const std::map<QString, std::pair<QString, QString>> table = {
        {"IST_Pos", {"IST Position", "Dieser Wert gibt an, in welcher Position sich das Servo befindet."}},
        {"SOLL_Pos",
         {"SOLL Position",
          "Dieser Wert gibt an, in welcher Position das Servo sein soll.SOLL und IST sind immer gleich!"}},
        {"Linker_Wert",
         {"Linke Position", "Dieser Wert gibt an, in welche Position das Servo nach links dreht wenn Sie an der "
                            "Digital-Zentrale auf die rote Taste drücken."}},
        {"Rechter_Wert",
         {"Rechte Position", "Dieser Wert gibt an, in welche Position das Servo nach rechts dreht wenn Sie an der "
                             "Digital-Zentrale auf die grüne Taste drücken."}},
        {"Laufzeit_links",
         {"Laufzeit nach links", "Dieser Wert gibt an, in welche Geschwindigkeit das Servo nach links dreht wenn "
                                 "Sie an der Digital-Zentrale auf die rote Taste drücken. " + runTail}},
        {"Laufzeit_rechts",
         {"Laufzeit nach rechts", "Dieser Wert gibt an, in welche Geschwindigkeit das Servo nach rechts dreht wenn "
                                  "Sie an der Digital-Zentrale auf die grüne Taste drücken. " + runTail}},
        {"Neutralstellung",
         {"Mittelstellung", "Auf diese Position fährt das Servo, wenn Sie auf die Taste \"Mittelstellung\" klicken! "
                            "Diese Position wird nur zum justieren des Servos benötigt."}},
        {"Nachfedern_links",
         {"Nachfedern links", "Durch markieren dieses Kästchen aktivieren Sie das Nachfedern in der linken "
                              "Position des Servos. "}},
        {"Nachfedern_rechts",
         {"Nachfedern rechts", "Durch markieren dieses Kästchen aktivieren Sie das Nachfedern in der rechten "
                               "Position des Servos. "}},
        {"Nachfedern_wert",
         {"Nachfedern Wert", "Dieser Wert zeigt an, um wieviel Schritte das Servo nachfedert. Dieser Wert wird für "
                             "die linke und rechte Position verwendet! "}},
        {"Nachfedern_Prozent",
         {"Nachfedern Prozentwert", "Dieser Wert zeigt an, um wieviel Prozent des Gesamtweges das Servo nachfedert. "}},
        {"Wiederholung_Wert", {"Wiederholungen", "Dieser Wert gibt an, wie oft das Servo hin und her dreht. "}},
    };
    const auto found = table.find(box);
    return found == table.end() ? std::pair<QString, QString>{} : found->second;
}

ServoPanel::ServoPanel(Services services) : s_(services)
{
    auto& ui = s_.ui;
    connectIndicators();
    connect(ui.S_Konfigurieren, &QPushButton::clicked, this, &ServoPanel::configure);
    connect(ui.Command2, &QPushButton::clicked, this, &ServoPanel::middlePosition);
    connect(ui.Command3, &QPushButton::clicked, this, &ServoPanel::adjust);
    connect(ui.Command4, &QPushButton::clicked, this, &ServoPanel::newAddress);
    connect(ui.mnu_neutral, &QAction::triggered, this, &ServoPanel::toggleMiddleNotice);
    connect(ui.mnu_servo, &QAction::triggered, this, &ServoPanel::togglePowerUpServos);
    for (QWidget* box : std::initializer_list<QWidget*>{
             ui.IST_Pos, ui.SOLL_Pos, ui.Linker_Wert, ui.Rechter_Wert, ui.Laufzeit_links, ui.Laufzeit_rechts,
             ui.Neutralstellung, ui.Nachfedern_links, ui.Nachfedern_rechts, ui.Nachfedern_wert,
             ui.Nachfedern_Prozent, ui.Wiederholung_Wert})
        box->installEventFilter(this);
}

void ServoPanel::connectIndicators()
{
    auto& ui = s_.ui;
    // The panel only shows the settings; the dialogs change them. A click
    // puts the control back to what the settings say.
    auto polarity = [this] { setOptionChecked(s_.settings.Polarity == 2 ? s_.ui.Option1 : s_.ui.Option2, true); };
    connect(ui.Option1, &QRadioButton::clicked, this, polarity);
    connect(ui.Option2, &QRadioButton::clicked, this, polarity);
    auto function = [this] {
        switch (s_.settings.FunctionCode) {
        case 1: setOptionChecked(s_.ui.Option3, true); break;
        case 2: setOptionChecked(s_.ui.Option4, true); break;
        case 4: setOptionChecked(s_.ui.Option5, true); break;
        case 8: setOptionChecked(s_.ui.Option6, true); break;
        default: break;
        }
    };
    for (QRadioButton* option : {ui.Option3, ui.Option4, ui.Option5, ui.Option6})
        connect(option, &QRadioButton::clicked, this, function);
    connect(ui.Richtung, &QCheckBox::clicked, this, [this] {
        s_.ui.Richtung->setChecked(s_.settings.DirectionReversed);
        s_.ui.lblRichtung->setText(s_.settings.DirectionReversed ? QStringLiteral("Umkehren")
                                                                 : QStringLiteral("Nicht umkehren"));
    });
    connect(ui.Strom_aus, &QCheckBox::clicked, this, [this] { s_.ui.Strom_aus->setChecked(s_.settings.PowerOff == 1); });
    auto bounce = [this] {
        // As the panel always did: 1 and 2 leave the other box as it is.
        switch (s_.settings.BounceCode) {
        case 0:
            s_.ui.Nachfedern_links->setChecked(false);
            s_.ui.Nachfedern_rechts->setChecked(false);
            break;
        case 1: s_.ui.Nachfedern_rechts->setChecked(true); break;
        case 2: s_.ui.Nachfedern_links->setChecked(true); break;
        case 3:
            s_.ui.Nachfedern_links->setChecked(true);
            s_.ui.Nachfedern_rechts->setChecked(true);
            break;
        default: break;
        }
    };
    connect(ui.Nachfedern_links, &QCheckBox::clicked, this, bounce);
    connect(ui.Nachfedern_rechts, &QCheckBox::clicked, this, bounce);
}

bool ServoPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == s_.ui.IST_Pos && changeMarkingActive && changeMarkingActive())
        markTrafficLightChange();
    if (key->key() == Qt::Key_F1) {
        const auto [title, text] = explanation(watched->objectName());
        if (!title.isEmpty() && showHelp) {
            showHelp(title, text);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ServoPanel::markTrafficLightChange()
{
    s_.ui.cmdAmpelzeit->setStyleSheet(LightGreen);
}

QString ServoPanel::outputName() const
{
    if (s_.identity.PairedFamily == 4 || s_.identity.PairedFamily == 5)
        return s_.ui.Servo_auswahl->text();
    return QStringLiteral("Servo ") + QString::number(s_.settings.OutputNumber);
}

void ServoPanel::configure()
{
    Connection& connection = s_.connection;
    connection.DialogActive = true;
    s_.ui.S_Konfigurieren->setEnabled(false);
    // The dialog sets the neutral position from the brand; a cancelled dialog
    // must not leave the output without one for the next write.
    const QString neutralHex = s_.settings.NeutralHex;
    s_.settings.NeutralHex.clear();
    const bool confirmed = runServoTypeDialog && runServoTypeDialog();
    if (!confirmed) {
        s_.settings.NeutralHex = neutralHex;
        connection.DialogActive = false;
        s_.ui.S_Konfigurieren->setEnabled(true);
        return;
    }
    s_.write.sende_konfiguration();
    connection.DialogActive = false;
    s_.ui.S_Konfigurieren->setEnabled(true);
    if (changeMarkingActive && changeMarkingActive())
        markTrafficLightChange();
}

bool ServoPanel::switchAdjustPower(bool begin)
{
    const int n = s_.settings.OutputNumber;
    s_.transport.ExchangeCommand(begin ? commands::adjustBegin(n) : commands::adjustEnd(n), 1);
    if (s_.transport.TimedOut) {
        s_.host.message(QStringLiteral("Timeout von Decoder!"));
        return false;
    }
    if (s_.transport.InString.startsWith(char(commands::ACK)))
        s_.ui.Status->setText(outputName() + (begin ? QStringLiteral(" Spannung zur Einstellung eingeschaltet!")
                                                    : QStringLiteral(" Spannung eingeschaltet!")));
    else
        s_.host.message(QStringLiteral("Datentransfer Fehler!"));
    return true;
}

void ServoPanel::middlePosition()
{
    auto& ui = s_.ui;
    const bool powerOff = ui.Strom_aus->isChecked();
    const bool variantTwo = s_.transport.ProtocolVariant == 2;
    if (powerOff && !variantTwo) {
        s_.host.message(QStringLiteral("Bevor Sie diese Funktion benützen können,") + CRLF +
                        QStringLiteral("Muß 'Strom abschalten' auf 'AUS' gesetzt werden."));
        return;
    }
    const QString neutral = ui.Neutralstellung->text();
    if (neutral != ui.Rechter_Wert->text() || neutral != ui.Linker_Wert->text()) {
        const QString question =
            QStringLiteral("Die linken/rechten Endstellungen wurden schon eingestellt!") + CRLF + CRLF +
            QStringLiteral("Wollen Sie das ") + ui.Servo_auswahl->text() +
            QStringLiteral(" wirklich in die Mittelstellung fahren?") + CRLF + CRLF +
            middlePositionLine(s_.identity.PairedFamily, s_.settings.OutputNumber, neutral);
        if (s_.host.message(question, Buttons::YesNo) != Answer::Yes)
            return;
    }
    if (powerOff && !switchAdjustPower(true))
        return;
    s_.transport.ExchangeCommand(commands::bare(commands::MiddlePositionCommand), 6);
    if (s_.transport.TimedOut) {
        s_.host.message(QStringLiteral("Timeout von Decoder!"));
        return;
    }
    if (const auto value = commands::positionAnswerValue(s_.transport.InString)) {
        ui.Status->setText(QStringLiteral("Servo ") + QString::number(s_.settings.OutputNumber) +
                           QStringLiteral(" Mittelstellung angefahren!"));
        for (QLineEdit* box : {ui.Neutralstellung, ui.IST_Pos, ui.SOLL_Pos})
            box->setText(QString::number(*value));
    } else {
        s_.host.message(QStringLiteral("Datentransfer Fehler!"));
    }
    s_.settings.SuppressPowerOffPush = false;
    if (powerOff)
        switchAdjustPower(false);
}

void ServoPanel::adjust()
{
    s_.connection.DialogActive = true;
    const bool powerOff = s_.ui.Strom_aus->isChecked() && s_.transport.ProtocolVariant == 2;
    if (!powerOff || switchAdjustPower(true)) {
        if (openAdjustment)
            openAdjustment();
    }
    s_.connection.DialogActive = false;
}

void ServoPanel::newAddress()
{
    if (openAddressDialog)
        openAddressDialog(s_.settings.AddressMode == 2);
}

void ServoPanel::toggleMiddleNotice()
{
    NotifyMiddle = !NotifyMiddle;
    s_.ui.mnu_neutral->setText(NotifyMiddle ? QStringLiteral("Meldung Mittelstellung \"EIN\"")
                                            : QStringLiteral("Meldung Mittelstellung \"AUS\""));
}

void ServoPanel::togglePowerUpServos()
{
    if (startupQueryActive && startupQueryActive())
        return;
    const QString on = QStringLiteral("Servos \"EIN\" beim Einschalten");
    const QString off = QStringLiteral("Servos \"AUS\" beim Einschalten");
    PowerUpServosOn = s_.ui.mnu_servo->text() != on;
    s_.ui.mnu_servo->setText(PowerUpServosOn ? on : off);
    s_.transport.ExchangeCommand(commands::powerUpStateSet(PowerUpServosOn), 1);
    if (s_.transport.TimedOut)
        s_.host.message(QStringLiteral("Timeout von Decoder!"));
    else if (!s_.transport.InString.startsWith(char(commands::ACK)))
        s_.host.message(QStringLiteral("Datentransfer Fehler!"));
}

}  // namespace qb
