#include "ui/BlockPresenter.h"

#include "decoder/DecoderIdentity.h"
#include "memory/BlockDecode.h"
#include "memory/OutputSettings.h"
#include "platform/Host.h"
#include "ui/OptionButtons.h"
#include "ui_Hauptform.h"

namespace qb {

namespace {

constexpr int MaxRecoveries = 2;

void setNumber(QLineEdit* box, QLabel* label, std::optional<int> value)
{
    if (!value)
        return;
    box->setText(QString::number(*value));
    if (label)
        label->setText(QString::number(*value));
}


}  // namespace

BlockPresenter::BlockPresenter(Host& host, Ui::MainWindow& ui, OutputSettings& settings,
                               const DecoderIdentity& identity, Actions actions)
    : host_(host), ui_(ui), settings_(settings), identity_(identity), actions_(std::move(actions))
{
}

void BlockPresenter::show(const ConfigBlock& block)
{
    DecodeContext context;
    context.OutputNumber = settings_.OutputNumber;
    context.PanelMode = identity_.PanelMode;
    context.DecoderId = identity_.DecoderId;
    context.ProtocolVariant = actions_.protocolVariant ? actions_.protocolVariant() : 2;
    context.TakePowerOffFromDecoder = settings_.TakePowerOffFromDecoder;
    context.SuppressPowerOffPush = settings_.SuppressPowerOffPush;
    context.PowerOff = settings_.PowerOff;
    context.FunctionCode = settings_.FunctionCode;
    context.DirectionReversed = settings_.DirectionReversed;
    context.AddressMode = settings_.AddressMode;
    context.SelectedLayoutCode = actions_.selectedLayoutCode ? actions_.selectedLayoutCode() : 0;
    const DecodedBlock decoded = decodeBlock(block, context);

    showValues(decoded);
    switch (decoded.Outcome) {
    case DecodeOutcome::Decoded:
        recoveries_ = 0;
        break;
    case DecodeOutcome::Implausible:
        recover(decoded);
        break;
    case DecodeOutcome::PowerOffPush:
        push();
        break;
    case DecodeOutcome::Fatal:
        host_.message(decoded.Message);
        if (actions_.endProgram)
            actions_.endProgram();
        break;
    }
}

void BlockPresenter::recover(const DecodedBlock& decoded)
{
    host_.message(decoded.Message);
    if (++recoveries_ > MaxRecoveries) {
        recoveries_ = 0;
        return;
    }
    const int output = settings_.OutputNumber;
    if (actions_.resetOutput)
        actions_.resetOutput(output);
    if (actions_.selectAndRead)
        actions_.selectAndRead(output);
}

void BlockPresenter::push()
{
    settings_.TakePowerOffFromDecoder = true;
    if (actions_.writeConfiguration)
        actions_.writeConfiguration();
    settings_.TakePowerOffFromDecoder = true;
}

void BlockPresenter::showFunction(const DecodedBlock& d)
{
    if (d.Polarity) {
        settings_.Polarity = *d.Polarity;
        setOptionChecked(*d.Polarity == 2 ? ui_.Option1 : ui_.Option2, true);
        ui_.lblOption12->setText(d.PolarityLabel.value_or(QString()));
    }
    if (d.CoilInputOption) {
        setOptionChecked(*d.CoilInputOption == 0 ? ui_.opt_einszueins_0 : ui_.opt_einszueins_1, true);
        ui_.frm_letzte_Spule->setEnabled(*d.CoilInputOption == 1);
    }
    if (d.PowerOff) {
        settings_.PowerOff = *d.PowerOff;
        ui_.Strom_aus->setChecked(*d.PowerOff == 1);
    }
    if (d.PowerOffLabel)
        ui_.lblStrom_aus->setText(*d.PowerOffLabel);
    settings_.TakePowerOffFromDecoder = d.TakePowerOffFromDecoder;
    settings_.FunctionCode = d.FunctionCode;
    if (d.BounceCode)
        settings_.BounceCode = *d.BounceCode;
    if (d.BounceLeft)
        ui_.Nachfedern_links->setChecked(*d.BounceLeft);
    if (d.BounceRight)
        ui_.Nachfedern_rechts->setChecked(*d.BounceRight);
    // The frames show only while the servo value fields do.
    const bool servoValues = identity_.PanelMode == 0;
    if (d.RepetitionFrameVisible)
        ui_.FrameWiederholungen->setVisible(servoValues && *d.RepetitionFrameVisible);
    if (d.BounceFrameVisible)
        ui_.FrameNachfedern->setVisible(servoValues && *d.BounceFrameVisible);
    if (d.SelectedOption) {
        switch (*d.SelectedOption) {
        case FunctionOption::Turnout: setOptionChecked(ui_.Option3, true); break;
        case FunctionOption::Semaphore: setOptionChecked(ui_.Option4, true); break;
        case FunctionOption::LevelCrossing: setOptionChecked(ui_.Option5, true); break;
        case FunctionOption::Repetition: setOptionChecked(ui_.Option6, true); break;
        case FunctionOption::Automatic: setOptionChecked(ui_.Automatik, true); break;
        case FunctionOption::CommandStation: setOptionChecked(ui_.Zentrale, true); break;
        case FunctionOption::PhasesSingly: setOptionChecked(ui_.Keine_Phasen, true); break;
        }
    }
    if (d.FunctionFrameCaption)
        ui_.FrameSteuert->setTitle(*d.FunctionFrameCaption);
    if (d.FunctionLabel)
        ui_.lblOption3456->setText(*d.FunctionLabel);
    settings_.TrafficLightGeneration = d.TrafficLightGeneration;
    if (d.Brand)
        settings_.Brand = *d.Brand;
    if (d.BrandText)
        ui_.Fabrikat->setText(*d.BrandText);
}

void BlockPresenter::showTrafficLight(const DecodedBlock& d)
{
    if (d.CrossingLayoutCode && d.SelectCrossingOption) {
        QRadioButton* option = nullptr;
        switch (*d.CrossingLayoutCode) {
        case 1: option = ui_.Kreuzung2T; break;
        case 2: option = ui_.Kreuzung2; break;
        case 4: option = ui_.T_Kreuzung; break;
        case 8: option = ui_.Kreuzung4; break;
        case 16: option = ui_.T_Kreuzung2W; break;
        default: break;
        }
        if (option)
            setOptionChecked(option, true);
    }
    if (d.PedestrianPhase)
        ui_.Fussgaenger->setChecked(*d.PedestrianPhase);
    if (d.DemandLight)
        ui_.Rufampel->setChecked(*d.DemandLight);
    if (d.BusLaneFirstLane)
        ui_.Busspur_1->setChecked(*d.BusLaneFirstLane);
    if (d.BusLanes) {
        QCheckBox* boxes[] = {ui_.Busspur_1, ui_.Busspur_2, ui_.Busspur_3, ui_.Busspur_4};
        for (int i = 0; i < 4; ++i)
            boxes[i]->setChecked((*d.BusLanes)[i]);
    }
    if (d.CountryOption) {
        QRadioButton* countries[] = {ui_.Deutschland_0, ui_.Deutschland_1, ui_.Deutschland_2};
        setOptionChecked(countries[std::clamp(*d.CountryOption, 0, 2)], true);
    }
    if (d.PhaseTime)
        ui_.txtAmpelzeit->setText(QString::number(*d.PhaseTime));
}

void BlockPresenter::showCoil(const DecodedBlock& d)
{
    QRadioButton* rowEnds[] = {ui_.opt_letzte_Spule_0, ui_.opt_letzte_Spule_1, ui_.opt_letzte_Spule_2,
                               ui_.opt_letzte_Spule_3, ui_.opt_letzte_Spule_4, ui_.opt_letzte_Spule_5,
                               ui_.opt_letzte_Spule_6};
    if (d.CoilInputOption == 0)
        for (QRadioButton* option : rowEnds)
            setOptionChecked(option, false);
    if (d.CoilRowEnd && *d.CoilRowEnd >= 0 && *d.CoilRowEnd < 7)
        setOptionChecked(rowEnds[*d.CoilRowEnd], true);
}

void BlockPresenter::showValues(const DecodedBlock& d)
{
    showFunction(d);
    if (identity_.PanelMode == 1)
        showTrafficLight(d);
    if (identity_.PanelMode == 2)
        showCoil(d);

    if (d.Neutral) {
        settings_.Neutral = *d.Neutral;
        ui_.Neutralstellung->setText(QString::number(*d.Neutral));
        ui_.lblNeutralstellung->setText(QString::number(*d.Neutral));
    }
    if (d.NeutralHex)
        settings_.NeutralHex = *d.NeutralHex;
    auto keep = [](std::optional<int> value, qint32& target) {
        if (value)
            target = *value;
    };
    keep(d.LeftPos, settings_.LeftPos);
    keep(d.ActualPos, settings_.ActualPos);
    keep(d.RightPos, settings_.RightPos);
    keep(d.TargetPos, settings_.TargetPos);
    keep(d.RunTimeLeft, settings_.RunTimeLeft);
    keep(d.RunTimeRight, settings_.RunTimeRight);
    keep(d.BounceAmount, settings_.BounceAmount);
    keep(d.RepeatCount, settings_.RepeatCount);
    setNumber(ui_.Linker_Wert, ui_.lblLinker_Wert, d.LeftPos);
    setNumber(ui_.IST_Pos, ui_.lblIST_Pos, d.ActualPos);
    setNumber(ui_.Rechter_Wert, ui_.lblRechter_Wert, d.RightPos);
    setNumber(ui_.SOLL_Pos, ui_.lblSOLL_Pos, d.TargetPos);
    setNumber(ui_.Laufzeit_links, ui_.lblLaufzeit_links, d.RunTimeLeft);
    setNumber(ui_.Laufzeit_rechts, ui_.lblLaufzeit_rechts, d.RunTimeRight);
    setNumber(ui_.Nachfedern_wert, ui_.lblNachfedern_wert, d.BounceAmount);
    if (d.RepeatText) {
        ui_.Wiederholung_Wert->setText(*d.RepeatText);
        ui_.lblWiederholung_Wert->setText(*d.RepeatText);
    }
    if (d.Outcome != DecodeOutcome::Decoded)
        return;  // the decode stopped: nothing after the offending field is shown

    settings_.DirectionReversed = d.DirectionReversed;
    settings_.AddressMode = d.AddressMode;
    ui_.Richtung->setChecked(d.DirectionReversed);
    if (!d.DirectionLabel.isEmpty())
        ui_.lblRichtung->setText(d.DirectionLabel);
    if (d.WindowCaption)
        ui_.centralwidget->window()->setWindowTitle(*d.WindowCaption);
    if (d.VirtualAddress) {
        settings_.VirtualAddress = *d.VirtualAddress;
        ui_.DCC_ADDR->setText(QString::number(*d.VirtualAddress));
    }
    if (d.BouncePercent) {
        settings_.BouncePercent = *d.BouncePercent;
        ui_.Nachfedern_Prozent->setText(*d.BouncePercent);
        ui_.lblNachfedern_Prozent->setText(*d.BouncePercent);
    }
    if (identity_.PanelMode == 2) {
        // The switch-on time from the whole-number parts of the shown values.
        const auto time = coilSwitchOnTime(ui_.lblLinker_Wert->text().toInt(), ui_.lblRechter_Wert->text().toInt(),
                                           ui_.lblLaufzeit_links->text().toInt());
        if (time) {
            ui_.txtEinschaltzeit->setText(*time);
            ui_.lblAktuell->setText(*time);
        }
    }
}

}  // namespace qb
