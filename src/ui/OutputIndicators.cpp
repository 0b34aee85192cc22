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
    connect(ui_->Command4, &QPushButton::clicked, this, &OutputIndicators::newAddressRequested);
}

void OutputIndicators::setAddressChangeEnabled(bool enabled)
{
    ui_->Command4->setEnabled(enabled);
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

void OutputIndicators::clear()
{
    for (QRadioButton* option : {ui_->Option3, ui_->Option4, ui_->Option5, ui_->Option6})
        setOptionChecked(option, false);
    ui_->lblOption3456->clear();
    ui_->DCC_ADDR->clear();
    ui_->Richtung->setChecked(false);
    ui_->lblRichtung->clear();
    ui_->Command4->setEnabled(false);
}

void OutputIndicators::showDecoded(const DecodedBlock& d)
{
    if (d.SelectedOption) {
        QRadioButton* const options[] = {ui_->Option3, ui_->Option4, ui_->Option5, ui_->Option6};
        QRadioButton* selected = nullptr;
        switch (*d.SelectedOption) {
        case FunctionOption::Turnout: selected = ui_->Option3; break;
        case FunctionOption::Semaphore: selected = ui_->Option4; break;
        case FunctionOption::LevelCrossing: selected = ui_->Option5; break;
        case FunctionOption::Repetition: selected = ui_->Option6; break;
        default: break;  // none of these: a traffic-light mode, or no function bit
        }
        for (QRadioButton* option : options)
            setOptionChecked(option, option == selected);
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
