#include "ui/InfoWindows.h"

#include "session/Connection.h"
#include "session/DecoderSession.h"
#include "ui_AboutWindow.h"
#include "ui_HelpWindow.h"
#include "ui_HintWindow.h"
#include "ui_PortScanDialog.h"

namespace qb {

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::AboutWindow>())
{
    ui_->setupUi(this);
    setWindowTitle(QStringLiteral("Info zu ") + Connection::AppName);
    ui_->lblVersion->setText(QStringLiteral("Version %1.%2.%3").arg(Major).arg(Minor).arg(Revision));
    ui_->lblTitle->setText(Connection::AppName);
    connect(ui_->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

AboutWindow::~AboutWindow() = default;

HelpWindow::HelpWindow(const QString& HelpTitle, const QString& HelpText, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::HelpWindow>())
{
    ui_->setupUi(this);
    ui_->Frame1->setTitle(HelpTitle);
    ui_->Text1->setPlainText(HelpText);
    connect(ui_->cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

HelpWindow::~HelpWindow() = default;

HintWindow::HintWindow(QWidget* parent) : QWidget(parent, Qt::Tool), ui_(std::make_unique<Ui::HintWindow>())
{
    ui_->setupUi(this);
}

HintWindow::~HintWindow() = default;

void HintWindow::paintEvent(QPaintEvent* event)
{
    if (ui_->Text1->toPlainText() != HintText)
        ui_->Text1->setPlainText(HintText);
    QWidget::paintEvent(event);
}

PortScanDialog::PortScanDialog(DecoderSession& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::PortScanDialog>()), session_(session)
{
    ui_->setupUi(this);
    connect(ui_->Command1, &QPushButton::clicked, this, &QDialog::close);
    connect(ui_->List1, &QListWidget::currentRowChanged, this, [this](int row) {
        const int n = session_.connection().scannedPort(row);
        ui_->lblGeraet->setText(n ? QStringLiteral("Gerät: ") + session_.connection().deviceText(n) : QString());
    });
    connect(ui_->List1, &QListWidget::itemDoubleClicked, this, [this] {
        const int row = ui_->List1->currentRow();
        if (row < 0 || !session_.chooseScannedPort(row))
            return;
        chosen_ = true;
        close();
    });
}

PortScanDialog::~PortScanDialog() = default;

void PortScanDialog::hideEvent(QHideEvent* event)
{
    if (!chosen_)
        session_.portScanClosed();
    QDialog::hideEvent(event);
}

void PortScanDialog::scan()
{
    chosen_ = false;
    ui_->List1->clear();
    ui_->List1->addItems(session_.scanPorts());
    for (int row = 0; row < ui_->List1->count(); ++row)
        ui_->List1->item(row)->setToolTip(session_.connection().deviceText(session_.connection().scannedPort(row)));
}

}  // namespace qb
