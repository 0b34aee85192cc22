#include "coil/CoilPanel.h"

#include "memory/BlockDecode.h"
#include "session/DecoderSession.h"
#include "ui/OptionButtons.h"
#include "ui/OutputIndicators.h"
#include "ui_CoilPanel.h"

namespace qb {

CoilPanel::CoilPanel(WindowContext context, QWidget* parent)
    : OutputPanel(parent), context_(context), ui_(std::make_unique<Ui::CoilPanel>())
{
    ui_->setupUi(this);
    indicators().attach(context_.session.settings());
    // Nothing is saved before the decoder's data are on screen.
    ui_->cmdSpulenzeit->setEnabled(false);
}

CoilPanel::~CoilPanel() = default;

OutputIndicators& CoilPanel::indicators()
{
    return *ui_->Indicators;
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
    QRadioButton* rowEnds[] = {ui_->opt_letzte_Spule_0, ui_->opt_letzte_Spule_1, ui_->opt_letzte_Spule_2,
                               ui_->opt_letzte_Spule_3, ui_->opt_letzte_Spule_4, ui_->opt_letzte_Spule_5,
                               ui_->opt_letzte_Spule_6};
    if (d.CoilInputOption) {
        setOptionChecked(*d.CoilInputOption == 0 ? ui_->opt_einszueins_0 : ui_->opt_einszueins_1, true);
        ui_->frm_letzte_Spule->setEnabled(*d.CoilInputOption == 1);
    }
    if (d.CoilRowEnd)
        for (int i = 0; i < 7; ++i)
            setOptionChecked(rowEnds[i], i == *d.CoilRowEnd);
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

}  // namespace qb
