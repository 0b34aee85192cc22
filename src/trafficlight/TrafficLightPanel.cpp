#include "trafficlight/TrafficLightPanel.h"

#include "memory/BlockDecode.h"
#include "session/DecoderSession.h"
#include "ui/OptionButtons.h"
#include "ui/OutputIndicators.h"
#include "ui_TrafficLightPanel.h"

#include <algorithm>

namespace qb {

TrafficLightPanel::TrafficLightPanel(WindowContext context, QWidget* parent)
    : OutputPanel(parent), context_(context), ui_(std::make_unique<Ui::TrafficLightPanel>())
{
    ui_->setupUi(this);
    indicators().attach(context_.session.settings());
    // Traffic lights choose their control mode in a frame of their own.
    indicators().setServoFunctionsShown(false);
    // Nothing is saved before the decoder's data are on screen.
    ui_->cmdAmpelzeit->setEnabled(false);
}

TrafficLightPanel::~TrafficLightPanel() = default;

OutputIndicators& TrafficLightPanel::indicators()
{
    return *ui_->Indicators;
}

void TrafficLightPanel::applyLayout(const FamilyLayout& layout)
{
    indicators().applyLayout(layout);
}

void TrafficLightPanel::showSelection(const QString& entryText)
{
    // The time shown belongs to the phase before: it goes until this one is read.
    clearPhase();
    entryText_ = entryText;
    indicators().showAddressMode(context_.session.settings().AddressMode);
    indicators().setFunctionCaption(QStringLiteral("Ampelfunktion"));
    ui_->lblAmpelzeit->setText(QStringLiteral("Neue Zeit für ") + entryText + QStringLiteral(" ="));
}

void TrafficLightPanel::showDecoded(const DecodedBlock& d)
{
    indicators().showDecoded(d);
    if (d.SelectedOption) {
        QRadioButton* selected = nullptr;
        switch (*d.SelectedOption) {
        case FunctionOption::Automatic: selected = ui_->Automatik; break;
        case FunctionOption::CommandStation: selected = ui_->Zentrale; break;
        case FunctionOption::PhasesSingly: selected = ui_->Keine_Phasen; break;
        default: break;  // no control bit: no mode is selected
        }
        for (QRadioButton* option : {ui_->Automatik, ui_->Zentrale, ui_->Keine_Phasen})
            setOptionChecked(option, option == selected);
    }
    if (d.CrossingLayoutCode && d.SelectCrossingOption) {
        QRadioButton* option = nullptr;
        switch (*d.CrossingLayoutCode) {
        case 1: option = ui_->Kreuzung2T; break;
        case 2: option = ui_->Kreuzung2; break;
        case 4: option = ui_->T_Kreuzung; break;
        case 8: option = ui_->Kreuzung4; break;
        case 16: option = ui_->T_Kreuzung2W; break;
        default: break;
        }
        if (option)
            setOptionChecked(option, true);
    }
    if (d.PedestrianPhase)
        ui_->Fussgaenger->setChecked(*d.PedestrianPhase);
    if (d.DemandLight)
        ui_->Rufampel->setChecked(*d.DemandLight);
    if (d.BusLaneFirstLane)
        ui_->Busspur_1->setChecked(*d.BusLaneFirstLane);
    if (d.BusLanes) {
        QCheckBox* boxes[] = {ui_->Busspur_1, ui_->Busspur_2, ui_->Busspur_3, ui_->Busspur_4};
        for (int i = 0; i < 4; ++i)
            boxes[i]->setChecked((*d.BusLanes)[i]);
    }
    if (d.LeftPos)
        ui_->lblLinker_Wert->setText(QString::number(*d.LeftPos));
    if (d.PhaseTime)
        ui_->txtAmpelzeit->setText(QString::number(*d.PhaseTime));
    if (d.CountryOption) {
        QRadioButton* countries[] = {ui_->Deutschland_0, ui_->Deutschland_1, ui_->Deutschland_2};
        setOptionChecked(countries[std::clamp(*d.CountryOption, 0, 2)], true);
    }
    if (d.Outcome == DecodeOutcome::Decoded)
        ui_->cmdAmpelzeit->setEnabled(true);
}

void TrafficLightPanel::clearPhase()
{
    ui_->lblLinker_Wert->clear();
    ui_->txtAmpelzeit->clear();
    indicators().clear();
    ui_->cmdAmpelzeit->setEnabled(false);
}

void TrafficLightPanel::showReadOutcome(ReadOutcome outcome)
{
    indicators().setAddressChangeEnabled(outcome == ReadOutcome::Decoded);
    if (outcome != ReadOutcome::Decoded)
        clearPhase();
    if (entryText_ == QLatin1String("Rot 1"))
        ChangeMarkingActive = true;
}

}  // namespace qb
