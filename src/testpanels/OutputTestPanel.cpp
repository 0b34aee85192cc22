#include "testpanels/OutputTestPanel.h"

#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "memory/ConfigBlock.h"
#include "platform/WindowHost.h"
#include "session/Connection.h"
#include "session/DecoderSession.h"
#include "ui/ActivationWatch.h"
#include "ui/WindowRegistry.h"
#include "ui_OutputTestPanel.h"

#include <QAction>
#include <QColor>
#include <QKeyEvent>
#include <QMenuBar>
#include <optional>
#include <utility>

namespace qb {

// What one test window has of its own.
struct TestPanelDesign {
    TestPanelKind kind;
    const char* objectName;
    QString title;
    int outputs;
    QString outputWord;  // the labels: "Servo 1", "Spule 1"
    // The 4-way turnout decoder: two servos an output, one label over two outputs.
    bool servoPairs;
    QStringList noteLines;
    bool readsOnOpening;
    // The coil panel: which button sends which command follows the stored digit.
    bool directionByDigit;
    // The output the identification after closing reads again; 0 a full one.
    int closingTestOutput;
    bool modal;
    bool portMenu;
};

namespace {

using Panel = TestPanelKind;

const TestPanelDesign& designOf(TestPanelKind kind)
{
    static const TestPanelDesign designs[] = {
        {Panel::FourFold, "Test4fach", QStringLiteral("4-fach Servo Decoder Test"), 4, QStringLiteral("Servo"), false,
         {QStringLiteral("Note:"), QStringLiteral("Zum Steuern der "), QStringLiteral("Servos kann auch "),
          QStringLiteral("die Tastatur verwendet werden.")},
         true, false, 0, true, false},
        {Panel::EightFold, "Test8fach", QStringLiteral("8-fach Servo Decoder Steuerung"), 8, QStringLiteral("Servo"),
         false,
         {QStringLiteral("Note:"), QStringLiteral("Zum Steuern der "), QStringLiteral("Servos kann auch die "),
          QStringLiteral("Tastatur verwendet werden.")},
         true, false, 1, true, true},
        {Panel::FourWay, "Test4Weiche", QStringLiteral("4 Wegeweichen Servo-Decoder Test"), 8, QStringLiteral("Servo"),
         true,
         {QStringLiteral("Note:"), QStringLiteral("Zum Steuern der "), QStringLiteral("Servos kann "),
          QStringLiteral("auch die Tastatur "), QStringLiteral("verwendet werden.")},
         false, false, 0, true, false},
        {Panel::Coil, "Test_Spule", QStringLiteral("8-fach Spulen Test"), 8, QStringLiteral("Spule"), false,
         {QStringLiteral("Note:"), QStringLiteral("Zum Schalten der "), QStringLiteral("Spulen können Sie "),
          QStringLiteral("auch die Tastatur "), QStringLiteral("verwenden.")},
         true, true, 1, false, false},
    };
    for (const TestPanelDesign& design : designs)
        if (design.kind == kind)
            return design;
    return designs[0];
}

// First and second key of each output; the letters as on a German keyboard,
// Y before X in the bottom row.
constexpr std::array<std::pair<Qt::Key, Qt::Key>, OutputTestPanel::MaxOutputs> KeyMap{{
    {Qt::Key_1, Qt::Key_2},
    {Qt::Key_3, Qt::Key_4},
    {Qt::Key_Q, Qt::Key_W},
    {Qt::Key_E, Qt::Key_R},
    {Qt::Key_A, Qt::Key_S},
    {Qt::Key_D, Qt::Key_F},
    {Qt::Key_Y, Qt::Key_X},
    {Qt::Key_C, Qt::Key_V},
}};

Qt::Key keyOf(int k, int b)
{
    return b == 0 ? KeyMap[k - 1].first : KeyMap[k - 1].second;
}

// Output and button a key presses on a panel of `outputs` outputs.
std::optional<std::pair<int, int>> buttonOfKey(int key, int outputs)
{
    for (int k = 1; k <= outputs; ++k)
        for (int b = 0; b <= 1; ++b)
            if (key == keyOf(k, b))
                return std::pair{k, b};
    return std::nullopt;
}

// "1a+1b", "1c+1d", "2a+2b" ... for outputs 1..8 of the 4-way turnout decoder.
QString servoPair(int k)
{
    const QString servo = QString::number((k + 1) / 2);
    return k % 2 == 1 ? servo + "a+" + servo + 'b' : servo + "c+" + servo + 'd';
}

QString servoOfPair(int k, int b)
{
    // Output 1 has always named its servos the other way round.
    const bool second = k == 1 ? b == 0 : b == 1;
    const char letter = static_cast<char>((k % 2 == 1 ? 'a' : 'c') + (second ? 1 : 0));
    return QStringLiteral("Servo ") + QString::number((k + 1) / 2) + QLatin1Char(letter);
}

QString statusText(const TestPanelDesign& design, int k, int b)
{
    const QString servo = design.servoPairs ? servoPair(k) : QString::number(k);
    // The turnout panel's last three pairs have always said "rund".
    const QString end = b == 0 ? QStringLiteral("gerade")
                        : design.servoPairs && k >= 6 ? QStringLiteral("rund")
                                                      : QStringLiteral("runde");
    return QStringLiteral("Servo ") + servo + QStringLiteral(" dreht auf die ") + end + QStringLiteral(" Position!");
}

// The numeric value of the first character received, 0 where it is no digit.
int firstDigit(const QByteArray& received)
{
    return !received.isEmpty() && received[0] >= '0' && received[0] <= '9' ? received[0] - '0' : 0;
}

QString buttonStyle(const QColor& colour)
{
    return QStringLiteral("QPushButton { background-color: %1; border: 1px solid #505050; border-radius: 3px;"
                          " font-weight: bold; }"
                          "QPushButton:focus { border: 3px solid black; }"
                          "QPushButton:pressed { background-color: %2; }")
        .arg(colour.name(), colour.darker(140).name());
}

constexpr int TitleBarButtonsWidth = 110;
constexpr int PanelPorts = 8;  // "COM1".."COM8"

const QColor FirstColour(255, 0, 0);   // &H000000FF
const QColor SecondColour(0, 192, 0);  // &H0000C000

}  // namespace

OutputTestPanel::OutputTestPanel(TestPanelKind kind, WindowContext context, QWidget& mainWindow,
                                 std::function<void()> selectOutputEntry)
    : QDialog(&mainWindow), design_(designOf(kind)), context_(context), mainWindow_(mainWindow),
      selectOutputEntry_(std::move(selectOutputEntry)), ui_(std::make_unique<Ui::OutputTestPanel>())
{
    ui_->setupUi(this);
    setObjectName(QLatin1String(design_.objectName));
    setWindowTitle(design_.title);
    setModal(design_.modal);
    layOut();
    if (design_.portMenu)
        addPortMenu();
    connect(ui_->Schliessen, &QPushButton::clicked, this, &QDialog::close);
}

OutputTestPanel::~OutputTestPanel() = default;

QPushButton* OutputTestPanel::button(int k, int b) const
{
    return findChild<QPushButton*>(QStringLiteral("Taste_%1_%2").arg(k).arg(b));
}

QAction* OutputTestPanel::portEntry(int n) const
{
    return menuBar_ ? menuBar_->findChild<QAction*>(QStringLiteral("mnu_testCom_%1").arg(n)) : nullptr;
}

void OutputTestPanel::layOut()
{
    for (int k = 1; k <= MaxOutputs; ++k) {
        auto* label = findChild<QLabel*>(QStringLiteral("Ausgang_%1").arg(k));
        const bool shown = k <= design_.outputs;
        label->setVisible(shown);
        for (int b = 0; b <= 1; ++b) {
            QPushButton* pair = button(k, b);
            pair->setVisible(shown);
            pair->setText(QString(QChar(static_cast<char16_t>(keyOf(k, b)))));
            pair->setStyleSheet(buttonStyle(b == 0 ? FirstColour : SecondColour));
            if (design_.servoPairs)
                pair->setToolTip(servoOfPair(k, b));
            connect(pair, &QPushButton::clicked, this, [this, k, b] { press(k, b); });
        }
        if (!design_.servoPairs) {
            label->setText(design_.outputWord + ' ' + QString::number(k));
        } else if (k % 2 == 1) {
            // One label beside the two outputs of a 4-way turnout.
            label->setText(design_.outputWord + ' ' + QString::number((k + 1) / 2));
            ui_->Paare->addWidget(label, k - 1, 0, 2, 1);
        } else {
            label->hide();
        }
    }
    ui_->Hinweis->setPlainText(design_.noteLines.join('\n'));
    const QFontMetrics metrics(ui_->Hinweis->font());
    ui_->Hinweis->setFixedHeight(metrics.lineSpacing() * (static_cast<int>(design_.noteLines.size()) + 1) +
                                 2 * ui_->Hinweis->frameWidth());
    // Wide enough for the window's title bar to show the whole title beside its buttons.
    QFont titleFont = font();
    titleFont.setBold(true);
    ui_->Hinweis->setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(design_.title) + TitleBarButtonsWidth);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void OutputTestPanel::addPortMenu()
{
    menuBar_ = new QMenuBar(this);
    QMenu* file = menuBar_->addMenu(QStringLiteral("Datei"));
    file->setObjectName(QStringLiteral("mnu_testDatei"));
    QMenu* ports = menuBar_->addMenu(QStringLiteral("Serieller Anschluß"));
    ports->setObjectName(QStringLiteral("mnu_testSeriell"));
    QMenu* help = menuBar_->addMenu(QStringLiteral("Hilfe"));
    help->setObjectName(QStringLiteral("mnu_testHilfe"));
    // These two have never done anything here: shown, but not offered.
    file->addAction(QStringLiteral("Beenden"))->setObjectName(QStringLiteral("mnu_testBeenden"));
    help->addAction(QStringLiteral("Info"))->setObjectName(QStringLiteral("mnu_testInfo"));
    for (QMenu* menu : {file, help})
        menu->actions().constFirst()->setEnabled(false);
    for (int n = 1; n <= PanelPorts; ++n) {
        QAction* entry = ports->addAction(QStringLiteral("COM") + QString::number(n));
        entry->setObjectName(QStringLiteral("mnu_testCom_%1").arg(n));
        entry->setCheckable(true);
        connect(entry, &QAction::triggered, this, [this, n] { choosePort(n); });
    }
    layout()->setMenuBar(menuBar_);
}

void OutputTestPanel::showPort()
{
    const int port = context_.session.connection().portNumber();
    for (int n = 1; n <= PanelPorts && menuBar_; ++n)
        portEntry(n)->setChecked(n == port);
}

void OutputTestPanel::choosePort(int n)
{
    context_.session.choosePanelPort(n);
    if (context_.session.shuttingDown()) {
        close();
        return;
    }
    showPort();
}

bool OutputTestPanel::endedBy(const Reply& reply)
{
    if (reply.status != ReplyStatus::Garbled && reply.status != ReplyStatus::Ending)
        return false;
    if (reply.status == ReplyStatus::Garbled) {
        // Framing errors in every attempt: the decoder is taken to be gone.
        context_.host.message(texts::decoderGone());
        context_.session.endProgram();
    }
    close();
    return true;
}

bool OutputTestPanel::readForOpening()
{
    DecoderSession& session = context_.session;
    // Even a panel that reads nothing opens only while the line is free,
    // as its presses need it.
    const Line::Operation operation = session.operation();
    if (!operation)
        return false;
    closing_ = false;
    testOutputDigits_.fill(0);
    for (int k = 1; design_.readsOnOpening && k <= design_.outputs; ++k) {
        // Identification with a test output set reads only that output.
        session.setActiveTestOutput(k);
        const Reply reply = session.line().readBlock(k);
        if (endedBy(reply))
            return false;
        testOutputDigits_[k - 1] = firstDigit(reply.text);
    }
    showPort();
    return true;
}

void OutputTestPanel::press(int k, int b)
{
    DecoderSession& session = context_.session;
    const Line::Operation operation = session.operation();
    if (!operation || !testPanelReady())
        return;
    // Held for this press only: after a failure has been reported the user
    // may simply try again.
    const CountedFlag::Hold running = commandRunning_.hold();

    // The move commands act on the output read last: unless its block came,
    // another output would move.
    const Reply block = session.line().readBlock(k);
    if (endedBy(block))
        return;
    switch (checkBlock(ConfigBlock(block.text), k, session.identity().DecoderId)) {
    case BlockCheck::Usable:
        break;
    case BlockCheck::TooShort:
        context_.host.message(texts::decoderTimeout());
        return;
    case BlockCheck::OtherDecoder:
    case BlockCheck::OtherOutput:
        context_.host.message(texts::transferError());
        return;
    }

    bool toRight = b == 1;
    if (design_.directionByDigit)
        toRight = (b == 0) == (testOutputDigits_[k - 1] == 0);
    const Reply reply = session.exchange(toRight ? commands::moveRight(commands::RunToEnd)
                                                 : commands::moveLeft(commands::RunToEnd));
    if (session.reportFailure(reply))
        return;
    session.showStatus(statusText(design_, k, b));
    button(k, b)->setFocus();
}

void OutputTestPanel::keyPressEvent(QKeyEvent* event)
{
    const auto target = buttonOfKey(event->key(), design_.outputs);
    if (!target || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
    // A held key moves once, not once a repeat.
    if (!event->isAutoRepeat())
        press(target->first, target->second);
}

void OutputTestPanel::done(int result)
{
    if (!std::exchange(closing_, true)) {
        DecoderSession& session = context_.session;
        // The main window identifies the decoder, or reads this output again,
        // as soon as the user is back there.
        session.setActiveTestOutput(design_.closingTestOutput);
        if (design_.closingTestOutput >= 1) {
            // That read is the one after closing; later identifications, after
            // a port choice or a reconnect, identify again.
            if (auto* watch = mainWindow_.findChild<ActivationWatch*>())
                connect(
                    watch, &ActivationWatch::returnedFromOwnWindow, watch,
                    [&session] { session.setActiveTestOutput(0); }, Qt::SingleShotConnection);
        }
        selectOutputEntry_();
    }
    QDialog::done(result);
}

void openTestPanel(TestPanelKind kind, const WindowContext& context, QWidget& mainWindow,
                   std::function<void()> selectOutputEntry)
{
    const TestPanelDesign& design = designOf(kind);
    if (!design.modal) {
        // One of it, kept with the main window and read anew at each opening.
        auto* panel = mainWindow.findChild<OutputTestPanel*>(QLatin1String(design.objectName),
                                                             Qt::FindDirectChildrenOnly);
        if (panel && panel->isVisible()) {
            context.host.showModeless(*panel);
            return;
        }
        if (!panel)
            panel = new OutputTestPanel(kind, context, mainWindow, std::move(selectOutputEntry));
        if (panel->readForOpening())
            context.host.showModeless(*panel);
        return;
    }
    OutputTestPanel panel(kind, context, mainWindow, std::move(selectOutputEntry));
    if (!panel.readForOpening())
        return;
    context.closedOnReconnect.add(panel);
    context.host.runModal(panel);
}

}  // namespace qb
