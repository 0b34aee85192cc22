#pragma once

class QWidget;

namespace qb {

struct WindowContext;

// "Neue Adresse": the Motorola address dialog when the decoder runs the
// Motorola protocol (AddressMode 2), otherwise the DCC one, modally, for the
// selected output. True when a new address was written.
bool openAddressDialog(const WindowContext& context, QWidget* parent);

}  // namespace qb
