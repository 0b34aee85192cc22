#include "ui/OutputIndicators.h"

#include "decoder/FamilyLayout.h"
#include "memory/BlockDecode.h"
#include "memory/OutputSettings.h"
#include "ui/OptionButtons.h"
#include "ui_OutputIndicators.h"

namespace qb {

OutputIndicators::OutputIndicators(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::OutputIndicators>())
{
    ui_->setupUi(this);
    for (QRadioButton* option : {ui_->Option3, ui_->Option4, ui_->Option5, ui_->Option6})
        connect(option, &QRadioButton::clicked, this, &OutputIndicators::showFunctionOfSettings);
    connect(ui_->Richtung, &QCheckBox::clicked, this, &OutputIndicators::showDirectionOfSettings);
}

OutputIndicators::~OutputIndicators() = default;

void OutputIndicators::showFunctionOfSettings()
{
    if (!settings_)
        return;
    switch (settings_->FunctionCode) {
    case 1: setOptionChecked(ui_->Option3, true); break;
    case 2: setOptionChecked(ui_->Option4, true); break;
    case 4: setOptionChecked(ui_->Option5, true); break;
    case 8: setOptionChecked(ui_->Option6, true); break;
    default: break;  // other codes change nothing
    }
}

void OutputIndicators::showDirectionOfSettings()
{
    const bool reversed = settings_ && settings_->DirectionReversed;
    ui_->Richtung->setChecked(reversed);
    ui_->lblRichtung->setText(reversed ? QStringLiteral("Umkehren") : QStringLiteral("Nicht umkehren"));
}

void OutputIndicators::applyLayout(const FamilyLayout& layout)
{
    if (layout.direction) {
        ui_->Umpolen->setEnabled(*layout.direction);
        ui_->Richtung->setVisible(*layout.direction);
    }
    if (layout.pairedFunctions) {
        ui_->Option3->setText(QStringLiteral("4-Weg Weiche"));
        for (QWidget* option : {ui_->Option4, ui_->Option5, ui_->Option6})
            option->hide();
    }
}

void OutputIndicators::showAddressMode(int addressMode)
{
    ui_->FrameAdresse->setTitle(addressMode == 2 ? QStringLiteral("Motorola Adresse") : QStringLiteral("DCC Adresse"));
}

void OutputIndicators::setFunctionCaption(const QString& caption)
{
    ui_->FrameSteuert->setTitle(caption);
}

void OutputIndicators::setServoFunctionsShown(bool shown)
{
    for (QWidget* option : {ui_->Option3, ui_->Option4, ui_->Option5, ui_->Option6})
        option->setHidden(!shown);
}

void OutputIndicators::showDecoded(const DecodedBlock& d)
{
    if (d.SelectedOption) {
        switch (*d.SelectedOption) {
        case FunctionOption::Turnout: setOptionChecked(ui_->Option3, true); break;
        case FunctionOption::Semaphore: setOptionChecked(ui_->Option4, true); break;
        case FunctionOption::LevelCrossing: setOptionChecked(ui_->Option5, true); break;
        case FunctionOption::Repetition: setOptionChecked(ui_->Option6, true); break;
        default: break;  // the traffic-light modes have options of their own
        }
    }
    if (d.FunctionFrameCaption)
        ui_->FrameSteuert->setTitle(*d.FunctionFrameCaption);
    if (d.FunctionLabel)
        ui_->lblOption3456->setText(*d.FunctionLabel);
    if (d.Outcome != DecodeOutcome::Decoded)
        return;  // the decode stopped before the status digit and the address
    ui_->Richtung->setChecked(d.DirectionReversed);
    if (!d.DirectionLabel.isEmpty())
        ui_->lblRichtung->setText(d.DirectionLabel);
    if (d.VirtualAddress)
        ui_->DCC_ADDR->setText(QString::number(*d.VirtualAddress));
}

}  // namespace qb
