#include "trafficlight/TrafficLightPanel.h"

#include "address/AddressDialogs.h"
#include "decoder/FamilyLayout.h"
#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "memory/BlockDecode.h"
#include "platform/GermanFormat.h"
#include "platform/WindowHost.h"
#include "session/DecoderSession.h"
#include "trafficlight/ButtonColour.h"
#include "trafficlight/TrafficLightTest1.h"
#include "trafficlight/TrafficLightTest23.h"
#include "ui/OptionButtons.h"
#include "ui/OutputIndicators.h"
#include "ui/WaitWindow.h"
#include "ui_TrafficLightPanel.h"

#include <QRegularExpressionValidator>
#include <algorithm>
#include <cmath>

namespace qb {

namespace {

constexpr int ShortestPhaseMs = 100;
constexpr int LongestPhaseMs = 60000;

constexpr int PedestrianFlag = 128;
constexpr int DemandLightFlag = 64;
constexpr int FirstBusLaneFlag = 32;  // generation 2

void setBold(QWidget* widget, bool bold)
{
    QFont font = widget->font();
    font.setBold(bold);
    widget->setFont(font);
}

void clearBox(QCheckBox* box)
{
    box->setChecked(false);
}

// A box counts only when it is ticked, not greyed.
bool ticked(const QCheckBox* box)
{
    return box->checkState() == Qt::Checked;
}

}  // namespace

TrafficLightPanel::TrafficLightPanel(WindowContext context, QWidget* parent)
    : OutputPanel(parent), context_(context), ui_(std::make_unique<Ui::TrafficLightPanel>())
{
    ui_->setupUi(this);
    using P = Crossing::Pedestrian;
    const QString demandB = QStringLiteral("Ampel B ist Rufampel");
    crossings_ = {{
        {ui_->Kreuzung2, 2, 1, 2, P::HiddenUnlessL7, {}, {true, true, false, false}, {true, true, false, false}},
        {ui_->Kreuzung2T, 1, 2, 2, P::Hidden, {}, {true, true, false, false}, {true, true, false, false}},
        {ui_->T_Kreuzung, 4, 3, 3, P::Shown, demandB, {true, true, true, false}, {true, true, true, false}},
        {ui_->Kreuzung4, 8, 4, 4, P::Shown, demandB, {true, true, true, true}, {true, true, true, true}},
        {ui_->T_Kreuzung2W, 16, 0, 3, P::Shown, QStringLiteral("Ampel C ist Rufampel"), {true, true, true, false},
         {true, false, true, false}},
    }};
    indicators().attach(context_.session.settings());
    connect(&indicators(), &OutputIndicators::newAddressRequested, this, [this] { openAddressDialog(context_, this); });
    // Traffic lights choose their control mode in a frame of their own.
    indicators().setServoFunctionsShown(false);
    // Nothing is saved before the decoder's data are on screen.
    ui_->cmdAmpelzeit->setEnabled(false);
    // Whole milliseconds, or a German decimal that is rounded.
    ui_->txtAmpelzeit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}(,[0-9]{0,3})?")), this));
    connectReactions();
}

TrafficLightPanel::~TrafficLightPanel() = default;

OutputIndicators& TrafficLightPanel::indicators()
{
    return *ui_->Indicators;
}

void TrafficLightPanel::connectReactions()
{
    // An option runs its reaction when it becomes selected, by a click, a
    // key or the program; the decode also runs it for an option that is
    // selected already (see select()).
    for (const Crossing& crossing : crossings_)
        reactions_[crossing.option] = [this, &crossing] { crossingSelected(crossing); };
    QRadioButton* countries[] = {ui_->Deutschland_0, ui_->Deutschland_1, ui_->Deutschland_2};
    for (int i = 0; i < 3; ++i)
        reactions_[countries[i]] = [this, i] { countrySelected(i); };
    for (QRadioButton* mode : {ui_->Automatik, ui_->Zentrale, ui_->Keine_Phasen})
        reactions_[mode] = [this, mode] { modeSelected(mode); };
    for (const auto& [option, reaction] : reactions_)
        connect(option, &QRadioButton::toggled, this, [reaction = reaction](bool on) {
            if (on)
                reaction();
        });
    for (QCheckBox* box : {ui_->Fussgaenger, ui_->Rufampel, ui_->Busspur_1, ui_->Busspur_2, ui_->Busspur_3,
                           ui_->Busspur_4})
        connect(box, &QCheckBox::clicked, this, &TrafficLightPanel::markPending);
    connect(ui_->txtAmpelzeit, &QLineEdit::textEdited, this, &TrafficLightPanel::phaseTimeEdited);
    connect(ui_->txtAmpelzeit, &QLineEdit::returnPressed, this, &TrafficLightPanel::save);
    connect(ui_->cmdAmpelzeit, &QPushButton::clicked, this, &TrafficLightPanel::save);
}

void TrafficLightPanel::select(QRadioButton* option)
{
    // Without a toggle the reaction runs all the same, so that a layout the
    // identification could not name still fills the output list.
    if (option->isChecked())
        reactions_.at(option)();
    else
        option->setChecked(true);
}

void TrafficLightPanel::markPending()
{
    if (!ChangeMarkingActive || showingDecoded_)
        return;
    setButtonColour(ui_->cmdAmpelzeit, PendingColour);
}

bool TrafficLightPanel::changesPending() const
{
    return buttonColour(ui_->cmdAmpelzeit) == PendingColour;
}

const TrafficLightPanel::Crossing* TrafficLightPanel::selectedCrossing() const
{
    for (const Crossing& crossing : crossings_)
        if (crossing.option->isChecked())
            return &crossing;
    return nullptr;
}

void TrafficLightPanel::crossingSelected(const Crossing& chosen)
{
    for (const Crossing& crossing : crossings_)
        setBold(crossing.option, &crossing == &chosen);

    switch (chosen.pedestrian) {
    case Crossing::Pedestrian::HiddenUnlessL7: {
        // The 2012 decoder has no transistor crossing but a pedestrian phase on the plain one.
        const bool l7 = context_.session.identity().DecoderId.startsWith(QLatin1String("L7"));
        ui_->Fussgaenger->setVisible(l7);
        clearBox(ui_->Fussgaenger);
        ui_->Kreuzung2T->setVisible(!l7);
        ui_->Label4_3->setVisible(!l7);
        break;
    }
    case Crossing::Pedestrian::Hidden:
        ui_->Fussgaenger->hide();
        clearBox(ui_->Fussgaenger);
        break;
    case Crossing::Pedestrian::Shown:
        ui_->Fussgaenger->show();
        break;
    }
    if (chosen.demandCaption.isEmpty()) {
        ui_->Rufampel->setEnabled(false);
        clearBox(ui_->Rufampel);
    } else {
        const bool singly = ui_->Keine_Phasen->isChecked();
        ui_->Rufampel->setEnabled(!singly);
        if (singly)
            clearBox(ui_->Rufampel);
        ui_->Rufampel->setText(chosen.demandCaption);
    }

    QCheckBox* lanes[] = {ui_->Busspur_1, ui_->Busspur_2, ui_->Busspur_3, ui_->Busspur_4};
    for (int i = 0; i < 4; ++i) {
        const bool laneA = i == 0;
        const bool third = TrafficLightGeneration >= 3;
        lanes[i]->setEnabled(third ? chosen.busEnabled[i] : laneA);
        lanes[i]->setVisible(third ? chosen.busShown[i] : laneA);
        clearBox(lanes[i]);
    }

    context_.session.setSelectedLayoutCode(chosen.code);
    markPending();
    showPhaseNames(chosen);
}

void TrafficLightPanel::showPhaseNames(const Crossing& crossing)
{
    const QStringList names = phaseNames(crossing.lightSets);
    if (names != context_.session.identity().OutputNames)
        context_.session.setOutputNames(names);
    if (!showingDecoded_ && !phaseListed())
        clearPhase();
}

bool TrafficLightPanel::phaseListed() const
{
    // A layout without the phase on screen has no entry to show it under.
    return SelectedOutputIndex < context_.session.identity().OutputNames.size();
}

void TrafficLightPanel::countrySelected(int index)
{
    static constexpr int codes[] = {0, 1, 8};
    CountryCode = codes[std::clamp(index, 0, 2)];
    const bool third = TrafficLightGeneration >= 3;
    if (third) {
        ui_->Busspur_1->setEnabled(true);
        ui_->Busspur_2->setEnabled(true);
    } else {
        ui_->Busspur_1->setEnabled(false);
    }
    QCheckBox* lanes[] = {ui_->Busspur_1, ui_->Busspur_2, ui_->Busspur_3, ui_->Busspur_4};
    if (ui_->T_Kreuzung->isChecked()) {
        for (int i = 0; i < 4; ++i) {
            if (third) {
                lanes[i]->setEnabled(i < 3);
                lanes[i]->setVisible(i < 3);
            } else if (i == 0) {
                lanes[i]->setEnabled(true);
            } else {
                lanes[i]->hide();
            }
        }
    }
    if (ui_->Kreuzung4->isChecked()) {
        if (third) {
            for (QCheckBox* lane : lanes) {
                lane->setEnabled(true);
                lane->show();
            }
        } else {
            ui_->Busspur_1->setEnabled(true);
        }
    }
    markPending();
}

void TrafficLightPanel::modeSelected(QRadioButton* mode)
{
    markPending();
    if (mode != ui_->Keine_Phasen) {
        ui_->Deutschland_2->setEnabled(true);
        ui_->Rufampel->setEnabled(true);
        return;
    }
    ui_->Deutschland_2->setEnabled(false);
    if (ui_->Deutschland_2->isChecked()) {
        setOptionChecked(ui_->Deutschland_2, false);
        select(ui_->Deutschland_0);
        // A decoder that holds both is shown as it is, without a word.
        if (!showingDecoded_)
            context_.host.message(texts::lines(
                {QStringLiteral("In diesem Modus ist die Länderauswahl \"Österreich\" nicht möglich!"),
                 QStringLiteral("Wählen Sie \"Deutschland\" oder \"Niederland\" aus.")}));
    }
    ui_->Rufampel->setEnabled(false);
    clearBox(ui_->Rufampel);
}

void TrafficLightPanel::phaseTimeEdited()
{
    const QString text = ui_->txtAmpelzeit->text();
    if (!text.isEmpty() && parseNumber(text).value_or(0) > LongestPhaseMs) {
        context_.host.message(QStringLiteral("Zeit ist größer als 60 Sekunden!"));
        ui_->txtAmpelzeit->setText(QString::number(LongestPhaseMs));
    }
    markPending();
}

void TrafficLightPanel::applyLayout(const FamilyLayout& layout)
{
    indicators().applyLayout(layout);
}

void TrafficLightPanel::showSelection(const QString& entryText)
{
    // The time shown belongs to the phase before: it goes until this one is read.
    clearPhase();
    entryText_ = entryText;
    if (const qsizetype index = context_.session.identity().OutputNames.indexOf(entryText); index >= 0)
        SelectedOutputIndex = static_cast<int>(index);
    indicators().showAddressMode(context_.session.settings().AddressMode);
    indicators().setFunctionCaption(QStringLiteral("Ampelfunktion"));
    ui_->lblAmpelzeit->setText(QStringLiteral("Neue Zeit für ") + entryText + QStringLiteral(" ="));
}

void TrafficLightPanel::showDecoded(const DecodedBlock& d)
{
    showingDecoded_ = true;
    if (d.TrafficLightGeneration)
        TrafficLightGeneration = d.TrafficLightGeneration;
    indicators().showDecoded(d);
    if (d.SelectedOption) {
        QRadioButton* selected = nullptr;
        switch (*d.SelectedOption) {
        case FunctionOption::Automatic: selected = ui_->Automatik; break;
        case FunctionOption::CommandStation: selected = ui_->Zentrale; break;
        case FunctionOption::PhasesSingly: selected = ui_->Keine_Phasen; break;
        default: break;  // no control bit: no mode is selected
        }
        if (selected) {
            select(selected);
        } else {
            for (QRadioButton* option : {ui_->Automatik, ui_->Zentrale, ui_->Keine_Phasen})
                setOptionChecked(option, false);
        }
    }
    const Crossing* stored = nullptr;
    if (d.CrossingLayoutCode)
        for (const Crossing& crossing : crossings_)
            if (crossing.code == *d.CrossingLayoutCode)
                stored = &crossing;
    const bool storedShown = stored && d.SelectCrossingOption;
    if (storedShown) {
        select(stored->option);
    } else if (const Crossing* kept = selectedCrossing()) {
        // The user's own layout stays; the identification may have listed
        // the stored one's phases, or none.
        showPhaseNames(*kept);
    }
    // The flags of a stored layout that is not the one on screen belong to
    // that other layout: the user's choices stay.
    if (storedShown || !stored) {
        if (d.PedestrianPhase)
            ui_->Fussgaenger->setChecked(*d.PedestrianPhase);
        if (d.DemandLight)
            ui_->Rufampel->setChecked(*d.DemandLight);
        if (d.BusLaneFirstLane)
            ui_->Busspur_1->setChecked(*d.BusLaneFirstLane);
        if (d.BusLanes) {
            QCheckBox* boxes[] = {ui_->Busspur_1, ui_->Busspur_2, ui_->Busspur_3, ui_->Busspur_4};
            for (int i = 0; i < 4; ++i)
                boxes[i]->setChecked((*d.BusLanes)[i]);
        }
    }
    if (d.LeftPos)
        ui_->lblLinker_Wert->setText(QString::number(*d.LeftPos));
    if (d.PhaseTime)
        ui_->txtAmpelzeit->setText(QString::number(*d.PhaseTime));
    if (d.CountryOption) {
        QRadioButton* countries[] = {ui_->Deutschland_0, ui_->Deutschland_1, ui_->Deutschland_2};
        select(countries[std::clamp(*d.CountryOption, 0, 2)]);
    }
    showingDecoded_ = false;
    if (!phaseListed())
        clearPhase();
    else if (d.Outcome == DecodeOutcome::Decoded)
        ui_->cmdAmpelzeit->setEnabled(true);
}

void TrafficLightPanel::clearPhase()
{
    ui_->lblLinker_Wert->clear();
    ui_->txtAmpelzeit->clear();
    indicators().clear();
    ui_->cmdAmpelzeit->setEnabled(false);
}

void TrafficLightPanel::showReadOutcome(ReadOutcome outcome)
{
    indicators().setAddressChangeEnabled(outcome == ReadOutcome::Decoded);
    if (outcome != ReadOutcome::Decoded)
        clearPhase();
    // The traffic-light data are on screen once the first phase is.
    else if (entryText_ == QLatin1String("Rot 1"))
        ChangeMarkingActive = true;
}

// --- Saving ------------------------------------------------------------------------

void TrafficLightPanel::save()
{
    DecoderSession& session = context_.session;
    if (!ui_->cmdAmpelzeit->isEnabled())
        return;  // nothing of a phase on screen to save
    const Line::Operation operation = session.operation();
    if (!operation)
        return;
    setButtonColour(ui_->cmdAmpelzeit, std::nullopt);
    ChangeMarkingActive = false;

    const int output = session.settings().OutputNumber;
    // Only whole milliseconds reach the decoder: what rounds below the
    // shortest phase is refused like any shorter time.
    const double phaseMs = std::min<double>(parseNumber(ui_->txtAmpelzeit->text()).value_or(0), LongestPhaseMs);
    const long wholeMs = std::lround(phaseMs);
    if (wholeMs < ShortestPhaseMs) {
        context_.host.message(QStringLiteral("Wert für ") + session.identity().outputName(output) +
                              QStringLiteral(" ist kleiner als 0,1 Sekunden!"));
        return;
    }
    if (session.reportFailure(session.exchange(commands::setLeft(output, static_cast<quint32>(wholeMs)))))
        return;
    session.showStatus(QStringLiteral("Daten gespeichert!"));
    if (!writeConfiguration())
        return;

    // The decoder takes the new configuration when it restarts.
    session.exchange(commands::outputCopy(1, 1));
    {
        const CountedFlag::Hold dialogActive = session.dialogActive().hold();
        WaitWindow wait(context_.host, session.line(), WaitWindow::Kind::TrafficLight, session.settings().FunctionCode,
                        {}, this);
        wait.setWindowTitle(QStringLiteral("Decoder wird neu gestartet, bitte warten..."));
        context_.host.runModal(wait);
        session.selectOutput(1);
    }
    ChangeMarkingActive = true;
    SelectedOutputIndex = 0;
}

bool TrafficLightPanel::writeConfiguration()
{
    DecoderSession& session = context_.session;
    OutputSettings& settings = session.settings();
    // The fields the traffic-light form sends as fixed texts.
    settings.BounceCode = 0;
    settings.Polarity = 0;
    settings.PowerOff = 0;
    settings.BounceAmount = 0;
    settings.RepeatCount = 0;
    if (ui_->Automatik->isChecked())
        settings.FunctionCode = 1;
    if (ui_->Zentrale->isChecked())
        settings.FunctionCode = 2;
    if (ui_->Keine_Phasen->isChecked())
        settings.FunctionCode = 3;

    commands::TrafficLightConfig config;
    config.neutralHex = settings.NeutralHex.toLatin1();
    config.functionCode = settings.FunctionCode;
    config.countryCode = CountryCode;
    const Crossing* crossing = selectedCrossing();
    if (TrafficLightGeneration == 1) {
        config.crossingCode = static_cast<std::uint8_t>(crossing ? crossing->codeGen1 : 0);
    } else {
        int code = crossing ? crossing->code : 0;
        if (ticked(ui_->Fussgaenger))
            code += PedestrianFlag;
        if (ticked(ui_->Rufampel))
            code += DemandLightFlag;
        if (TrafficLightGeneration == 2 && ticked(ui_->Busspur_1))
            code += FirstBusLaneFlag;
        config.crossingCode = static_cast<std::uint8_t>(code);
    }
    if (TrafficLightGeneration >= 3) {
        const QCheckBox* lanes[] = {ui_->Busspur_1, ui_->Busspur_2, ui_->Busspur_3, ui_->Busspur_4};
        for (int i = 0; i < 4; ++i)
            if (ticked(lanes[i]))
                config.busLaneBits |= static_cast<std::uint8_t>(1 << i);
    }

    const Reply reply = session.exchange(commands::trafficLightConfigWrite(config));
    if (reply.status == ReplyStatus::Ending || reply.status == ReplyStatus::LineBusy)
        return false;
    // Without an answer the restart still follows: the decoder may have
    // taken the configuration all the same.
    if (reply.status == ReplyStatus::TimedOut)
        context_.host.message(texts::decoderTimeout());
    else
        session.showStatus(session.identity().outputName(settings.OutputNumber) + QStringLiteral(" Daten geändert"));
    return true;
}

// --- Test windows ------------------------------------------------------------------

void TrafficLightPanel::openTestWindow(std::function<void()> selectOutputEntry)
{
    const int generation = TrafficLightGeneration;
    if (generation < 1 || generation > 3)
        return;
    if (!testWindow_ || !testWindow_->isVisible() || testWindowGeneration_ != generation) {
        if (!makeTestWindow(generation, std::move(selectOutputEntry)))
            return;
    }
    // Shown once the line is free again: coming back from it to the main
    // window is a return from another window of the program.
    context_.host.showModeless(*testWindow_);
}

bool TrafficLightPanel::makeTestWindow(int generation, std::function<void()> selectOutputEntry)
{
    // Not while another operation holds the line: a window it works in
    // would be replaced under it. The first generation's reads join it.
    const Line::Operation operation = context_.session.operation();
    if (!operation)
        return false;
    // A new window shows the panel's settings of the moment it opens.
    testWindow_.reset();
    testWindowGeneration_ = generation;
    if (generation == 1) {
        auto first = std::make_unique<TrafficLightTest1>(context_, *window(), std::move(selectOutputEntry));
        if (!first->open())
            return false;
        testWindow_ = std::move(first);
    } else {
        const CrossingOptions options{ui_->Keine_Phasen->isChecked(), ticked(ui_->Rufampel),
                                      ui_->T_Kreuzung2W->isChecked(), ui_->Kreuzung2->isChecked()};
        testWindow_ = std::make_unique<TrafficLightTest23>(context_, generation, options, *window(),
                                                           std::move(selectOutputEntry));
    }
    return true;
}

}  // namespace qb
