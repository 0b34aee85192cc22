#pragma once

#include "link/Frame.h"
#include "ui/WindowContext.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace qb::commands {
struct AddressAnswer;
}

namespace qb {

// What sets the DCC and the Motorola address dialog apart.
struct AddressProtocol {
    int keyboardBlocks;  // entries of the keyboard list
    int highestAddress;
    QString fieldLimitText;  // the field went above the highest address
    QString sendLimitText;   // OK with an address above it
    QString changedStatus;
    // The write of `address` for the decoder's traffic-light generation.
    Frame (*writeFrame)(int trafficLightGeneration, int address);
    // The address the decoder's answer names; 0 when it names none.
    int (*answeredAddress)(const commands::AddressAnswer& answer);
};

// A new accessory address for the selected output. The user picks the
// keyboard block and key pair of the command station on which the output
// shall be switched (or types the address); the dialog derives the address
// and the output's switch number. OK writes the address, closes and reads
// the output back, so the main window shows its new virtual address.
class AddressDialog : public QDialog {
    Q_OBJECT
public:
    ~AddressDialog() override;

    // False when the dialog was left without writing ("Abbrechen", Escape,
    // the close button).
    bool written() const { return written_; }

protected:
    struct Controls {
        QComboBox* keyboard;
        QComboBox* Taste;
        QLineEdit* Virtuelle_Addr;
        QLineEdit* DCC_ADDR;
        QPushButton* OKButton;
        QPushButton* CancelButton;
    };

    AddressDialog(const WindowContext& context, AddressProtocol protocol, QWidget* parent);
    // After the form is set up: the reactions and the lists.
    void load(const Controls& controls);
    const WindowContext& context() const { return context_; }

private:
    void selectionChanged();
    void addressChanged(const QString& text);
    void confirm();
    // The decoder confirmed: the dialog closes and the output is shown anew.
    void confirmed();

    WindowContext context_;
    AddressProtocol protocol_;
    Controls c_{};
    bool written_ = false;
};

}  // namespace qb
