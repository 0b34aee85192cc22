#include "servo/AdjustDialog.h"

#include "decoder/DecoderIdentity.h"
#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "memory/OutputSettings.h"
#include "platform/WindowHost.h"
#include "servo/HeldArrows.h"
#include "servo/PositionReply.h"
#include "servo/RunTestDialog.h"
#include "servo/ServoPanel.h"
#include "servo/UnstoredChanges.h"
#include "session/DecoderSession.h"
#include "session/ServoWrites.h"
#include "ui/WindowRegistry.h"
#include "ui/WindowSize.h"
#include "ui_AdjustDialog.h"
#include "ui_ServoPanel.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScopedValueRollback>

namespace qb {

using adjust::Side;

namespace {

// A button that is the natural next action is light red, an inactive one grey.
const QColor NextAction(255, 128, 128);
const QColor Inactive(212, 208, 200);

void paint(QPushButton* button, const QColor& colour)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, colour);
    button->setPalette(palette);
}

void enableRed(QPushButton* button)
{
    button->setEnabled(true);
    paint(button, NextAction);
}

void disableGrey(QPushButton* button)
{
    button->setEnabled(false);
    paint(button, Inactive);
}

const QString CancelCaption = QStringLiteral("Einstellen abbrechen");
const QString Endless = QStringLiteral("Endlos");
// A decoder that keeps answering another run time than it was sent is not
// sent its answer for ever.
constexpr int RunTimeRounds = 4;
// Arrow numbers ("HeldArrow"): left minus, left plus, right minus, right plus.
constexpr int LeftMinusArrow = 5;
constexpr int LeftPlusArrow = 6;
constexpr int RightMinusArrow = 7;
constexpr int RightPlusArrow = 8;

QString startCaption(Side side)
{
    return side == Side::Left ? QStringLiteral("Servo links einstellen") : QStringLiteral("Servo rechts einstellen");
}

QString sideWord(Side side)
{
    return side == Side::Left ? QStringLiteral("links") : QStringLiteral("rechts");
}

QString noBounceWithoutRunTime(Side side)
{
    return texts::lines({QStringLiteral("Wenn die Drehgeschwindigkeit nach ") + sideWord(side) + QStringLiteral(" null ist,"),
                         QStringLiteral("kann Nachfedern nicht eingestellt werden!"), {},
                         QStringLiteral("Nachfedern wird auf \"0\" gesetzt.")});
}

// Writes a field without running its reaction.
void writeQuietly(QLineEdit* field, const QString& text, bool& loading)
{
    const QScopedValueRollback quiet(loading, true);
    field->setText(text);
}

// A key that types a character rather than moving the cursor or the focus
// (or selecting and copying, which change nothing).
bool typesCharacter(const QKeyEvent& key)
{
    if (key.matches(QKeySequence::SelectAll) || key.matches(QKeySequence::Copy))
        return false;
    switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return false;
    case Qt::Key_Delete:
        return true;
    default:
        return !key.text().isEmpty();
    }
}

bool isDigitKey(const QKeyEvent& key)
{
    return key.text().size() == 1 && key.text()[0] >= '0' && key.text()[0] <= '9';
}

bool erases(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Backspace || key.key() == Qt::Key_Delete;
}

}  // namespace

AdjustDialog::AdjustDialog(WindowContext context, ServoPanel& panel, QWidget* parent)
    : QDialog(parent), context_(context), panel_(panel), ui_(std::make_unique<Ui::AdjustDialog>())
{
    ui_->setupUi(this);
    setModal(true);
    Ui::ServoPanel& main = panel_.ui();
    ends_[0] = {ui_->Linker_Wert, main.Linker_Wert, ui_->Command22, ui_->Command4, ui_->Command9,
                {ui_->Command3_0, ui_->Command3_1, ui_->Command16_0, ui_->Command16_1, ui_->Command17_0, ui_->Command17_1}};
    ends_[1] = {ui_->Rechter_Wert, main.Rechter_Wert, ui_->Command23, ui_->Command2, ui_->Command10,
                {ui_->Command1_0, ui_->Command1_1, ui_->Command14_0, ui_->Command14_1, ui_->Command15_0, ui_->Command15_1}};
    runTimes_[0] = {ui_->Laufzeit_links, ui_->Command5, ui_->Command6, ui_->links_sekunden, ui_->Command12, ui_->Command19};
    runTimes_[1] = {ui_->Laufzeit_rechts, ui_->Command7, ui_->Command8, ui_->rechts_sekunden, ui_->Command13, ui_->Command20};
    arrows_ = std::make_unique<HeldArrows>(context_.host, [this](int arrow, bool pressed) { return stepRunTime(arrow, pressed); });
    connectControls();
    load();
}

AdjustDialog::~AdjustDialog()
{
    // However the window went, the decoder's power-off setting may be pushed again.
    settings().SuppressPowerOffPush = false;
}

DecoderSession& AdjustDialog::session()
{
    return context_.session;
}

OutputSettings& AdjustDialog::settings()
{
    return context_.session.settings();
}

const DecoderIdentity& AdjustDialog::identity()
{
    return context_.session.identity();
}

UnstoredChanges& AdjustDialog::unstored()
{
    return panel_.AdjustChanges;
}

QString AdjustDialog::name()
{
    return session().outputName(settings().OutputNumber);
}

bool& AdjustDialog::positionChanged(Side side)
{
    return side == Side::Left ? unstored().LeftPosChanged : unstored().RightPosChanged;
}

bool& AdjustDialog::runTimeChanged(Side side)
{
    return side == Side::Left ? unstored().RunTimeLeftChanged : unstored().RunTimeRightChanged;
}

void AdjustDialog::setStepsEnabled(Side side, bool enabled)
{
    for (QPushButton* button : end(side).steps)
        button->setEnabled(enabled);
}

qint64 AdjustDialog::travel()
{
    return std::llabs(adjust::wholeNumber(ui_->Linker_Wert->text()) - adjust::wholeNumber(ui_->Rechter_Wert->text()));
}

qint64 AdjustDialog::runTimeValue(Side side)
{
    return adjust::wholeNumber(runTime(side).field->text());
}

void AdjustDialog::connectControls()
{
    for (Side side : {Side::Left, Side::Right}) {
        End& e = end(side);
        static constexpr std::array<int, 3> sizes{10, 100, 250};
        for (int k = 0; k < 6; ++k)
            connect(e.steps[k], &QPushButton::clicked, this, [this, side, k] { step(side, k % 2 == 0, sizes[k / 2]); });
        connect(e.start, &QPushButton::clicked, this, [this, side] { startOrCancel(side); });
        connect(e.store, &QPushButton::clicked, this, [this, side] { storeEnd(side); });
        connect(e.turn, &QPushButton::clicked, this, [this, side] { turnClicked(side); });
        e.field->installEventFilter(this);

        RunTime& r = runTime(side);
        connect(r.field, &QLineEdit::textChanged, this, [this, side] { runTimeEdited(side); });
        connect(r.store, &QPushButton::clicked, this, [this, side] { storeRunTime(side); });
        // The left column's test runs towards the left end.
        connect(r.test, &QPushButton::clicked, this, [this, side] { openRunTest(side); });
        r.field->installEventFilter(this);
        const bool left = side == Side::Left;
        arrows_->add(*r.minus, left ? LeftMinusArrow : RightMinusArrow);
        arrows_->add(*r.plus, left ? LeftPlusArrow : RightPlusArrow);
    }
    connect(ui_->Command18, &QPushButton::clicked, this, &AdjustDialog::middlePosition);
    connect(ui_->Command11, &QPushButton::clicked, this, &AdjustDialog::closeWindow);
    connect(ui_->Command21, &QPushButton::clicked, this, &AdjustDialog::storeBounce);
    connect(ui_->Nachfedern_links, &QCheckBox::toggled, this, [this](bool checked) { bounceSideToggled(2, checked); });
    connect(ui_->Nachfedern_rechts, &QCheckBox::toggled, this, [this](bool checked) { bounceSideToggled(1, checked); });
    connect(ui_->Nachfedern_wert, &QLineEdit::textChanged, this, &AdjustDialog::amountChanged);
    connect(ui_->Nachfedern_prozent, &QLineEdit::textChanged, this, &AdjustDialog::percentChanged);
    connect(ui_->Wiederholungen, &QLineEdit::textChanged, this, &AdjustDialog::repeatsChanged);
    connect(ui_->W_dauernd, &QCheckBox::toggled, this, &AdjustDialog::endlessToggled);
    for (QLineEdit* typed : {ui_->Nachfedern_prozent, ui_->Wiederholungen})
        typed->installEventFilter(this);
    // Text reaches the fields by keys only, so that the key rules hold.
    for (QLineEdit* field : findChildren<QLineEdit*>()) {
        field->setContextMenuPolicy(Qt::NoContextMenu);
        field->setAcceptDrops(false);
    }
}

// --- Loading ---------------------------------------------------------------------

void AdjustDialog::load()
{
    const OutputSettings& s = settings();
    const DecoderIdentity& id = identity();
    setWindowTitle(id.outputName(s.OutputNumber) + ' ' + adjust::functionName(s.FunctionCode, id.PairedFamily) +
                   QStringLiteral(" einstellen"));
    // The positions first: the run-time panel measures its travel between them.
    ui_->IST_Pos->setText(QString::number(s.ActualPos));
    ui_->Linker_Wert->setText(QString::number(s.LeftPos));
    ui_->Rechter_Wert->setText(QString::number(s.RightPos));
    {
        const QScopedValueRollback loading(fieldsLoading_, true);
        loadRunTimePanel();
    }
    if (panel_.AtLeftEnd)
        disableGrey(ui_->Command9);
    else
        enableRed(ui_->Command9);
    if (panel_.AtRightEnd)
        disableGrey(ui_->Command10);
    else
        enableRed(ui_->Command10);
    turnButtonsFollow_ = true;
    if (id.PairedFamily == 4) {
        const auto [first, second] = adjust::pairedServoNames(s.OutputNumber - 1);
        ui_->Label3_0->setText(first);
        ui_->Label3_1->setText(second);
        ui_->Label3_0->setIndent(twipsToPixels(QSize(160, 0)).width());
        ui_->Label3_1->setIndent(twipsToPixels(QSize(260, 0)).width());
    }
    disableGrey(ui_->Command4);
    disableGrey(ui_->Command2);
    for (QPushButton* button : {ui_->Command22, ui_->Command23, ui_->Command12, ui_->Command13, ui_->Command21})
        enableRed(button);
    settings().SuppressPowerOffPush = true;
}

void AdjustDialog::loadRunTimePanel()
{
    const OutputSettings& s = settings();
    bounceCode_ = s.BounceCode;
    qint32 bounceAmount = s.BounceAmount;
    switch (s.FunctionCode) {
    case 1:
        ui_->Command21->hide();
        bounceCode_ = 0;
        break;
    case 2:
    case 4:
        ui_->Frame1->show();
        ui_->Command21->setText(QStringLiteral("Neue Werte für das Nachfedern speichern"));
        ui_->Command21->show();
        break;
    case 8: {
        ui_->Frame1->hide();
        ui_->Frame2->show();
        ui_->Command21->setText(QStringLiteral("Wiederholungen speichern"));
        ui_->Command21->show();
        const QString& id = identity().DecoderId;
        ui_->W_dauernd->setVisible(id == QLatin1String("N7XC6645") || id == QLatin1String("R5XC6645") ||
                                   id == QLatin1String("R5-76645"));
        break;
    }
    default:
        break;
    }
    ui_->Laufzeit_rechts->setText(QString::number(s.RunTimeRight));
    ui_->Laufzeit_links->setText(QString::number(s.RunTimeLeft));
    const qint64 distance = std::llabs(qint64(s.LeftPos) - s.RightPos);
    ui_->links_sekunden->setText(adjust::travelTimeText(distance, s.RunTimeLeft));
    ui_->rechts_sekunden->setText(adjust::travelTimeText(distance, s.RunTimeRight));
    if (bounceCode_ > 0 && s.FunctionCode != 8)
        ui_->Frame1->show();
    ui_->Nachfedern_links->setChecked(bounceCode_ & 2);
    ui_->Nachfedern_rechts->setChecked(bounceCode_ & 1);
    if (bounceCode_ == 0)
        bounceAmount = 0;
    {
        // The amount's reaction fills the percentage.
        const QScopedValueRollback percentLoading(bouncePercentLoading_, true);
        ui_->Nachfedern_wert->setText(QString::number(bounceAmount));
    }
    if (s.RepeatCount > 254) {
        ui_->Wiederholungen->setText(Endless);
        ui_->W_dauernd->setChecked(true);
    } else {
        ui_->Wiederholungen->setText(QString::number(s.RepeatCount));
    }
}

// --- End positions ---------------------------------------------------------------

void AdjustDialog::startOrCancel(Side side)
{
    const Line::Operation operation = session().operation();
    if (!operation)
        return;
    End& own = end(side);
    End& other = end(adjust::otherSide(side));
    if (own.start->text() != CancelCaption) {
        own.start->setText(CancelCaption);
        setStepsEnabled(side, true);
        disableGrey(ui_->Command9);
        disableGrey(ui_->Command10);
        disableGrey(other.start);
        ui_->Frame10->setEnabled(false);
        turnButtonsFollow_ = false;
        turn(side);
        if (identity().ProtocolVariant == 2) {
            own.field->setReadOnly(false);
            own.field->setFocus();
        }
        return;
    }
    if (positionChanged(side)) {
        context_.host.message(texts::lines({QStringLiteral("Sie können nicht mehr abbrechen, weil Sie die"),
                                            (side == Side::Left ? QStringLiteral("linke") : QStringLiteral("rechte")) +
                                                QStringLiteral(" Servoposition bereits verändert haben!")}));
        return;
    }
    own.start->setText(startCaption(side));
    setStepsEnabled(side, false);
    disableGrey(ui_->Command9);
    disableGrey(ui_->Command10);
    enableRed(other.start);
    ui_->Frame10->setEnabled(true);
    // Typing is part of the adjustment only.
    own.field->setReadOnly(true);
    turn(side);
}

void AdjustDialog::step(Side side, bool plus, int size)
{
    if (stepBusy_.isSet())
        return;
    const Line::Operation operation = session().operation();
    if (!operation)
        return;
    End& own = end(side);
    End& other = end(adjust::otherSide(side));
    if (side == Side::Left ? panel_.AtRightEnd : panel_.AtLeftEnd)
        turn(side);
    // The servo stands at this end now, and the end counts as changed even
    // when the step is refused below.
    panel_.AtLeftEnd = side == Side::Left;
    panel_.AtRightEnd = side == Side::Right;
    positionChanged(side) = true;
    disableGrey(ui_->Command9);
    disableGrey(ui_->Command10);
    enableRed(own.store);
    disableGrey(other.store);
    setStepsEnabled(adjust::otherSide(side), false);
    ui_->Frame10->setEnabled(false);

    const QString refusal = adjust::stepRefusal(side, plus, adjust::wholeNumber(own.field->text()), size,
                                                adjust::wholeNumber(other.field->text()), identity().PairedOutputs);
    if (!refusal.isEmpty()) {
        context_.host.message(refusal);
        return;
    }
    const std::uint8_t direction = plus ? commands::StepAwayFromMiddle : commands::StepTowardsMiddle;
    const std::uint8_t units = static_cast<std::uint8_t>(size);
    std::optional<int> position;
    {
        const CountedFlag::Hold busy = stepBusy_.hold();
        position = exchangeForPosition(session(), side == Side::Left ? commands::leftStep(direction, units)
                                                                     : commands::rightStep(direction, units));
    }
    if (!position)
        return;
    disableGrey(own.turn);
    const bool placed = side == Side::Left && size == 250;
    session().showStatus(name() + (placed ? QStringLiteral(" nach links positionieren!") : QStringLiteral(" nach rechts drehen!")));
    ui_->IST_Pos->setText(QString::number(*position));
    own.field->setText(QString::number(*position));
    enableRed(own.store);
}

bool AdjustDialog::storeEnd(Side side)
{
    const Line::Operation operation = session().operation();
    if (!operation)
        return false;
    End& own = end(side);
    End& other = end(adjust::otherSide(side));
    const bool left = side == Side::Left;
    if (identity().ProtocolVariant == 2) {
        // The field may have been typed into: the value goes to the decoder first.
        const qint64 value = adjust::wholeNumber(own.field->text());
        const QString refusal = adjust::typedValueRefusal(side, value, adjust::wholeNumber(other.field->text()),
                                                          identity().PairedOutputs);
        if (!refusal.isEmpty()) {
            context_.host.message(refusal);
            own.field->setText(own.panelField->text());
            own.start->setText(startCaption(side));
            return false;
        }
        const int n = settings().OutputNumber;
        const auto v = static_cast<quint32>(value);
        if (session().reportFailure(session().exchange(left ? commands::setLeft(n, v) : commands::setRight(n, v))))
            return false;
    }
    if (session().reportFailure(session().exchange(left ? commands::storeLeft() : commands::storeRight())))
        return false;
    positionChanged(side) = false;
    disableGrey(own.store);
    session().showStatus(name() + (left ? QStringLiteral(" linke Position gespeichert!") : QStringLiteral(" rechte Position gespeichert!")));
    session().readOutput();
    disableGrey(own.turn);
    enableRed(other.turn);
    setStepsEnabled(side, false);
    enableRed(other.start);
    ui_->Frame10->setEnabled(true);
    own.start->setText(startCaption(side));
    own.field->setReadOnly(true);
    // The travel changed: its time is shown anew, and the run time goes to
    // the decoder again without counting as a change.
    const QScopedValueRollback recalcOnly(runTimeRecalcOnly_, true);
    runTimeEdited(side);
    return true;
}

void AdjustDialog::turnClicked(Side side)
{
    const Line::Operation operation = session().operation();
    if (!operation)
        return;
    turn(side);
}

bool AdjustDialog::turn(Side side)
{
    const bool left = side == Side::Left;
    if (session().reportFailure(session().exchange(left ? commands::turnLeft() : commands::turnRight())))
        return false;
    session().showStatus(name() + (left ? QStringLiteral(" nach links drehen!") : QStringLiteral(" nach rechts drehen!")));
    // The servo stands at the end the dialog shows, in both windows.
    const QString position = end(side).field->text();
    ui_->IST_Pos->setText(position);
    panel_.ui().IST_Pos->setText(position);
    panel_.AtLeftEnd = left;
    panel_.AtRightEnd = !left;
    if (turnButtonsFollow_) {
        disableGrey(end(side).turn);
        enableRed(end(adjust::otherSide(side)).turn);
    }
    turnButtonsFollow_ = true;
    return true;
}

void AdjustDialog::middlePosition()
{
    const Line::Operation operation = session().operation();
    if (!operation)
        return;
    const DecoderIdentity& id = identity();
    const int n = settings().OutputNumber;
    const QString neutral = panel_.ui().Neutralstellung->text();
    if (neutral != ui_->Rechter_Wert->text() || neutral != ui_->Linker_Wert->text()) {
        // The special decoder's pairs have no middle worth naming.
        const QString lastLine = id.PairedFamily == 5 ? QString() : middlePositionLine(id.PairedFamily, n, neutral);
        const QString question = texts::lines(
            {QStringLiteral("Die linken/rechten Endstellungen wurden schon eingestellt!"), {},
             QStringLiteral("Wollen Sie das ") + id.outputName(n) + QStringLiteral(" wirklich in die Mittelstellung fahren?"),
             {}, lastLine});
        if (context_.host.message(question, Buttons::YesNo) != Answer::Yes)
            return;
    }
    const std::optional<int> position = exchangeForPosition(session(), commands::middlePosition());
    if (!position)
        return;
    session().showStatus(name() + QStringLiteral(" Mittelstellung angefahren!"));
    const QString text = QString::number(*position);
    ui_->IST_Pos->setText(text);
    settings().ActualPos = *position;
    panel_.ui().IST_Pos->setText(text);
    panel_.ui().SOLL_Pos->setText(text);
    enableRed(ui_->Command9);
    enableRed(ui_->Command10);
    if (panel_.NotifyMiddle)
        context_.host.message(QStringLiteral("Servo ist jetzt in der Mittelstellung"));
}

bool AdjustDialog::endFieldKey(Side side, const QKeyEvent& key)
{
    End& own = end(side);
    // Outside protocol variant 2, and outside the adjustment, the field
    // cannot change: a key there is no change.
    if (identity().ProtocolVariant != 2 || own.field->isReadOnly())
        return false;
    // Even a key that is discarded marks the end as changed.
    positionChanged(side) = true;
    enableRed(own.store);
    return !isDigitKey(key) && !erases(key);
}

// --- Run times ---------------------------------------------------------------------

void AdjustDialog::runTimeEdited(Side side)
{
    if (fieldsLoading_)
        return;
    const Line::Operation operation = session().operation();
    if (!operation)
        return;
    for (int round = 0; round < RunTimeRounds && sendRunTime(side); ++round) {
    }
}

bool AdjustDialog::sendRunTime(Side side)
{
    RunTime& r = runTime(side);
    QLineEdit* field = r.field;
    const qint64 distance = travel();
    double value = adjust::typedNumber(field->text()).value_or(0);
    if (value <= 0) {
        value = 0;
        writeQuietly(field, QStringLiteral("0"), fieldsLoading_);
        // Bounce needs the servo slowed down.
        if (adjust::wholeNumber(ui_->Nachfedern_wert->text()) != 0) {
            clearBounce();
            unstored().BounceRepeatChanged = true;
        }
    } else if (static_cast<double>(distance) / value < 2) {
        arrows_->release();
        context_.host.message(texts::lines({QStringLiteral("Der eingegebene Wert ") + field->text() +
                                                QStringLiteral(" ist zu hoch !"),
                                            {}, QStringLiteral("Der Wert wird korregiert.")}));
        writeQuietly(field, adjust::halfTravelText(distance), fieldsLoading_);
        value = static_cast<double>(distance) / 2;
    }
    r.seconds->setText(adjust::travelTimeText(distance, value));
    if (!runTimeRecalcOnly_)
        runTimeChanged(side) = true;
    const quint32 sent = adjust::runTimeToSend(value);
    const std::optional<int> answered =
        exchangeForPosition(session(), side == Side::Left ? commands::runTimeLeft(sent) : commands::runTimeRight(sent));
    if (!answered) {
        arrows_->release();
        return false;
    }
    session().showStatus(name() + QStringLiteral(" Drehgeschwindigkeit ") + sideWord(side) + '!');
    // The decoder says which run time it uses; another one is taken and
    // checked like a typed one.
    const QString text = QString::number(*answered);
    if (text == field->text())
        return false;
    writeQuietly(field, text, fieldsLoading_);
    return true;
}

bool AdjustDialog::stepRunTime(int arrow, bool pressed)
{
    // A repetition that falls due while an exchange waits is left out: the
    // held arrow steps again once the decoder has answered.
    const Line::Operation operation = pressed ? session().operation() : session().line().beginQuietly();
    if (!operation)
        return false;
    const Side side = arrow <= LeftPlusArrow ? Side::Left : Side::Right;
    const bool plus = arrow == LeftPlusArrow || arrow == RightPlusArrow;
    const qint64 value = runTimeValue(side);
    if (plus ? value < adjust::HighestRunTime : value > 0)
        runTime(side).field->setText(QString::number(value + (plus ? 1 : -1)));
    return true;
}

bool AdjustDialog::storeRunTime(Side side)
{
    const Line::Operation operation = session().operation();
    if (!operation)
        return false;
    const bool left = side == Side::Left;
    if (session().reportFailure(session().exchange(left ? commands::storeRunTimeLeft() : commands::storeRunTimeRight())))
        return false;
    runTimeChanged(side) = false;
    session().showStatus(name() + (left ? QStringLiteral(" linke Drehgeschwindigkeit gespeichert!")
                                        : QStringLiteral(" rechte Drehgeschwindigkeit gespeichert!")));
    session().readOutput();
    return true;
}

void AdjustDialog::openRunTest(Side towards)
{
    {
        // Not opened while the decoder is being talked to: its buttons could not act.
        const Line::Operation operation = session().operation();
        if (!operation)
            return;
    }
    RunTestDialog test(context_, towards, this);
    context_.closedOnReconnect.add(test);
    context_.host.runModal(test);
    if (const std::optional<int> position = test.stoppedAt()) {
        const QString text = QString::number(*position);
        ui_->IST_Pos->setText(text);
        panel_.ui().IST_Pos->setText(text);
        panel_.ui().SOLL_Pos->setText(text);
    }
}

// --- Bounce and repetitions --------------------------------------------------------

void AdjustDialog::bounceSideToggled(int bit, bool checked)
{
    if (fieldsLoading_)
        return;
    bounceCode_ = checked ? bounceCode_ | bit : bounceCode_ & ~bit;
    unstored().BounceRepeatChanged = true;
}

void AdjustDialog::amountChanged()
{
    if (bounceAmountLoading_)
        return;
    QLineEdit* amountField = ui_->Nachfedern_wert;
    if (settings().FunctionCode == 8) {
        writeQuietly(amountField, QStringLiteral("0"), bounceAmountLoading_);
        return;
    }
    const double amount = adjust::typedNumber(amountField->text()).value_or(0);
    if (amount > 0) {
        for (Side side : {Side::Left, Side::Right}) {
            if (runTimeValue(side) == 0) {
                context_.host.message(noBounceWithoutRunTime(side));
                clearBounce();
                return;
            }
        }
    }
    if (amount <= 0) {
        clearBounce();
        return;
    }
    ui_->Nachfedern_prozent->setText(adjust::bouncePercentText(amount, adjust::wholeNumber(ui_->Linker_Wert->text()),
                                                               adjust::wholeNumber(ui_->Rechter_Wert->text())));
    if (!fieldsLoading_)
        unstored().BounceRepeatChanged = true;
}

void AdjustDialog::percentChanged()
{
    if (bouncePercentLoading_)
        return;
    const QString text = ui_->Nachfedern_prozent->text();
    const double percent = adjust::typedNumber(text).value_or(0);
    const bool before = adjust::wholeNumber(ui_->Nachfedern_wert->text()) != 0;
    // A bounce set back to nothing is a change like any other.
    auto cleared = [&] {
        clearBounce();
        if (before && !fieldsLoading_)
            unstored().BounceRepeatChanged = true;
    };
    if (settings().FunctionCode == 8 || text.isEmpty())
        return cleared();
    if (percent > 0) {
        for (Side side : {Side::Left, Side::Right}) {
            if (runTimeValue(side) == 0) {
                context_.host.message(noBounceWithoutRunTime(side));
                return cleared();
            }
        }
    }
    if (percent > adjust::MaxBouncePercent) {
        context_.host.message(texts::lines({QStringLiteral("Der Prozentsatz zum Nachfedern kann nicht grösser als 99 sein!"),
                                            {}, QStringLiteral("Nachfedern wird auf \"0\" gesetzt.")}));
        return cleared();
    }
    if (percent <= 0)
        return cleared();
    writeQuietly(ui_->Nachfedern_wert,
                 adjust::bounceAmountText(percent, adjust::wholeNumber(ui_->Linker_Wert->text()),
                                          adjust::wholeNumber(ui_->Rechter_Wert->text())),
                 bounceAmountLoading_);
    if (!fieldsLoading_)
        unstored().BounceRepeatChanged = true;
}

void AdjustDialog::clearBounce()
{
    const QScopedValueRollback percentLoading(bouncePercentLoading_, true);
    const QScopedValueRollback amountLoading(bounceAmountLoading_, true);
    ui_->Nachfedern_wert->setText(QStringLiteral("0"));
    // A percentage that reads 0 as typed so far ("0,") stays, so that the
    // user can go on to "0,5".
    if (adjust::typedNumber(ui_->Nachfedern_prozent->text()).value_or(-1) != 0)
        ui_->Nachfedern_prozent->setText(QStringLiteral("0"));
}

void AdjustDialog::repeatsChanged()
{
    if (fieldsLoading_)
        return;
    unstored().BounceRepeatChanged = true;
    QLineEdit* field = ui_->Wiederholungen;
    if (field->text().isEmpty())
        return;
    if (ui_->W_dauernd->isChecked()) {
        writeQuietly(field, Endless, fieldsLoading_);
        return;
    }
    const std::optional<double> count = adjust::typedNumber(field->text());
    if (!count)
        return;
    if (*count > adjust::MaxRepeats) {
        context_.host.message(QStringLiteral("Mehr als 127 Wiederholungen sind nicht möglich!"));
        writeQuietly(field, QString::number(adjust::MaxRepeats), fieldsLoading_);
    } else if (*count < adjust::MinRepeats) {
        context_.host.message(QStringLiteral("Weniger als 2 Wiederholungen sind nicht möglich!"));
        writeQuietly(field, QString::number(adjust::MinRepeats), fieldsLoading_);
    }
}

void AdjustDialog::endlessToggled(bool endless)
{
    // Cleared, the field starts again from 1, which its reaction raises to 2.
    ui_->Wiederholungen->setText(endless ? Endless : QStringLiteral("1"));
    ui_->Wiederholungen->setEnabled(!endless);
}

bool AdjustDialog::storeBounce()
{
    const Line::Operation operation = session().operation();
    if (!operation)
        return false;
    const OutputSettings& s = settings();
    const std::optional<quint32> value =
        adjust::bounceStoreValue(s.FunctionCode, ui_->Wiederholungen->text(), ui_->Nachfedern_wert->text());
    // Settings that were not read from this output are never written to it.
    if (!value || !session().selectedOutputRead())
        return false;
    commands::ServoConfig config = servoConfigFor(s, s.OutputNumber, identity().ProtocolVariant);
    config.bounceCode = bounceCode_;
    config.valueWord = *value;
    if (session().reportFailure(requireAcknowledgement(session().exchange(commands::servoConfigWrite(config)))))
        return false;
    unstored().BounceRepeatChanged = false;
    session().showStatus(QStringLiteral("Servo ") + QString::number(s.OutputNumber) +
                         QStringLiteral(" Daten für Abfedern geändert!"));
    session().readOutput();
    return true;
}

// --- Closing -----------------------------------------------------------------------

void AdjustDialog::closeWindow()
{
    const Line::Operation operation = session().operation();
    if (!operation)
        return;
    UnstoredChanges& changes = unstored();
    if (changes.any()) {
        const Answer answer = context_.host.message(
            texts::lines({QStringLiteral("Sie haben noch nicht alle Eingaben oder Veränderungen gespeichert?"),
                          QStringLiteral("Wollen Sie diese jetzt im Decoder speichern?")}),
            Buttons::YesNoCancel);
        if (answer == Answer::Cancel)
            return;
        if (answer == Answer::No) {
            changes.clear();
        } else {
            // Each store reads the output back; the bounce sides stay this
            // dialog's all the same.
            if (changes.LeftPosChanged)
                storeEnd(Side::Left);
            if (changes.RightPosChanged)
                storeEnd(Side::Right);
            if (changes.RunTimeLeftChanged)
                storeRunTime(Side::Left);
            if (changes.RunTimeRightChanged)
                storeRunTime(Side::Right);
            if (changes.BounceRepeatChanged)
                storeBounce();
        }
    }
    settings().SuppressPowerOffPush = false;
    if (identity().ProtocolVariant == 2 && panel_.ui().Strom_aus->isChecked() && !panel_.switchAdjustPower(false)) {
        // Without an answer the window stays, so that the user can close again.
        settings().SuppressPowerOffPush = true;
        return;
    }
    session().readOutput();
    accept();
}

void AdjustDialog::reject()
{
    closeWindow();
}

void AdjustDialog::closeEvent(QCloseEvent* event)
{
    if (event->spontaneous()) {
        // The window's frame: as "Fenster schliessen", which closes it itself.
        event->ignore();
        closeWindow();
        return;
    }
    // The program closes it (a reconnect): nothing is asked, nothing sent.
    event->accept();
    QDialog::done(QDialog::Rejected);
}

bool AdjustDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto& key = *static_cast<QKeyEvent*>(event);
    if (!typesCharacter(key))
        return QDialog::eventFilter(watched, event);
    for (Side side : {Side::Left, Side::Right}) {
        if (watched == end(side).field)
            return endFieldKey(side, key);
        if (watched == runTime(side).field) {
            if (!isDigitKey(key) && !erases(key))
                return true;
            // The change would have to go to the decoder while it is being
            // talked to: refused like a click.
            if (session().line().busy()) {
                context_.host.beep();
                return true;
            }
            return false;
        }
    }
    if (watched == ui_->Nachfedern_prozent)
        return !isDigitKey(key) && !erases(key) && key.text() != QLatin1String(",");
    if (watched == ui_->Wiederholungen)
        return !isDigitKey(key) && !erases(key);
    return QDialog::eventFilter(watched, event);
}

}  // namespace qb
