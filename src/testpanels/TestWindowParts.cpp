#include "testpanels/TestWindowParts.h"

#include "link/Texts.h"
#include "memory/ConfigBlock.h"
#include "platform/WindowHost.h"
#include "session/Connection.h"
#include "session/DecoderSession.h"
#include "ui/ActivationWatch.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenuBar>
#include <array>

namespace qb {

namespace {

constexpr std::array<std::pair<Qt::Key, Qt::Key>, TestPortMenu::Ports> KeyMap{{
    {Qt::Key_1, Qt::Key_2},
    {Qt::Key_3, Qt::Key_4},
    {Qt::Key_Q, Qt::Key_W},
    {Qt::Key_E, Qt::Key_R},
    {Qt::Key_A, Qt::Key_S},
    {Qt::Key_D, Qt::Key_F},
    {Qt::Key_Y, Qt::Key_X},
    {Qt::Key_C, Qt::Key_V},
}};

}  // namespace

Qt::Key testKey(int k, int b)
{
    const auto& keys = KeyMap.at(static_cast<std::size_t>(k - 1));
    return b == 0 ? keys.first : keys.second;
}

std::optional<std::pair<int, int>> testButtonOfKey(const QKeyEvent& event, int pairs)
{
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    for (int k = 1; k <= pairs; ++k)
        for (int b = 0; b <= 1; ++b)
            if (event.key() == testKey(k, b))
                return std::pair{k, b};
    return std::nullopt;
}

TestPortMenu::TestPortMenu(QMenuBar& bar, DecoderSession& session, QWidget& window)
    : QObject(&bar), bar_(bar), session_(session), window_(window)
{
    QMenu* file = bar.addMenu(QStringLiteral("Datei"));
    file->setObjectName(QStringLiteral("mnu_testDatei"));
    QMenu* ports = bar.addMenu(QStringLiteral("Serieller Anschluß"));
    ports->setObjectName(QStringLiteral("mnu_testSeriell"));
    QMenu* help = bar.addMenu(QStringLiteral("Hilfe"));
    help->setObjectName(QStringLiteral("mnu_testHilfe"));
    // These two have never done anything here: shown, but not offered.
    file->addAction(QStringLiteral("Beenden"))->setObjectName(QStringLiteral("mnu_testBeenden"));
    help->addAction(QStringLiteral("Info"))->setObjectName(QStringLiteral("mnu_testInfo"));
    for (QMenu* menu : {file, help})
        menu->actions().constFirst()->setEnabled(false);
    for (int n = 1; n <= Ports; ++n) {
        QAction* entry = ports->addAction(QStringLiteral("COM") + QString::number(n));
        entry->setObjectName(QStringLiteral("mnu_testCom_%1").arg(n));
        entry->setCheckable(true);
        connect(entry, &QAction::triggered, this, [this, n] { choosePort(n); });
    }
}

QAction* TestPortMenu::portEntry(int n) const
{
    return bar_.findChild<QAction*>(QStringLiteral("mnu_testCom_%1").arg(n));
}

void TestPortMenu::showPort()
{
    const int port = session_.connection().portNumber();
    for (int n = 1; n <= Ports; ++n)
        portEntry(n)->setChecked(n == port);
}

void TestPortMenu::choosePort(int n)
{
    session_.choosePanelPort(n);
    if (session_.shuttingDown()) {
        window_.close();
        return;
    }
    showPort();
}

std::optional<Reply> readTestBlock(WindowContext& context, int n)
{
    Reply reply = context.session.line().readBlock(n);
    if (reply.status == ReplyStatus::Garbled) {
        context.host.message(texts::decoderGone());
        context.session.endProgram();
        return std::nullopt;
    }
    if (reply.status == ReplyStatus::Ending)
        return std::nullopt;
    return reply;
}

bool commandMayFollow(WindowContext& context, const Reply& block, int n)
{
    switch (checkBlock(ConfigBlock(block.text), n, context.session.identity().DecoderId)) {
    case BlockCheck::Usable:
        return true;
    case BlockCheck::TooShort:
        context.host.message(texts::decoderTimeout());
        return false;
    case BlockCheck::OtherDecoder:
    case BlockCheck::OtherOutput:
        context.host.message(texts::transferError());
        return false;
    }
    return false;
}

void leaveTestWindow(DecoderSession& session, QWidget& mainWindow, int closingTestOutput,
                     const std::function<void()>& selectOutputEntry)
{
    session.setActiveTestOutput(closingTestOutput);
    if (closingTestOutput >= 1) {
        if (auto* watch = mainWindow.findChild<ActivationWatch*>())
            QObject::connect(
                watch, &ActivationWatch::returnedFromOwnWindow, watch,
                [&session] { session.setActiveTestOutput(0); }, Qt::SingleShotConnection);
    }
    selectOutputEntry();
}

}  // namespace qb
