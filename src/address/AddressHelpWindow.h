#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class AddressHelpWindow;
}

namespace qb {

// "Hilfe_Adr": how a turnout number leads to the decoder address.
class AddressHelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit AddressHelpWindow(QWidget* parent = nullptr);
    ~AddressHelpWindow() override;

private:
    std::unique_ptr<Ui::AddressHelpWindow> ui_;
};

}  // namespace qb
