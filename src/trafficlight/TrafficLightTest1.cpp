#include "trafficlight/TrafficLightTest1.h"

#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "testpanels/TestWindowParts.h"
#include "platform/WindowHost.h"
#include "session/DecoderSession.h"
#include "ui/InfoWindows.h"
#include "ui_TrafficLightTest1.h"

#include <QMouseEvent>

namespace qb {

namespace {

constexpr int Pairs = 4;
constexpr int TwipsPerPixel = 15;
constexpr int HintLeftTwips = 500;
constexpr int HintHeightTwips = 1400;

// What a button does: the block whose read names the action, the status text
// and the two parts of its explanation.
struct Action {
    int block;
    const char* status;
    const char* hintHead;
    const char* hintBody;
};

const Action Actions[Pairs][2] = {
    {{7, "Ampel 1 läuft bis zur Rotphase!", "Ampel 1 geht auf ROT!",
      "Die Ampelphasen laufen solange weiter, bis die Ampel 1 ROT ist."},
     {3, "Ampel 1 läuft bis zur Grünphase!", "Ampel 1 geht auf GRÜN!",
      "Die Ampelphasen laufen solange weiter, bis die Ampel 1 GRÜN ist."}},
    {{3, "Ampel 2 läuft bis zur Rotphase!", "Ampel 2 geht auf ROT!",
      "Die Ampelphasen laufen solange weiter, bis die Ampel 2 ROT ist."},
     {7, "Ampel 2 läuft bis zur Grünphase!", "Ampel 2 geht auf GRÜN!",
      "Die Ampelphasen laufen solange weiter, bis die Ampel 2 GRÜN ist."}},
    {{5, "Alle Ampeln auf ROT!", "Alle Ampel gehen auf ROT!",
      "Beim erneuten Starten durch die Automatik, geht es mit Ampel 2 ROTGELB weiter."},
     {1, "Alle Ampeln auf Grün!", "Alle Ampel gehen auf ROT!",
      "Beim erneuten Starten durch die Automatik, geht es mit Ampel 1 ROTGELB weiter."}},
    {{2, "Automatik ausgeschaltet!", "Die Automatik wird ausgeschaltet!",
      "Die Ampeln laufen noch bis zur zuletzt eingestellten Phase und bleiben dann stehen."},
     {4, "Automatik eingeschaltet!", "Die Automatik wird eingeschaltet!",
      "Die Ampelphasen schalten wieder automatisch weiter."}},
};

}  // namespace

TrafficLightTest1::TrafficLightTest1(WindowContext context, QWidget& mainWindow,
                                     std::function<void()> selectOutputEntry)
    : TrafficLightTestWindow(context, 0, mainWindow, std::move(selectOutputEntry)),
      ui_(std::make_unique<Ui::TrafficLightTest1>()),
      hint_(std::make_unique<HintWindow>(this)), hoverTimer_(context.host.createTimer())
{
    ui_->setupUi(this);
    ui_->txtHinweis->setPlainText(noteText({QStringLiteral("Note:"), QStringLiteral("Zum Steuern der "),
                                            QStringLiteral("Ampeln kann auch die "),
                                            QStringLiteral("Tastatur verwendet werden.")}));
    attachPairs({{ui_->Paar1_0, ui_->Paar1_1}, {ui_->Paar2_0, ui_->Paar2_1}, {ui_->Paar3_0, ui_->Paar3_1},
                 {ui_->Paar4_0, ui_->Paar4_1}},
                ui_->cmdSchliessen);
    for (int p = 1; p <= Pairs; ++p)
        for (int b = 0; b < 2; ++b)
            button(p, b)->setMouseTracking(true);
    // The background is where the mouse goes to leave a button; the labels,
    // the note and the close button are background too.
    ui_->centralwidget->installEventFilter(this);
    for (QWidget* other : ui_->centralwidget->findChildren<QWidget*>())
        if (!pairOf(other))
            other->installEventFilter(this);
    // A pop-up without a frame that takes no focus, as a tool tip.
    hint_->setWindowFlags(Qt::ToolTip);
    hint_->resize(hint_->width(), HintHeightTwips / TwipsPerPixel);
    hoverTimer_->setInterval(HoverDelayMs);
    hoverTimer_->setHandler([this] {
        hoverTimer_->setEnabled(false);
        showHint();
    });
}

TrafficLightTest1::~TrafficLightTest1() = default;

bool TrafficLightTest1::open()
{
    const Line::Operation operation = context_.session.operation();
    if (!operation)
        return false;
    // As the four-output test window does: while it is open, the main
    // window's identification re-reads the output read last.
    for (int n = 1; n <= Pairs; ++n) {
        context_.session.setActiveTestOutput(n);
        if (!readTestBlock(context_, n))
            return false;
    }
    return true;
}

std::optional<QString> TrafficLightTest1::press(int p, int b)
{
    const Action& action = Actions[p - 1][b];
    // The run command acts on the block read last, which names the action:
    // unless that block came, the decoder would do another one.
    const std::optional<Reply> block = readTestBlock(context_, action.block);
    if (!block) {
        close();
        return std::nullopt;
    }
    if (!commandMayFollow(context_, *block, action.block))
        return std::nullopt;
    if (context_.session.reportFailure(context_.session.exchange(commands::moveRight(commands::RunToEnd))))
        return std::nullopt;
    return QString::fromUtf8(action.status);
}

bool TrafficLightTest1::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseMove && watched == ui_->centralwidget) {
        // A move over a button comes here too once the button has let it pass.
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        QWidget* under = ui_->centralwidget->childAt(at);
        hover(pairOf(under) ? static_cast<QPushButton*>(under) : nullptr);
    } else if ((type == QEvent::Enter || type == QEvent::MouseMove) && pairOf(watched)) {
        hover(static_cast<QPushButton*>(watched));
    } else if (type == QEvent::Enter && watched != this && watched != ui_->centralwidget) {
        // A label, the note, the close button. The window and its
        // background are entered on the way to a button as well.
        hover(nullptr);
    } else if (type == QEvent::Leave && watched == this && !hint_->isVisible()) {
        // Out of the window before the explanation came. Once it is there,
        // it lies over the button and the window seems left; it stays until
        // the mouse moves elsewhere in the window.
        hover(nullptr);
    }
    return TrafficLightTestWindow::eventFilter(watched, event);
}

void TrafficLightTest1::hideEvent(QHideEvent* event)
{
    endHover();
    TrafficLightTestWindow::hideEvent(event);
}

void TrafficLightTest1::hover(QPushButton* pushButton)
{
    if (pushButton == hovered_)
        return;
    // Straight from one button onto another: the explanation is the new one's.
    endHover();
    if (!pushButton)
        return;
    hovered_ = pushButton;
    hoverTimer_->setEnabled(true);
}

void TrafficLightTest1::endHover()
{
    hoverTimer_->setEnabled(false);
    hovered_ = nullptr;
    hint_->hide();
}

void TrafficLightTest1::showHint()
{
    const auto pair = pairOf(hovered_);
    if (!pair)
        return;
    const Action& action = Actions[pair->first - 1][pair->second];
    hint_->HintText = texts::lines({QString::fromUtf8(action.hintHead), {}, QString::fromUtf8(action.hintBody)});
    hint_->move(hovered_->mapToGlobal(QPoint(HintLeftTwips / TwipsPerPixel, 0)));
    hint_->show();
    hint_->update();
}

}  // namespace qb
