#include "ui/MainWindow.h"

#include "decoder/Detection.h"
#include "link/Connection.h"
#include "link/Transport.h"
#include "platform/Host.h"
#include "ui/InfoWindows.h"
#include "ui/WindowSize.h"
#include "ui_Hauptform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>

namespace qb {

MainWindow::MainWindow(Services services)
    : services_(std::move(services)), ui_(std::make_unique<Ui::MainWindow>())
{
    ui_->setupUi(this);
    // Menus that start disabled or hidden; identification enables what the
    // decoder needs.
    for (const char* name : {"mnu_reset", "mnu_copy", "mnu_service"})
        menu(name)->menuAction()->setEnabled(false);

    transport_ = std::make_unique<Transport>(services_.host, services_.port, identity_,
                                             [this] { closeMainWindow(); });
    connection_ = std::make_unique<Connection>(services_.host, services_.port, services_.settings,
                                               services_.machine, *transport_, *this);
    detection_ = std::make_unique<Detection>(services_.host, *connection_, *transport_, identity_, settings_, *this);
    connection_->attemptsLeft = [this] { return detection_->AttemptsLeft; };
    connection_->onPortChosen = [this] { detection_->afterPortChoice(); };
    connection_->onReconnect = [this] { detection_->runStartupSequence(); };

    activation_ = services_.host.createTimer();
    activation_->setInterval(1);
    activation_->setHandler([this] {
        activation_->setEnabled(false);
        detection_->runStartupSequence();
    });
    connectMenus();
}

MainWindow::~MainWindow() = default;

void MainWindow::connectMenus()
{
    connect(ui_->mnu_beenden, &QAction::triggered, this, &MainWindow::closeMainWindow);
    for (int n = 1; n <= Connection::PortCount; ++n)
        connect(portEntry(n), &QAction::triggered, this, [this, n] {
            // A menu entry checks itself on a click; the connection decides.
            portEntry(n)->setChecked(!portEntry(n)->isChecked());
            connection_->SelectPort(n);
        });
    connect(ui_->mnu_about, &QAction::triggered, this, &MainWindow::showAbout);
    connect(ui_->mnu_search, &QAction::triggered, this, &MainWindow::openPortScan);
}

void MainWindow::start()
{
    const QSize twips = mainWindowTwips(WindowsVersionName(services_.os.query()));
    // Qt's fonts are wider than the ones the twip sizes were made for: the
    // window grows where its menus or controls need more room.
    resize(twipsToPixels(twips).expandedTo(QSize(menuBar()->sizeHint().width(), 0)).expandedTo(minimumSizeHint()));
    if (connection_->ShuttingDown) {
        services_.host.requestQuit();
        return;
    }
    connection_->loadSettings(services_.programFolder, services_.pinnedPort);
    settings_.OutputNumber = 1;
    identity_.PairedFamily = 0;
    identity_.PairedOutputs = false;
    identity_.ActiveTestOutput = 0;
    show();
    connection_->openAtStart();
    // The window is up: detection starts, as when it becomes active.
    activation_->setEnabled(true);
}

QAction* MainWindow::portEntry(int n) const
{
    return findChild<QAction*>(QStringLiteral("mnu_com_%1").arg(n));
}

QMenu* MainWindow::menu(const QString& objectName) const
{
    return findChild<QMenu*>(objectName);
}

void MainWindow::openPortScan()
{
    if (!scanDialog_)
        scanDialog_ = std::make_unique<PortScanDialog>(*connection_, this);
    services_.host.showModeless(*scanDialog_);
    scanDialog_->scan();
}

void MainWindow::showAbout()
{
    AboutWindow about(this);
    services_.host.runModal(about);
}

void MainWindow::showHelp(const QString& title, const QString& text)
{
    HelpWindow help(title, text, this);
    services_.host.runModal(help);
}

void MainWindow::setStatus(const QString& text)
{
    ui_->Status->setText(text);
}

QString MainWindow::status() const
{
    return ui_->Status->text();
}

void MainWindow::setPortDisplay(const QString& text)
{
    ui_->COM_Port_Text->setText(text);
}

void MainWindow::checkPortEntry(int n, int uncheckUpTo)
{
    for (int i = 1; i <= uncheckUpTo; ++i)
        portEntry(i)->setChecked(false);
    if (QAction* entry = portEntry(n))
        entry->setChecked(true);
}

void MainWindow::setConnectionHint(const QString& text)
{
    ui_->Label1->setText(text);
}

void MainWindow::showPowerUpState(const QString& caption)
{
    ui_->mnu_servo->setText(caption);
    ui_->mnu_servo->setVisible(true);
}

void MainWindow::unloadWindows(const QStringList& objectNames)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && objectNames.contains(window->objectName()) && window->isVisible())
            window->close();
}

void MainWindow::closeMainWindow()
{
    if (connection_->ShuttingDown)
        return;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    connection_->mainWindowClosing();
    if (scanDialog_)
        scanDialog_->close();
    event->accept();
}

}  // namespace qb
