#include "address/MotorolaAddressDialog.h"

#include "link/CommandCatalogue.h"
#include "ui_MotorolaAddressDialog.h"

namespace qb {

namespace {

// A code that is none of the 80 names no address (0).
int motorolaAddressOf(const commands::AddressAnswer& answer)
{
    return commands::motorolaAddress(answer.motorolaCodeText());
}

AddressProtocol motorola()
{
    return {40,
            80,
            QStringLiteral("Maximale Motorola-Adresse ist 80!"),
            QStringLiteral("Motorola Decoder Adresse darf nicht größer als 80 sein!"),
            QStringLiteral("Decoder Motorola-Adresse geändert!"),
            &commands::motorolaAddressWrite,
            &motorolaAddressOf};
}

}  // namespace

MotorolaAddressDialog::MotorolaAddressDialog(const WindowContext& context, QWidget* parent)
    : AddressDialog(context, motorola(), parent), ui_(std::make_unique<Ui::MotorolaAddressDialog>())
{
    ui_->setupUi(this);
    load({ui_->keyboard, ui_->Taste, ui_->Virtuelle_Addr, ui_->DCC_ADDR, ui_->OKButton, ui_->CancelButton});
}

MotorolaAddressDialog::~MotorolaAddressDialog() = default;

}  // namespace qb
