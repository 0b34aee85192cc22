#include "servo/RunTestDialog.h"

#include "link/CommandCatalogue.h"
#include "servo/PositionReply.h"
#include "session/DecoderSession.h"
#include "ui_RunTestDialog.h"

namespace qb {

using adjust::Side;

namespace {

Frame runFrame(Side end, std::uint8_t action)
{
    return end == Side::Left ? commands::moveLeft(action) : commands::moveRight(action);
}

}  // namespace

RunTestDialog::RunTestDialog(WindowContext context, Side towards, QWidget* parent)
    : QDialog(parent), context_(context), ui_(std::make_unique<Ui::RunTestDialog>()), towards_(towards)
{
    ui_->setupUi(this);
    setModal(true);
    const bool left = towards == Side::Left;
    setObjectName(left ? QStringLiteral("Test_links") : QStringLiteral("Test_rechts"));
    const QString servo = QStringLiteral("Servo ") + QString::number(context_.session.settings().OutputNumber);
    setWindowTitle(servo + (left ? QStringLiteral(" Geschwindigkeitstest von rechts nach links.")
                                 : QStringLiteral(" Geschwindigkeitstest von links nach rechts.")));
    // The run starts at the other end.
    const QString startEnd = left ? QStringLiteral("Rechte Position") : QStringLiteral("Linke Position");
    ui_->Command2->setText(startEnd);
    ui_->Label1_0->setText(QStringLiteral("1. Klicken Sie auf \"") + startEnd + QStringLiteral("\" damit das "));
    connect(ui_->Command2, &QPushButton::clicked, this, [this] { runTo(adjust::otherSide(towards_)); });
    connect(ui_->Command1, &QPushButton::clicked, this, [this] { runTo(towards_); });
    connect(ui_->OKButton, &QPushButton::clicked, this, &RunTestDialog::stop);
}

RunTestDialog::~RunTestDialog() = default;

void RunTestDialog::runTo(Side end)
{
    DecoderSession& session = context_.session;
    const Line::Operation operation = session.operation();
    if (!operation)
        return;
    if (session.reportFailure(session.exchange(runFrame(end, commands::RunToEnd))))
        return;
    session.showStatus(session.outputName(session.settings().OutputNumber) +
                       (end == Side::Left ? QStringLiteral(" dreht auf die linke Position!")
                                          : QStringLiteral(" dreht auf die rechte Position!")));
}

void RunTestDialog::stop()
{
    DecoderSession& session = context_.session;
    const Line::Operation operation = session.operation();
    if (!operation)
        return;
    // Without an answer the window stays, so that the user can stop again.
    const std::optional<int> position = exchangeForPosition(session, runFrame(towards_, commands::StopRun));
    if (!position)
        return;
    session.showStatus(session.outputName(session.settings().OutputNumber) + QStringLiteral(" angehalten!"));
    stoppedAt_ = position;
    accept();
}

}  // namespace qb
