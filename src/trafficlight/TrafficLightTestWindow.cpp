#include "trafficlight/TrafficLightTestWindow.h"

#include "link/Texts.h"
#include "session/DecoderSession.h"
#include "testpanels/TestWindowParts.h"
#include "trafficlight/ButtonColour.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace qb {

QString noteText(const QStringList& lines)
{
    return texts::lines(lines) + texts::CRLF;
}

TrafficLightTestWindow::TrafficLightTestWindow(WindowContext context, int closingTestOutput, QWidget& mainWindow,
                                               std::function<void()> selectOutputEntry)
    : QMainWindow(&mainWindow), context_(context), closingTestOutput_(closingTestOutput), mainWindow_(mainWindow),
      selectOutputEntry_(std::move(selectOutputEntry))
{
}

TrafficLightTestWindow::~TrafficLightTestWindow() = default;

Qt::Key TrafficLightTestWindow::key(int p, int b)
{
    return testKey(p, b);
}

QPushButton* TrafficLightTestWindow::button(int p, int b) const
{
    if (p < 1 || p > static_cast<int>(pairs_.size()) || b < 0 || b > 1)
        return nullptr;
    return pairs_[p - 1][b];
}

void TrafficLightTestWindow::attachPairs(std::vector<std::array<QPushButton*, 2>> pairs, QPushButton* close)
{
    pairs_ = std::move(pairs);
    close_ = close;
    for (int p = 1; p <= static_cast<int>(pairs_.size()); ++p)
        for (int b = 0; b < 2; ++b) {
            QPushButton* pushButton = pairs_[p - 1][b];
            setButtonColour(pushButton, b == 0 ? FirstButtonColour : SecondButtonColour);
            connect(pushButton, &QPushButton::clicked, this, [this, p, b] { pressButton(p, b); });
            pushButton->installEventFilter(this);
        }
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    close_->installEventFilter(this);
    installEventFilter(this);
}

void TrafficLightTestWindow::pressButton(int p, int b)
{
    if (!TestPanelReady)
        return;
    DecoderSession& session = context_.session;
    const Line::Operation operation = session.operation();
    if (!operation)
        return;
    TestPanelReady = false;
    if (const std::optional<QString> status = press(p, b)) {
        session.showStatus(*status);
        button(p, b)->setFocus();
    }
    // After a failure too: the user may try again once told.
    TestPanelReady = true;
}

std::optional<std::pair<int, int>> TrafficLightTestWindow::pairOf(const QObject* object) const
{
    for (int p = 1; p <= static_cast<int>(pairs_.size()); ++p)
        for (int b = 0; b < 2; ++b)
            if (object && pairs_[p - 1][b] == object)
                return std::pair(p, b);
    return std::nullopt;
}

bool TrafficLightTestWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    const int key = keyEvent->key();
    if (watched == close_ && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        close();
        return true;
    }
    const auto target = testButtonOfKey(*keyEvent, static_cast<int>(pairs_.size()));
    if (!target)
        return QMainWindow::eventFilter(watched, event);
    // A key presses its button as a click does, not while the button is out
    // of use; a held key presses once.
    if (!keyEvent->isAutoRepeat())
        button(target->first, target->second)->click();
    return true;
}

void TrafficLightTestWindow::closeEvent(QCloseEvent* event)
{
    leaveTestWindow(context_.session, mainWindow_, closingTestOutput_, selectOutputEntry_);
    QMainWindow::closeEvent(event);
}

}  // namespace qb
