#include "address/DccAddressDialog.h"

#include "address/AddressHelpWindow.h"
#include "link/CommandCatalogue.h"
#include "platform/WindowHost.h"
#include "ui/WindowRegistry.h"
#include "ui_DccAddressDialog.h"

#include <QKeyEvent>

namespace qb {

namespace {

// Address 0 is none: the decoder did not say which it has.
int dccAddressOf(const commands::AddressAnswer& answer)
{
    return answer.address();
}

AddressProtocol dcc()
{
    return {250,
            511,
            QStringLiteral("Maximale DCC-Adresse ist 511!"),
            QStringLiteral("DCC Decoder Adresse darf nicht größer als 511 sein!"),
            QStringLiteral("Decoder DCC-Adresse geändert!"),
            &commands::dccAddressWrite,
            &dccAddressOf};
}

}  // namespace

DccAddressDialog::DccAddressDialog(const WindowContext& context, QWidget* parent)
    : AddressDialog(context, dcc(), parent), ui_(std::make_unique<Ui::DccAddressDialog>())
{
    ui_->setupUi(this);
    connect(ui_->HelpButton, &QPushButton::clicked, this, &DccAddressDialog::showHelp);
    load({ui_->keyboard, ui_->Taste, ui_->Virtuelle_Addr, ui_->DCC_ADDR, ui_->OKButton, ui_->CancelButton});
}

DccAddressDialog::~DccAddressDialog() = default;

void DccAddressDialog::keyPressEvent(QKeyEvent* event)
{
    // The controls leave F1 to the dialog, wherever the focus is.
    if (event->key() == Qt::Key_F1) {
        showHelp();
        return;
    }
    AddressDialog::keyPressEvent(event);
}

void DccAddressDialog::showHelp()
{
    AddressHelpWindow help(this);
    context().closedOnReconnect.add(help);
    context().host.runModal(help);
}

}  // namespace qb
