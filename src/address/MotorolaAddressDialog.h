#pragma once

#include "address/AddressDialog.h"

#include <memory>

namespace Ui {
class MotorolaAddressDialog;
}

namespace qb {

// "Neue Motorola Adresse": a Motorola accessory address 1..80, written as
// its ternary code.
class MotorolaAddressDialog : public AddressDialog {
    Q_OBJECT
public:
    MotorolaAddressDialog(const WindowContext& context, QWidget* parent = nullptr);
    ~MotorolaAddressDialog() override;

private:
    std::unique_ptr<Ui::MotorolaAddressDialog> ui_;
};

}  // namespace qb
