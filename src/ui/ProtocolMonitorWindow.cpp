#include "ui/ProtocolMonitorWindow.h"

#include "session/ProtocolMonitor.h"
#include "ui/ActivationWatch.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace qb {

ProtocolMonitorWindow::ProtocolMonitorWindow(ProtocolMonitor& monitor, QWidget* parent)
    : QWidget(parent, Qt::Window), monitor_(monitor), text_(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("Protokollmonitor"));
    setWindowTitle(QStringLiteral("Protokollmonitor"));
    // Looking at the frames must not send any: no start-up sequence on the
    // way back to the main window.
    setProperty(ActivationWatch::PassingProperty, true);
    text_->setObjectName(QStringLiteral("txtProtokoll"));
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setMaximumBlockCount(ProtocolMonitor::KeptLines);
    text_->setPlainText(monitor_.lines().join('\n'));

    auto* copy = new QPushButton(QStringLiteral("Kopieren"), this);
    copy->setObjectName(QStringLiteral("cmdKopieren"));
    copy->setToolTip(QStringLiteral("Die markierten Zeilen, ohne Markierung alle, in die Zwischenablage"));
    auto* clear = new QPushButton(QStringLiteral("Leeren"), this);
    clear->setObjectName(QStringLiteral("cmdLeeren"));
    auto* close = new QPushButton(QStringLiteral("Schließen"), this);
    close->setObjectName(QStringLiteral("cmdSchliessen"));
    connect(copy, &QPushButton::clicked, this, &ProtocolMonitorWindow::copyLines);
    connect(clear, &QPushButton::clicked, this, &ProtocolMonitorWindow::clearLines);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy);
    buttons->addWidget(clear);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(buttons);
    resize(760, 420);

    monitor_.setListener([this](const QString& line) {
        // Follow the newest line unless the user scrolled back to read.
        QScrollBar* bar = text_->verticalScrollBar();
        const bool atEnd = bar->value() == bar->maximum();
        text_->appendPlainText(line);
        if (atEnd)
            bar->setValue(bar->maximum());
    });
}

ProtocolMonitorWindow::~ProtocolMonitorWindow()
{
    monitor_.setListener({});
}

void ProtocolMonitorWindow::copyLines()
{
    const QString selected = text_->textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n');
    QApplication::clipboard()->setText(selected.isEmpty() ? text_->toPlainText() : selected);
}

void ProtocolMonitorWindow::clearLines()
{
    monitor_.clear();
    text_->clear();
}

}  // namespace qb
