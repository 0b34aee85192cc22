#include "coil/CoilPanel.h"

#include "address/AddressDialogs.h"
#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "memory/BlockDecode.h"
#include "memory/CoilTiming.h"
#include "platform/WindowHost.h"
#include "session/DecoderSession.h"
#include "session/ServoWrites.h"
#include "ui/OptionButtons.h"
#include "ui/OutputIndicators.h"
#include "ui_CoilPanel.h"

#include <QRegularExpressionValidator>

namespace qb {

namespace {

constexpr int RowEndOptions = 7;
constexpr int CoilOutputs = 8;
// The largest end position a read of a coil accepts.
constexpr int LargestCoilValue = 60000;

const QString TimeTitle = QStringLiteral("Einschaltzeit");

}  // namespace

CoilPanel::CoilPanel(WindowContext context, QWidget* parent)
    : OutputPanel(parent), context_(context), ui_(std::make_unique<Ui::CoilPanel>())
{
    ui_->setupUi(this);
    indicators().attach(context_.session.settings());
    connect(&indicators(), &OutputIndicators::newAddressRequested, this, [this] { openAddressDialog(context_, this); });
    // Digits and one decimal comma only; Backspace still works. Pasted text
    // is held to the same rule.
    ui_->txtEinschaltzeit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9,]*")), ui_->txtEinschaltzeit));
    connect(ui_->txtEinschaltzeit, &QLineEdit::textEdited, this, &CoilPanel::timeEdited);
    connect(ui_->opt_einszueins_0, &QRadioButton::clicked, this, [this] { chooseMapping(0); });
    connect(ui_->opt_einszueins_1, &QRadioButton::clicked, this, [this] { chooseMapping(1); });
    for (int i = 0; i < RowEndOptions; ++i)
        connect(lastCoilOption(i), &QRadioButton::clicked, this, [this, i] { chooseLastCoil(i); });
    connect(ui_->cmdSpulenzeit, &QPushButton::clicked, this, &CoilPanel::save);
    // Nothing is saved before the decoder's data are on screen.
    ui_->cmdSpulenzeit->setEnabled(false);
}

CoilPanel::~CoilPanel() = default;

OutputIndicators& CoilPanel::indicators()
{
    return *ui_->Indicators;
}

QRadioButton* CoilPanel::lastCoilOption(int i) const
{
    QRadioButton* options[RowEndOptions] = {ui_->opt_letzte_Spule_0, ui_->opt_letzte_Spule_1, ui_->opt_letzte_Spule_2,
                                            ui_->opt_letzte_Spule_3, ui_->opt_letzte_Spule_4, ui_->opt_letzte_Spule_5,
                                            ui_->opt_letzte_Spule_6};
    return options[i];
}

void CoilPanel::applyLayout(const FamilyLayout& layout)
{
    indicators().applyLayout(layout);
}

void CoilPanel::showSelection(const QString&)
{
    // The time shown belongs to the coil before: it goes until this one is read.
    clearCoil();
    indicators().showAddressMode(context_.session.settings().AddressMode);
}

void CoilPanel::showDecoded(const DecodedBlock& d)
{
    indicators().showDecoded(d);
    if (d.CoilInputOption) {
        setOptionChecked(*d.CoilInputOption == 0 ? ui_->opt_einszueins_0 : ui_->opt_einszueins_1, true);
        ui_->frm_letzte_Spule->setEnabled(*d.CoilInputOption == 1);
    }
    if (d.CoilRowEnd)
        for (int i = 0; i < RowEndOptions; ++i)
            setOptionChecked(lastCoilOption(i), i == *d.CoilRowEnd);
    if (d.Outcome != DecodeOutcome::Decoded)
        return;
    // The switch-on time from the left and right ends and the time scale.
    const OutputSettings& s = context_.session.settings();
    if (const auto time = coilSwitchOnTime(s.LeftPos, s.RightPos, s.RunTimeLeft)) {
        ui_->txtEinschaltzeit->setText(*time);
        ui_->lblAktuell->setText(*time);
    }
    ui_->cmdSpulenzeit->setEnabled(true);
}

void CoilPanel::clearCoil()
{
    ui_->txtEinschaltzeit->clear();
    ui_->lblAktuell->clear();
    indicators().clear();
    ui_->cmdSpulenzeit->setEnabled(false);
}

void CoilPanel::showReadOutcome(ReadOutcome outcome)
{
    indicators().setAddressChangeEnabled(outcome == ReadOutcome::Decoded);
    if (outcome != ReadOutcome::Decoded)
        clearCoil();
}

void CoilPanel::chooseMapping(int option)
{
    ui_->frm_letzte_Spule->setEnabled(option == 1);
    context_.session.settings().Polarity = option == 0 ? 2 : 1;
}

void CoilPanel::chooseLastCoil(int i)
{
    context_.session.settings().Brand = i + 1;
}

void CoilPanel::timeEdited(const QString& text)
{
    const CoilTimeEntry entry = checkCoilTimeEntry(text);
    switch (entry.verdict) {
    case CoilTimeEntry::Verdict::TooManyCommas:
        context_.host.message(QStringLiteral("Mehr als ein Komma vorhanden!"), Buttons::Ok, TimeTitle);
        break;
    case CoilTimeEntry::Verdict::TooLong:
        context_.host.message(QStringLiteral("Eingestellte Zeit ist länger als 60 Sekunden!"), Buttons::Ok, TimeTitle);
        break;
    case CoilTimeEntry::Verdict::Accepted:
        break;
    }
    if (entry.text != ui_->txtEinschaltzeit->text())
        ui_->txtEinschaltzeit->setText(entry.text);
}

void CoilPanel::save()
{
    DecoderSession& session = context_.session;
    const Line::Operation operation = session.operation();
    if (!operation)
        return;
    if (!session.selectedOutputRead())
        return;
    OutputSettings& settings = session.settings();
    const float seconds = coilTimeValue(ui_->txtEinschaltzeit->text());
    if (seconds <= 0.0F)
        return refuseSave(QStringLiteral("Eingestellte Zeit ist 0 Sekunden!"));
    // A time read from the decoder may lie beyond what can be typed; it is
    // not written back on a scale that does not reach it, nor as an end
    // position that the next read would take for a fault.
    if (seconds > LongestCoilTime)
        return refuseSave(QStringLiteral("Eingestellte Zeit ist länger als 60 Sekunden!"));
    const CoilTiming timing = coilTimingFor(seconds);
    const int left = settings.RightPos + timing.value;
    if (left > LargestCoilValue)
        return refuseSave(QStringLiteral("Eingestellte Zeit ist für diese Spule zu lang!"));
    session.showStatus(QStringLiteral("Daten werden gespeichert!"));
    settings.RunTimeLeft = timing.runTime;
    settings.LeftPos = left;
    if (!writeTiming(left, timing.runTime) || !writeConfigToAllOutputs())
        return;
    showReadOutcome(session.readOutput());
    session.showStatus(QStringLiteral("Daten gespeichert!"));
}

void CoilPanel::refuseSave(const QString& reason)
{
    context_.host.message(texts::lines({reason, {}, QStringLiteral("Speichern wird abgebrochen.")}), Buttons::Ok,
                          TimeTitle);
}

bool CoilPanel::writeTiming(int left, int runTime)
{
    DecoderSession& session = context_.session;
    const int n = session.settings().OutputNumber;
    // The run-time commands act on the output read last: the one shown.
    return !session.reportFailure(session.exchange(commands::setLeft(n, static_cast<quint32>(left)))) &&
           !session.reportFailure(session.exchange(commands::runTimeLeft(static_cast<quint32>(runTime)))) &&
           !session.reportFailure(session.exchange(commands::storeRunTimeLeft()));
}

bool CoilPanel::writeConfigToAllOutputs()
{
    DecoderSession& session = context_.session;
    OutputSettings& settings = session.settings();
    commands::ServoConfig config = servoConfigFor(settings, 1, session.identity().ProtocolVariant);
    // This decoder takes the direction digit in every variant.
    config.withDirection = true;
    commands::applyValueWordRule(config);
    settings.BounceCode = config.bounceCode;
    settings.BounceAmount = static_cast<qint32>(config.bounceAmount);
    for (int k = 1; k <= CoilOutputs; ++k) {
        config.output = k;
        if (session.reportFailure(session.exchange(commands::servoConfigWrite(config))))
            return false;
    }
    return true;
}

}  // namespace qb
