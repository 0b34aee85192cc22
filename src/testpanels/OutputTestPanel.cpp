#include "testpanels/OutputTestPanel.h"

#include "link/CommandCatalogue.h"
#include "platform/WindowHost.h"
#include "session/DecoderSession.h"
#include "testpanels/TestWindowParts.h"
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
    return portMenu_ ? portMenu_->portEntry(n) : nullptr;
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
            pair->setText(QString(QChar(static_cast<char16_t>(testKey(k, b)))));
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
    portMenu_ = new TestPortMenu(*menuBar_, context_.session, *this);
    layout()->setMenuBar(menuBar_);
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
        const std::optional<Reply> reply = readTestBlock(context_, k);
        if (!reply) {
            close();
            return false;
        }
        testOutputDigits_[k - 1] = firstDigit(reply->text);
    }
    if (portMenu_)
        portMenu_->showPort();
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
    const std::optional<Reply> block = readTestBlock(context_, k);
    if (!block) {
        close();
        return;
    }
    if (!commandMayFollow(context_, *block, k))
        return;

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
    const auto target = testButtonOfKey(*event, design_.outputs);
    if (!target) {
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
    if (!std::exchange(closing_, true))
        leaveTestWindow(context_.session, mainWindow_, design_.closingTestOutput, selectOutputEntry_);
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
