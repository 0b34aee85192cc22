#include "ui/WaitWindow.h"

#include "platform/Host.h"
#include "session/Line.h"
#include "ui_WaitWindow.h"

namespace qb {

WaitWindow::WaitWindow(Host& host, Line& line, Kind kind, int functionCode, WaitOptions options,
                       QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::WaitWindow>()), line_(line), kind_(kind), options_(options),
      ticker_(host.createTimer())
{
    ui_->setupUi(this);
    if (kind == Kind::TrafficLight) {
        setObjectName(QStringLiteral("Warten_Ampel"));
        ui_->Label1->setText(QStringLiteral("Bitte warten bis der Decoder die Daten aktualisiert hat !"));
        ui_->Label2->hide();
    }
    setModal(true);
    ui_->ProgressBar1->setValue(0);
    const bool fast = functionCode == 1 && options_.resetOutput <= 0;
    ticker_->setInterval(fast ? 400 : 1000);
    ticker_->setHandler([this] { tick(); });
}

WaitWindow::~WaitWindow() = default;

int WaitWindow::progress() const
{
    return ui_->ProgressBar1->value();
}

int WaitWindow::tickInterval() const
{
    return ticker_->interval();
}

void WaitWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ticker_->setEnabled(true);
}

void WaitWindow::hideEvent(QHideEvent* event)
{
    ticker_->setEnabled(false);
    QDialog::hideEvent(event);
}

void WaitWindow::tick()
{
    const int progress = ui_->ProgressBar1->value() + 1;
    ui_->ProgressBar1->setValue(progress);
    if (progress == Ticks / 2 && options_.resetOutput > 0 && options_.moveAfterReset)
        moveResetOutput();
    if (progress >= Ticks)
        accept();
}

void WaitWindow::moveResetOutput()
{
    const int output = std::exchange(options_.resetOutput, 0);
    line_.switchOutput(output, 0);
    line_.delay(kind_ == Kind::Servo ? 1000 : 250);
    line_.switchOutput(output, 16);
}

}  // namespace qb
