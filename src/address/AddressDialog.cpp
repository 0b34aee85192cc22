#include "address/AddressDialog.h"

#include "address/AddressKeyboard.h"
#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "platform/WindowHost.h"
#include "session/DecoderSession.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace qb {

AddressDialog::AddressDialog(const WindowContext& context, AddressProtocol protocol, QWidget* parent)
    : QDialog(parent), context_(context), protocol_(std::move(protocol))
{
    setModal(true);
}

AddressDialog::~AddressDialog() = default;

void AddressDialog::load(const Controls& controls)
{
    c_ = controls;
    // Whole numbers without a leading zero: "0" and "007" are no addresses.
    c_.DCC_ADDR->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[1-9][0-9]{0,2}")), c_.DCC_ADDR));
    connect(c_.DCC_ADDR, &QLineEdit::textChanged, this, &AddressDialog::addressChanged);
    connect(c_.keyboard, &QComboBox::currentIndexChanged, this, &AddressDialog::selectionChanged);
    connect(c_.Taste, &QComboBox::currentIndexChanged, this, &AddressDialog::selectionChanged);
    connect(c_.OKButton, &QPushButton::clicked, this, &AddressDialog::confirm);
    connect(c_.CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    const DecoderSession& session = context_.session;
    // Filling the lists selects their first entries: the dialog starts on
    // block 1 - 8 with the first key pair.
    c_.keyboard->addItems(address::keyboardBlocks(protocol_.keyboardBlocks));
    c_.Taste->addItems(address::keyPairs(session.settings().OutputNumber, session.identity().OutputCount));
}

void AddressDialog::selectionChanged()
{
    const int block = c_.keyboard->currentIndex();
    const int keyPair = c_.Taste->currentIndex();
    if (block < 0 || keyPair < 0)
        return;
    const DecoderSession& session = context_.session;
    c_.DCC_ADDR->setText(QString::number(
        address::addressOf(block, keyPair, session.settings().OutputNumber, session.identity().OutputCount)));
}

void AddressDialog::addressChanged(const QString& text)
{
    if (text.isEmpty()) {
        c_.Virtuelle_Addr->clear();
        return;
    }
    const int address = text.toInt();
    if (address > protocol_.highestAddress) {
        context_.host.message(protocol_.fieldLimitText);
        c_.DCC_ADDR->setText(QString::number(protocol_.highestAddress));  // runs this reaction once more
        return;
    }
    const DecoderSession& session = context_.session;
    c_.Virtuelle_Addr->setText(QString::number(
        address::virtualAddress(address, session.settings().OutputNumber, session.identity().OutputCount)));
}

void AddressDialog::confirm()
{
    DecoderSession& session = context_.session;
    const Line::Operation operation = session.operation();
    if (!operation)
        return;
    const QString text = c_.DCC_ADDR->text();
    if (text.isEmpty())
        return;
    const int address = address::firstAddress(text.toInt(), session.identity().OutputCount);
    if (address > protocol_.highestAddress) {
        context_.host.message(protocol_.sendLimitText);
        return;
    }
    if (context_.host.message(QStringLiteral("Wollen Sie diese Adresse zum Decoder übertragen ?"), Buttons::YesNo) !=
        Answer::Yes)
        return;
    const Reply reply = session.exchange(protocol_.writeFrame(session.settings().TrafficLightGeneration, address));
    if (session.reportFailure(reply))
        return;  // the dialog stays open for another try
    const std::optional<commands::AddressAnswer> answer = commands::addressAnswer(reply.text);
    if (answer && protocol_.answeredAddress(*answer) != 0) {
        confirmed();
        return;
    }
    // The decoder answered, but with no address: it may or may not have
    // taken the new one, so the main window shows what it holds now.
    context_.host.message(texts::transferError());
    session.selectOutput(session.settings().OutputNumber);
}

void AddressDialog::confirmed()
{
    written_ = true;
    accept();
    DecoderSession& session = context_.session;
    session.selectOutput(session.settings().OutputNumber);
    // After the read, whose progress text would cover it.
    session.showStatus(protocol_.changedStatus);
}

}  // namespace qb
