#include "address/AddressDialogs.h"

#include "address/DccAddressDialog.h"
#include "address/MotorolaAddressDialog.h"
#include "platform/WindowHost.h"
#include "session/DecoderSession.h"
#include "ui/WindowRegistry.h"

#include <memory>

namespace qb {

bool openAddressDialog(const WindowContext& context, QWidget* parent)
{
    DecoderSession& session = context.session;
    // Not while another operation waits for the decoder: the output the
    // dialog is for may be about to change.
    if (!session.operation())
        return false;
    // The main window becoming active again when the dialog closes is no
    // reason to detect the decoder anew; OK reads the output back itself.
    const CountedFlag::Hold dialogActive = session.dialogActive().hold();
    std::unique_ptr<AddressDialog> dialog;
    if (session.settings().AddressMode == 2)
        dialog = std::make_unique<MotorolaAddressDialog>(context, parent);
    else
        dialog = std::make_unique<DccAddressDialog>(context, parent);
    context.closedOnReconnect.add(*dialog);
    context.host.runModal(*dialog);
    return dialog->written();
}

}  // namespace qb
