#include "address/AddressHelpWindow.h"

#include "link/Texts.h"
#include "ui_AddressHelpWindow.h"

namespace qb {

AddressHelpWindow::AddressHelpWindow(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::AddressHelpWindow>())
{
    ui_->setupUi(this);
    ui_->Text1->setPlainText(texts::lines({
        QStringLiteral("Sie möchten z.B. die Weiche mit der Nummer 37 über den Servo-Decoder schalten."),
        {},
        QStringLiteral("Mit folgender Formel können Sie die Decoder-Adresse errechnen:"),
        QStringLiteral("((Weichennummer : 4) + 1) und dann die Kommastellen entfernen."),
        {},
        QStringLiteral("An dem Beispiel für Weiche 37 errechnet, sieht das folgender Maßen aus:"),
        QStringLiteral("Ergibt nach entfernen der Kommastellen die Decoder-Adresse 10."),
        QStringLiteral("Der Decoder belegt somit den 10. Block der für die Weichen 37 - 40 steht."),
        QStringLiteral("Die Weiche 38 ist somit die Nummer 2 in dem Block 37 - 40"),
    }));
    connect(ui_->OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

AddressHelpWindow::~AddressHelpWindow() = default;

}  // namespace qb
