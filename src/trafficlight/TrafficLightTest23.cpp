#include "trafficlight/TrafficLightTest23.h"

#include "link/CommandCatalogue.h"
#include "platform/WindowHost.h"
#include "session/DecoderSession.h"
#include "testpanels/RamWindow.h"
#include "testpanels/TestWindowParts.h"
#include "trafficlight/ButtonColour.h"
#include "ui_TrafficLightTest23.h"

#include <QMenuBar>

namespace qb {

namespace {

// The status texts of the first and second button of each pair.
const char* const StatusTexts[TrafficLightTest23::Pairs][2] = {
    {"Ampel A geht auf rot!", "Ampel A geht auf grün!"},
    {"Ampel B geht auf rot!", "Ampel B geht auf grün!"},
    {"Ampel C geht auf rot!", "Ampel C geht auf grün!"},
    {"Ampel D geht auf rot!", "Ampel D geht auf grün!"},
    {"Rufampel geht auf rot!", "Rufampel geht auf grün!"},
    {"Nothalt!", "Alle blinken gelb!"},
    {"Starte wieder bei A!", "Starte wieder bei B!"},
    {"Automatik aus!", "Automatik ein!"},
};

constexpr int DemandPair = 5;
constexpr int RestartPair = 7;
constexpr int AutomaticPair = 8;

}  // namespace

TrafficLightTest23::TrafficLightTest23(WindowContext context, int generation, CrossingOptions options,
                                       QWidget& mainWindow, std::function<void()> selectOutputEntry)
    : TrafficLightTestWindow(context, 1, mainWindow, std::move(selectOutputEntry)),
      ui_(std::make_unique<Ui::TrafficLightTest23>())
{
    ui_->setupUi(this);
    ui_->txtHinweis->setPlainText(noteText({QStringLiteral("Note:"), QStringLiteral("Zum Steuern der "),
                                            QStringLiteral("Ampel kann auch die "), QStringLiteral("Tastatur verwendet "),
                                            QStringLiteral("werden.")}));
    attachPairs({{ui_->Paar1_0, ui_->Paar1_1}, {ui_->Paar2_0, ui_->Paar2_1}, {ui_->Paar3_0, ui_->Paar3_1},
                 {ui_->Paar4_0, ui_->Paar4_1}, {ui_->Paar5_0, ui_->Paar5_1}, {ui_->Paar6_0, ui_->Paar6_1},
                 {ui_->Paar7_0, ui_->Paar7_1}, {ui_->Paar8_0, ui_->Paar8_1}},
                ui_->cmdSchliessen);
    portMenu_ = new TestPortMenu(*menuBar(), context_.session, *this);
    portMenu_->showPort();

    if (generation >= 3) {
        setObjectName(QStringLiteral("Testampel_3"));
        setWindowTitle(QStringLiteral("Ampel Test Vexa917"));
        applyOptions(options);
        ui_->Paar8_2->setToolTip(QStringLiteral("RAM Anzeige"));
        connect(ui_->Paar8_2, &QPushButton::clicked, this, &TrafficLightTest23::openRam);
    } else {
        ui_->Paar8_2->hide();
    }
}

TrafficLightTest23::~TrafficLightTest23() = default;

void TrafficLightTest23::setOutOfUse(int p, int b)
{
    button(p, b)->setEnabled(false);
    button(p, b)->setText(QString());
    setButtonColour(button(p, b), UnusedButtonColour);
}

void TrafficLightTest23::applyOptions(const CrossingOptions& options)
{
    if (options.phasesSingly) {
        // Without automatic phases there is nothing to restart or switch on.
        for (int p : {AutomaticPair, DemandPair, RestartPair})
            for (int b = 0; b < 2; ++b)
                setOutOfUse(p, b);
    } else if (!options.demandLight) {
        setOutOfUse(DemandPair, 1);
    }
    if (options.plainCrossing) {
        ui_->lblPaar7_0->setText(QStringLiteral("Start AC"));
        ui_->lblPaar7_1->setText(QStringLiteral("Start BD"));
    } else if (options.twoWayT) {
        ui_->lblPaar7_0->setText(QStringLiteral("Start AB"));
        ui_->lblPaar7_1->setText(QStringLiteral("Start C"));
    }
}

std::optional<QString> TrafficLightTest23::press(int p, int b)
{
    // The first button switches to the second state (red), the second to the first.
    context_.session.exchange(commands::outputSwitch(p, b == 0 ? 16 : 0));
    return QString::fromUtf8(StatusTexts[p - 1][b]);
}

void TrafficLightTest23::openRam()
{
    if (!ram_)
        ram_ = std::make_unique<RamWindow>(context_, this);
    context_.host.showModeless(*ram_);
}

}  // namespace qb
