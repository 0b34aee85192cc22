#pragma once

#include "address/AddressDialog.h"

#include <memory>

namespace Ui {
class DccAddressDialog;
}

namespace qb {

// "Neue DCC Adresse": a DCC accessory address 1..511, written as four hex
// digits. Offers the address help with its button and with F1.
class DccAddressDialog : public AddressDialog {
    Q_OBJECT
public:
    DccAddressDialog(const WindowContext& context, QWidget* parent = nullptr);
    ~DccAddressDialog() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showHelp();

    std::unique_ptr<Ui::DccAddressDialog> ui_;
};

}  // namespace qb
