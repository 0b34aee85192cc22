#include "servo/ServoTypeDialog.h"

#include "decoder/DecoderIdentity.h"
#include "platform/GermanFormat.h"
#include "platform/Host.h"
#include "ui_ServoTypeDialog.h"

#include <QEvent>
#include <QRegularExpressionValidator>
#include <array>
#include <cmath>
#include <limits>

namespace qb {

namespace {

const QString Endless = QStringLiteral("Endlos");
// Neutral position of a 1.3 ms pulse: also the answer to an unknown pulse width.
const QString DefaultNeutral = QStringLiteral("28C0");

QString neutralOfBrand(int brand)
{
    switch (brand) {
    case 1:  // Graupner
    case 2:  // Futaba
    case 5:  // Simprop
        return QStringLiteral("2F04");
    case 3:  // Multiplex
        return QStringLiteral("3227");
    default:  // Robbe/Conrad, Hitec
        return DefaultNeutral;
    }
}

// The neutral position for a pulse width in milliseconds typed for "Anderes".
// "0" (the user does not know), nothing and anything unknown give 1.3 ms.
QString neutralOfPulseWidth(const QString& answer)
{
    struct Width {
        int tenths;
        const char* neutralHex;
    };
    static constexpr std::array<Width, 5> widths{{
        {13, "28C0"}, {14, "2BE2"}, {15, "2F04"}, {16, "3227"}, {17, "3549"},
    }};
    const std::optional<double> ms = parseNumber(answer);
    if (!ms)
        return DefaultNeutral;
    for (const Width& w : widths)
        if (std::abs(*ms * 10.0 - w.tenths) < 1e-6)
            return QString::fromLatin1(w.neutralHex);
    return DefaultNeutral;
}

// A whole number as typed; nothing for text that is not one.
std::optional<qint64> parseCount(const QString& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

QString hintFor(const QString& function)
{
    return QStringLiteral("Für die Einstellung ") + function + QStringLiteral(" wird empfohlen,\r\n") +
           QStringLiteral("die Option \"Strom abschalten\" auf \"Nein\" zu setzen !\r\n") +
           QStringLiteral("Wird der Strom für das Servo abgeschaltet, kann es\r\n") +
           QStringLiteral("zu einem Ruckeln des Servos beim Loslaufen kommen.");
}

}  // namespace

ServoTypeDialog::ServoTypeDialog(Host& host, OutputSettings& settings, const DecoderIdentity& identity,
                                 QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ServoTypeDialog>()), host_(host), settings_(settings),
      decoderId_(identity.DecoderId), pairedFamily_(identity.PairedFamily), protocolVariant_(identity.ProtocolVariant)
{
    ui_->setupUi(this);
    setModal(true);
    // The hint keeps its place while hidden: shown on focus, it must not push
    // the controls below away under the mouse.
    ui_->Text1->setText(hintFor(QStringLiteral("Flügelsignal")));
    QSizePolicy hintPolicy = ui_->Text1->sizePolicy();
    hintPolicy.setRetainSizeWhenHidden(true);
    ui_->Text1->setSizePolicy(hintPolicy);
    ui_->Text1->hide();
    // Digits only: a sign or letters would end up in the value word of the write.
    ui_->Nachfedern_wert->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,5}")), this));

    const std::array<std::pair<QRadioButton*, int>, 4> functions{{
        {ui_->Option10, 1}, {ui_->Option9, 2}, {ui_->Option8, 4}, {ui_->Option7, 8},
    }};
    for (const auto& [option, code] : functions) {
        connect(option, &QRadioButton::toggled, this, [this, code = code](bool on) {
            if (on)
                functionChosen(code);
        });
    }
    ui_->Option8->installEventFilter(this);
    ui_->Option9->installEventFilter(this);

    connect(ui_->W_dauernd, &QCheckBox::toggled, this, &ServoTypeDialog::endlessToggled);
    connect(ui_->Wiederholungen, &QLineEdit::textChanged, this, &ServoTypeDialog::repeatTextChanged);
    connect(ui_->Nachfedern_wert, &QLineEdit::textChanged, this, &ServoTypeDialog::bounceTextChanged);
    connect(ui_->Richtung, &QCheckBox::toggled, this, [this](bool on) { work_.DirectionReversed = on; });
    connect(ui_->Strom_abschalten, &QCheckBox::clicked, this, [this] { powerOffClicked_ = true; });
    connect(ui_->OKButton, &QPushButton::clicked, this, &ServoTypeDialog::confirm);
    connect(ui_->CancelButton, &QPushButton::clicked, this, &ServoTypeDialog::reject);

    load(settings);
}

ServoTypeDialog::~ServoTypeDialog() = default;

void ServoTypeDialog::load(const OutputSettings& from)
{
    loading_ = true;
    work_ = from;
    // Any stored count above 254 means endless; taken as such before the
    // repetition field sees it, or the 127 limit would cut it down.
    if (work_.FunctionCode == 8 && work_.RepeatCount > 254)
        work_.RepeatCount = EndlessRepeats;

    (work_.Polarity == 2 ? ui_->Option12 : ui_->Option11)->setChecked(true);
    switch (work_.FunctionCode) {
    case 1: ui_->Option10->setChecked(true); break;
    case 2: ui_->Option9->setChecked(true); break;
    case 4: ui_->Option8->setChecked(true); break;
    case 8: ui_->Option7->setChecked(true); break;
    default:
        // Nothing chosen yet: neither bounce nor repetitions apply.
        ui_->FrameNachfedern->hide();
        ui_->FrameWiederholungen->hide();
        break;
    }
    const std::array<QRadioButton*, 7> brands{ui_->Option1, ui_->Option2, ui_->Option3, ui_->Option4,
                                              ui_->Option5, ui_->Option6, ui_->Option13};
    if (work_.Brand >= 1 && work_.Brand <= 7)
        brands[work_.Brand - 1]->setChecked(true);
    showBounceBoxes();
    ui_->Strom_abschalten->setChecked(work_.PowerOff == 1);

    if (work_.FunctionCode == 8) {
        if (work_.RepeatCount == EndlessRepeats) {
            ui_->Wiederholungen->setText(Endless);
            // Only where the box is offered: a hidden, checked box would lock the
            // count field on decoders that cannot repeat endlessly by choice.
            ui_->W_dauernd->setChecked(endlessAvailable());
        } else {
            ui_->Wiederholungen->setText(QString::number(work_.RepeatCount));
            ui_->W_dauernd->setChecked(false);
        }
    } else {
        ui_->Nachfedern_wert->setText(QString::number(work_.BounceAmount));
    }

    const bool directionSettable = protocolVariant_ == 2;
    ui_->FrameDrehrichtung->setEnabled(directionSettable);
    ui_->Richtung->setVisible(directionSettable);
    if (directionSettable)
        ui_->Richtung->setChecked(work_.DirectionReversed);
    // The 4-way turnout decoder drives turnouts only, whatever the protocol variant.
    if (pairedFamily_ == 4) {
        ui_->Option7->setEnabled(false);
        ui_->Option8->setEnabled(false);
        ui_->Option9->setEnabled(false);
    }
    loading_ = false;
}

void ServoTypeDialog::functionChosen(int functionCode)
{
    switch (functionCode) {
    case 1:
        ui_->FrameNachfedern->hide();
        ui_->FrameWiederholungen->hide();
        break;
    case 2:
    case 4:
        ui_->FrameNachfedern->show();
        ui_->FrameWiederholungen->hide();
        showBounceBoxes();
        ui_->Nachfedern_wert->setText(QString::number(work_.BounceAmount));
        break;
    case 8:
        ui_->FrameNachfedern->hide();
        ui_->FrameWiederholungen->show();
        ui_->W_dauernd->setVisible(endlessAvailable());
        showRepeatCount();
        break;
    }
}

void ServoTypeDialog::showBounceBoxes()
{
    // 1 and 2 name one end only; the other box keeps what the user set.
    switch (work_.BounceCode) {
    case 0:
        ui_->Nachfedern_links->setChecked(false);
        ui_->Nachfedern_rechts->setChecked(false);
        break;
    case 1: ui_->Nachfedern_rechts->setChecked(true); break;
    case 2: ui_->Nachfedern_links->setChecked(true); break;
    case 3:
        ui_->Nachfedern_links->setChecked(true);
        ui_->Nachfedern_rechts->setChecked(true);
        break;
    }
}

void ServoTypeDialog::showRepeatCount()
{
    ui_->Wiederholungen->setText(work_.RepeatCount == EndlessRepeats ? Endless
                                                                     : QString::number(work_.RepeatCount));
}

void ServoTypeDialog::endlessToggled(bool endless)
{
    if (endless) {
        work_.RepeatCount = EndlessRepeats;
        if (ui_->Wiederholungen->text() != Endless)
            ui_->Wiederholungen->setText(Endless);
        ui_->Wiederholungen->setEnabled(false);
        return;
    }
    ui_->Wiederholungen->setEnabled(true);
    if (work_.RepeatCount == EndlessRepeats)
        work_.RepeatCount = 1;
    ui_->Wiederholungen->setText(QString::number(work_.RepeatCount));
}

void ServoTypeDialog::repeatTextChanged(const QString& text)
{
    if (ui_->W_dauernd->isChecked()) {
        work_.RepeatCount = EndlessRepeats;
        if (text != Endless)
            ui_->Wiederholungen->setText(Endless);
        return;
    }
    if (text == Endless || text.trimmed().isEmpty())
        return;
    // Text that is no number is left for OK to refuse.
    const std::optional<qint64> count = parseCount(text);
    if (!count)
        return;
    if (*count <= MaxRepeats) {
        work_.RepeatCount = static_cast<qint32>(*count);
        return;
    }
    if (!loading_)
        host_.message(QStringLiteral("Mehr als 127 Wiederholungen sind nicht möglich!"));
    if (work_.RepeatCount == EndlessRepeats) {
        ui_->Wiederholungen->setText(Endless);
    } else {
        work_.RepeatCount = MaxRepeats;
        ui_->Wiederholungen->setText(QString::number(MaxRepeats));
    }
}

void ServoTypeDialog::bounceTextChanged(const QString& text)
{
    if (text.trimmed().isEmpty()) {
        work_.BounceAmount = 0;
        return;
    }
    const std::optional<qint64> amount = parseCount(text);
    if (amount && *amount >= 0 && *amount <= std::numeric_limits<qint32>::max())
        work_.BounceAmount = static_cast<qint32>(*amount);
}

void ServoTypeDialog::confirm()
{
    const int brand = selectedBrand();
    if (brand == 0) {
        host_.message(QStringLiteral("Bitte ein Servo Fabrikat auswählen!"));
        return;
    }
    if (brand == 6) {
        if (!otherNeutral_) {
            const QString neutral = askOtherNeutral();
            if (neutral.isEmpty())
                return;  // the question was cancelled: stay in the dialog
            otherNeutral_ = neutral;
        }
        work_.NeutralHex = *otherNeutral_;
    } else {
        work_.NeutralHex = neutralOfBrand(brand);
    }
    work_.Brand = brand;

    const int function = selectedFunction();
    if (function == 0) {
        host_.message(QStringLiteral("Bitte auswählen, was vom Servo gesteuert wird!"));
        return;
    }
    work_.FunctionCode = function;

    const int polarity = selectedPolarity();
    if (polarity == 0) {
        host_.message(QStringLiteral("Bitte Pulsform auswählen!"));
        return;
    }
    work_.Polarity = polarity;

    const bool bounces = function == 2 || function == 4;
    // The bounce boxes are hidden for the other functions; what they still
    // hold must not reach the decoder.
    work_.BounceCode =
        bounces ? 2 * int(ui_->Nachfedern_links->isChecked()) + int(ui_->Nachfedern_rechts->isChecked()) : 0;

    if (function == 8) {
        const QString text = ui_->Wiederholungen->text();
        if (text.trimmed().isEmpty()) {
            host_.message(QStringLiteral("Im Feld \"Wiederholungen\" muss der Wert > 0 sein!"));
            return;
        }
        if (text == Endless) {
            work_.RepeatCount = EndlessRepeats;  // also when typed rather than chosen
        } else {
            const std::optional<qint64> count = parseCount(text);
            if (!count || *count <= 1) {
                host_.message(QStringLiteral("Im Feld \"Wiederholungen\" muss der Wert > 1 sein!"));
                return;
            }
        }
    }

    if (bounces) {
        const QString text = ui_->Nachfedern_wert->text().trimmed();
        const std::optional<qint64> amount = text.isEmpty() ? std::optional<qint64>(0) : parseCount(text);
        if (!amount || *amount < 0 || *amount > MaxBounceAmount) {
            host_.message(QStringLiteral("Im Feld \"Nachfedern\" sind nur Werte von 0 bis 20000 möglich!"));
            return;
        }
        work_.BounceAmount = static_cast<qint32>(*amount);
    }

    work_.PowerOff = ui_->Strom_abschalten->isChecked() ? 1 : 0;
    commit();
    cancelled_ = false;
    accept();
}

void ServoTypeDialog::commit()
{
    settings_.Brand = work_.Brand;
    settings_.NeutralHex = work_.NeutralHex;
    settings_.FunctionCode = work_.FunctionCode;
    settings_.Polarity = work_.Polarity;
    settings_.BounceCode = work_.BounceCode;
    settings_.BounceAmount = work_.BounceAmount;
    settings_.RepeatCount = work_.RepeatCount;
    settings_.PowerOff = work_.PowerOff;
    settings_.DirectionReversed = work_.DirectionReversed;
    // The read-back after the write then shows the power-off bit the decoder took.
    if (powerOffClicked_)
        settings_.TakePowerOffFromDecoder = true;
}

void ServoTypeDialog::reject()
{
    cancelled_ = true;
    QDialog::reject();
}

bool ServoTypeDialog::eventFilter(QObject* watched, QEvent* event)
{
    const bool semaphore = watched == ui_->Option9;
    if (semaphore || watched == ui_->Option8) {
        if (event->type() == QEvent::FocusIn) {
            ui_->Text1->setText(hintFor(semaphore ? QStringLiteral("Flügelsignal") : QStringLiteral("Bahnschranke")));
            ui_->Text1->show();
        } else if (event->type() == QEvent::FocusOut) {
            ui_->Text1->hide();
        }
    }
    return QDialog::eventFilter(watched, event);
}

int ServoTypeDialog::selectedBrand() const
{
    const std::array<QRadioButton*, 7> brands{ui_->Option1, ui_->Option2, ui_->Option3, ui_->Option4,
                                              ui_->Option5, ui_->Option6, ui_->Option13};
    for (int i = 0; i < int(brands.size()); ++i)
        if (brands[i]->isChecked())
            return i + 1;
    return 0;
}

int ServoTypeDialog::selectedFunction() const
{
    if (ui_->Option10->isChecked())
        return 1;
    if (ui_->Option9->isChecked())
        return 2;
    if (ui_->Option8->isChecked())
        return 4;
    if (ui_->Option7->isChecked())
        return 8;
    return 0;
}

int ServoTypeDialog::selectedPolarity() const
{
    if (ui_->Option11->isChecked())
        return 1;
    if (ui_->Option12->isChecked())
        return 2;
    return 0;
}

bool ServoTypeDialog::endlessAvailable() const
{
    return decoderId_ == QLatin1String("N7XC6645") || decoderId_ == QLatin1String("R5XC6645") ||
           decoderId_ == QLatin1String("R5-76645");
}

QString ServoTypeDialog::askOtherNeutral()
{
    const std::optional<QString> answer = host_.inputBox(
        QStringLiteral("Geben Sie den Wert für die Mittelstellung\r\n"
                       "in Millisekunden für das verwendete Servo an!\r\n"
                       "Mögliche Werte sind: 1,3  1,4  1,5  1,6  1,7\r\n\r\n"
                       "Wenn Sie den Wert nicht wissen, geben Sie eine \"0\" ein."),
        QStringLiteral("Mittelstellung"), QStringLiteral("0"));
    if (!answer)
        return {};
    return neutralOfPulseWidth(*answer);
}

}  // namespace qb
