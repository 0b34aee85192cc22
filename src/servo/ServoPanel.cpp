#include "servo/ServoPanel.h"

#include "address/AddressDialogs.h"
#include "decoder/DecoderIdentity.h"
#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "memory/BlockDecode.h"
#include "platform/WindowHost.h"
#include "servo/AdjustDialog.h"
#include "servo/ServoTypeDialog.h"
#include "session/DecoderSession.h"
#include "ui/InfoWindows.h"
#include "ui/OptionButtons.h"
#include "ui/OutputIndicators.h"
#include "ui/WindowRegistry.h"
#include "ui_ServoPanel.h"

#include <QAction>
#include <QKeyEvent>
#include <map>

namespace qb {

namespace {

void setNumber(QLineEdit* box, QLabel* label, std::optional<int> value)
{
    if (!value)
        return;
    box->setText(QString::number(*value));
    label->setText(QString::number(*value));
}

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

ServoPanel::ServoPanel(WindowContext context, QWidget* parent)
    : OutputPanel(parent), context_(context), ui_(std::make_unique<Ui::ServoPanel>())
{
    ui_->setupUi(this);
    indicators().attach(context_.session.settings());
    connect(&indicators(), &OutputIndicators::newAddressRequested, this, [this] { openAddressDialog(context_, this); });
    connectIndicators();
    connect(ui_->S_Konfigurieren, &QPushButton::clicked, this, &ServoPanel::configure);
    connect(ui_->Command2, &QPushButton::clicked, this, &ServoPanel::middlePosition);
    connect(ui_->Command3, &QPushButton::clicked, this, &ServoPanel::adjust);
    for (QWidget* box : std::initializer_list<QWidget*>{
             ui_->IST_Pos, ui_->SOLL_Pos, ui_->Linker_Wert, ui_->Rechter_Wert, ui_->Laufzeit_links,
             ui_->Laufzeit_rechts, ui_->Neutralstellung, ui_->Nachfedern_links, ui_->Nachfedern_rechts,
             ui_->Nachfedern_wert, ui_->Nachfedern_Prozent, ui_->Wiederholung_Wert})
        box->installEventFilter(this);
}

ServoPanel::~ServoPanel() = default;

OutputIndicators& ServoPanel::indicators()
{
    return *ui_->Indicators;
}

void ServoPanel::attachMenuEntries(QAction& middleNotice, QAction& powerUpServos)
{
    middleNotice_ = &middleNotice;
    powerUpServos_ = &powerUpServos;
    connect(middleNotice_, &QAction::triggered, this, &ServoPanel::toggleMiddleNotice);
    connect(powerUpServos_, &QAction::triggered, this, &ServoPanel::togglePowerUpServos);
}

void ServoPanel::connectIndicators()
{
    const OutputSettings& settings = context_.session.settings();
    auto polarity = [this, &settings] { setOptionChecked(settings.Polarity == 2 ? ui_->Option1 : ui_->Option2, true); };
    connect(ui_->Option1, &QRadioButton::clicked, this, polarity);
    connect(ui_->Option2, &QRadioButton::clicked, this, polarity);
    connect(ui_->Strom_aus, &QCheckBox::clicked, this, [this, &settings] { ui_->Strom_aus->setChecked(settings.PowerOff == 1); });
    auto bounce = [this, &settings] {
        // As the panel always did: 1 and 2 leave the other box as it is.
        switch (settings.BounceCode) {
        case 0:
            ui_->Nachfedern_links->setChecked(false);
            ui_->Nachfedern_rechts->setChecked(false);
            break;
        case 1: ui_->Nachfedern_rechts->setChecked(true); break;
        case 2: ui_->Nachfedern_links->setChecked(true); break;
        case 3:
            ui_->Nachfedern_links->setChecked(true);
            ui_->Nachfedern_rechts->setChecked(true);
            break;
        default: break;
        }
    };
    connect(ui_->Nachfedern_links, &QCheckBox::clicked, this, bounce);
    connect(ui_->Nachfedern_rechts, &QCheckBox::clicked, this, bounce);
}

bool ServoPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        const auto [title, text] = explanation(watched->objectName());
        if (!title.isEmpty()) {
            HelpWindow help(title, text, this);
            context_.closedOnReconnect.add(help);
            context_.host.runModal(help);
            return true;
        }
    }
    return OutputPanel::eventFilter(watched, event);
}

void ServoPanel::applyLayout(const FamilyLayout& layout)
{
    indicators().applyLayout(layout);
}

void ServoPanel::showSelection(const QString& entryText)
{
    // The values shown belong to the output before: they go until this one is read.
    clearValues();
    entryText_ = entryText;
    indicators().showAddressMode(context_.session.settings().AddressMode);
    indicators().show();
}

void ServoPanel::showDecoded(const DecodedBlock& d)
{
    if (d.Polarity) {
        setOptionChecked(*d.Polarity == 2 ? ui_->Option1 : ui_->Option2, true);
        ui_->lblOption12->setText(d.PolarityLabel.value_or(QString()));
    }
    if (d.PowerOff)
        ui_->Strom_aus->setChecked(*d.PowerOff == 1);
    if (d.PowerOffLabel)
        ui_->lblStrom_aus->setText(*d.PowerOffLabel);
    if (d.BounceLeft)
        ui_->Nachfedern_links->setChecked(*d.BounceLeft);
    if (d.BounceRight)
        ui_->Nachfedern_rechts->setChecked(*d.BounceRight);
    if (d.RepetitionFrameVisible)
        ui_->FrameWiederholungen->setVisible(*d.RepetitionFrameVisible);
    if (d.BounceFrameVisible)
        ui_->FrameNachfedern->setVisible(*d.BounceFrameVisible);
    if (d.BrandText)
        ui_->Fabrikat->setText(*d.BrandText);
    indicators().showDecoded(d);

    if (d.Neutral) {
        ui_->Neutralstellung->setText(QString::number(*d.Neutral));
        ui_->lblNeutralstellung->setText(QString::number(*d.Neutral));
    }
    setNumber(ui_->Linker_Wert, ui_->lblLinker_Wert, d.LeftPos);
    setNumber(ui_->IST_Pos, ui_->lblIST_Pos, d.ActualPos);
    setNumber(ui_->Rechter_Wert, ui_->lblRechter_Wert, d.RightPos);
    setNumber(ui_->SOLL_Pos, ui_->lblSOLL_Pos, d.TargetPos);
    setNumber(ui_->Laufzeit_links, ui_->lblLaufzeit_links, d.RunTimeLeft);
    setNumber(ui_->Laufzeit_rechts, ui_->lblLaufzeit_rechts, d.RunTimeRight);
    setNumber(ui_->Nachfedern_wert, ui_->lblNachfedern_wert, d.BounceAmount);
    if (d.RepeatText) {
        ui_->Wiederholung_Wert->setText(*d.RepeatText);
        ui_->lblWiederholung_Wert->setText(*d.RepeatText);
    }
    if (d.Outcome != DecodeOutcome::Decoded)
        return;  // the decode stopped: nothing after the offending field is shown
    if (d.BouncePercent) {
        ui_->Nachfedern_Prozent->setText(*d.BouncePercent);
        ui_->lblNachfedern_Prozent->setText(*d.BouncePercent);
    }
}

void ServoPanel::updateEndFlags()
{
    const QString actual = ui_->IST_Pos->text();
    const QString left = ui_->Linker_Wert->text();
    const QString right = ui_->Rechter_Wert->text();
    if (left == actual) {
        AtLeftEnd = true;
        AtRightEnd = false;
    }
    if (right == actual) {
        AtLeftEnd = false;
        AtRightEnd = true;
    }
    if (left == right) {
        AtLeftEnd = false;
        AtRightEnd = false;
    }
}

void ServoPanel::clearValues()
{
    for (QLineEdit* box : {ui_->Linker_Wert, ui_->Rechter_Wert, ui_->IST_Pos, ui_->SOLL_Pos, ui_->Laufzeit_links,
                           ui_->Laufzeit_rechts, ui_->Neutralstellung, ui_->Nachfedern_wert, ui_->Nachfedern_Prozent,
                           ui_->Wiederholung_Wert})
        box->clear();
    for (QLabel* label : {ui_->lblLinker_Wert, ui_->lblRechter_Wert, ui_->lblIST_Pos, ui_->lblSOLL_Pos,
                          ui_->lblLaufzeit_links, ui_->lblLaufzeit_rechts, ui_->lblNeutralstellung,
                          ui_->lblNachfedern_wert, ui_->lblNachfedern_Prozent, ui_->lblWiederholung_Wert,
                          ui_->Fabrikat, ui_->lblOption12, ui_->lblStrom_aus})
        label->clear();
    for (QAbstractButton* option : std::initializer_list<QAbstractButton*>{
             ui_->Option1, ui_->Option2, ui_->Strom_aus, ui_->Nachfedern_links, ui_->Nachfedern_rechts})
        setOptionChecked(option, false);
    indicators().clear();
}

void ServoPanel::showReadOutcome(ReadOutcome outcome)
{
    const bool read = outcome == ReadOutcome::Decoded;
    // Nothing of another output stays under this output's name, and nothing
    // writes to it until it has been read.
    if (!read)
        clearValues();
    updateEndFlags();
    const DecoderIdentity& identity = context_.session.identity();
    ui_->S_Konfigurieren->setEnabled(read && !identity.DecoderId.startsWith(QLatin1String("B5")));
    for (QPushButton* button : {ui_->Command2, ui_->Command3})
        button->setEnabled(read);
    indicators().setAddressChangeEnabled(read);
    if (identity.PairedFamily == 4)
        ui_->S_Konfigurieren->setEnabled(read && context_.session.settings().OutputNumber % 2 == 1);
}

QString ServoPanel::outputName() const
{
    if (context_.session.identity().pairedFamily())
        return entryText_;
    return QStringLiteral("Servo ") + QString::number(context_.session.settings().OutputNumber);
}

void ServoPanel::configure()
{
    DecoderSession& session = context_.session;
    OutputSettings& settings = session.settings();
    CountedFlag::Hold dialogActive = session.dialogActive().hold();
    ui_->S_Konfigurieren->setEnabled(false);
    // The dialog sets the neutral position from the brand; a cancelled dialog
    // must not leave the output without one for the next write.
    const QString neutralHex = settings.NeutralHex;
    settings.NeutralHex.clear();
    ServoTypeDialog dialog(context_.host, settings, session.identity(), this);
    context_.closedOnReconnect.add(dialog);
    context_.host.runModal(dialog);
    if (dialog.cancelled()) {
        settings.NeutralHex = neutralHex;
        ui_->S_Konfigurieren->setEnabled(true);
        return;
    }
    if (const Line::Operation operation = session.operation())
        session.writeServoConfig();
    dialogActive.release();
    ui_->S_Konfigurieren->setEnabled(true);
}

bool ServoPanel::switchAdjustPower(bool begin)
{
    DecoderSession& session = context_.session;
    const int n = session.settings().OutputNumber;
    const Reply reply = session.exchange(begin ? commands::adjustBegin(n) : commands::adjustEnd(n));
    if (reply.status == ReplyStatus::Refused) {
        session.reportFailure(reply);
        return true;
    }
    if (session.reportFailure(reply))
        return false;
    context_.session.showStatus(outputName() + (begin ? QStringLiteral(" Spannung zur Einstellung eingeschaltet!")
                                                 : QStringLiteral(" Spannung eingeschaltet!")));
    return true;
}

void ServoPanel::middlePosition()
{
    DecoderSession& session = context_.session;
    const Line::Operation operation = session.operation();
    if (!operation)
        return;
    const bool powerOff = ui_->Strom_aus->isChecked();
    const bool variantTwo = session.identity().ProtocolVariant == 2;
    if (powerOff && !variantTwo) {
        context_.host.message(texts::lines({QStringLiteral("Bevor Sie diese Funktion benützen können,"),
                                            QStringLiteral("Muß 'Strom abschalten' auf 'AUS' gesetzt werden.")}));
        return;
    }
    const QString neutral = ui_->Neutralstellung->text();
    if (neutral != ui_->Rechter_Wert->text() || neutral != ui_->Linker_Wert->text()) {
        const QString question = texts::lines(
            {QStringLiteral("Die linken/rechten Endstellungen wurden schon eingestellt!"), {},
             QStringLiteral("Wollen Sie das ") + entryText_ + QStringLiteral(" wirklich in die Mittelstellung fahren?"), {},
             middlePositionLine(session.identity().PairedFamily, session.settings().OutputNumber, neutral)});
        if (context_.host.message(question, Buttons::YesNo) != Answer::Yes)
            return;
    }
    if (powerOff && !switchAdjustPower(true))
        return;
    const Reply reply = session.exchange(commands::middlePosition());
    if (session.reportFailure(reply))
        return;
    if (const auto value = commands::positionAnswerValue(reply.text)) {
        context_.session.showStatus(QStringLiteral("Servo ") + QString::number(session.settings().OutputNumber) +
                               QStringLiteral(" Mittelstellung angefahren!"));
        for (QLineEdit* box : {ui_->Neutralstellung, ui_->IST_Pos, ui_->SOLL_Pos})
            box->setText(QString::number(*value));
    } else {
        context_.host.message(texts::transferError());
    }
    session.settings().SuppressPowerOffPush = false;
    if (powerOff)
        switchAdjustPower(false);
}

void ServoPanel::adjust()
{
    DecoderSession& session = context_.session;
    Line::Operation operation = session.operation();
    if (!operation)
        return;
    const CountedFlag::Hold dialogActive = session.dialogActive().hold();
    const bool powerOff = ui_->Strom_aus->isChecked() && session.identity().ProtocolVariant == 2;
    if (powerOff && !switchAdjustPower(true))
        return;
    // The user thinks for a long time: each of the dialog's buttons takes the line for itself.
    operation = {};
    AdjustDialog dialog(context_, *this, this);
    context_.closedOnReconnect.add(dialog);
    context_.host.runModal(dialog);
}

void ServoPanel::toggleMiddleNotice()
{
    NotifyMiddle = !NotifyMiddle;
    middleNotice_->setText(NotifyMiddle ? QStringLiteral("Meldung Mittelstellung \"EIN\"")
                                        : QStringLiteral("Meldung Mittelstellung \"AUS\""));
}

void ServoPanel::togglePowerUpServos()
{
    DecoderSession& session = context_.session;
    if (session.startupQueryActive())
        return;
    const Line::Operation operation = session.operation();
    if (!operation)
        return;
    const QString on = QStringLiteral("Servos \"EIN\" beim Einschalten");
    const QString off = QStringLiteral("Servos \"AUS\" beim Einschalten");
    PowerUpServosOn = powerUpServos_->text() != on;
    powerUpServos_->setText(PowerUpServosOn ? on : off);
    session.reportFailure(session.exchange(commands::powerUpStateSet(PowerUpServosOn)));
}

}  // namespace qb
