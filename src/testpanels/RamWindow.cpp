#include "testpanels/RamWindow.h"

#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "platform/WindowHost.h"
#include "session/Connection.h"
#include "session/DecoderSession.h"
#include "ui_RamWindow.h"

#include <QDir>
#include <QHeaderView>
#include <QSaveFile>
#include <QScrollBar>

namespace qb {

namespace {

constexpr int CharsPerByte = 2;
constexpr int RowChars = RamWindow::BytesPerRow * CharsPerByte;

}  // namespace

QString ramAddressText(int address)
{
    return QString::number(address, 16).toUpper().rightJustified(6, QLatin1Char('0'));
}

QByteArray ramDumpText(const QByteArray& image)
{
    QByteArray text;
    for (qsizetype at = 0; at + RowChars <= image.size(); at += RowChars) {
        text += ramAddressText(RamWindow::FirstAddress + static_cast<int>(at / CharsPerByte)).toLatin1() + "  ";
        for (int k = 0; k < RamWindow::BytesPerRow; ++k)
            text += image.mid(at + k * CharsPerByte, CharsPerByte) + ' ';
        text += "\r\n";
    }
    return text;
}

RamWindow::RamWindow(WindowContext context, QWidget* parent)
    : QDialog(parent), context_(context), ui_(std::make_unique<Ui::RamWindow>())
{
    ui_->setupUi(this);
    QTableWidget* table = ui_->Tabelle;
    table->setColumnCount(1 + BytesPerRow);
    table->setRowCount(Rows);
    QStringList header{QString()};
    for (int c = 0; c < BytesPerRow; ++c)
        header << QString::number(c);
    table->setHorizontalHeaderLabels(header);
    for (int r = 0; r < Rows; ++r)
        table->setItem(r, 0, new QTableWidgetItem(ramAddressText(FirstAddress + r * BytesPerRow)));
    // Room for the addresses, compact rows, the eight bytes side by side.
    const QFontMetrics metrics = table->fontMetrics();
    table->setColumnWidth(0, metrics.horizontalAdvance(QStringLiteral("000000")) + 16);
    table->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    int width = table->frameWidth() * 2 + table->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c <= BytesPerRow; ++c)
        width += table->columnWidth(c);
    table->setMinimumWidth(width);
    connect(ui_->Command1, &QPushButton::clicked, this, &RamWindow::start);
}

RamWindow::~RamWindow() = default;

void RamWindow::start()
{
    DecoderSession& session = context_.session;
    const Line::Operation operation = session.operation();
    if (!operation)
        return;
    ui_->Command1->setText(QStringLiteral("Läuft"));
    session.showStatus(QStringLiteral("Read RAM!"));
    const Reply reply = session.exchange(commands::ramDump());
    if (!reply.ok()) {
        // Nothing of a partial image is shown or written.
        session.reportFailure(reply);
        ui_->Command1->setText(QStringLiteral("Start"));
        return;
    }
    // What a decoder sends beyond the image belongs to no address.
    const QByteArray image = reply.text.left(commands::RamDumpLength);
    fill(image);
    ui_->Command1->setText(QStringLiteral("Fertig"));

    const QString path = QDir(session.connection().locationPath()).filePath(FileName);
    if (const auto failure = writeFile(path, ramDumpText(image))) {
        context_.host.message(texts::lines({QStringLiteral("Die Datei ") + QDir::toNativeSeparators(path) +
                                                QStringLiteral(" konnte nicht geschrieben werden:"),
                                            *failure}) +
                              texts::CRLF);
        return;
    }
    session.showStatus(FileName + QStringLiteral(" gespeichert in ") +
                       QDir::toNativeSeparators(QDir(session.connection().locationPath()).absolutePath()));
}

void RamWindow::fill(const QByteArray& image)
{
    QTableWidget* table = ui_->Tabelle;
    for (int r = 0; r < Rows; ++r)
        for (int c = 0; c < BytesPerRow; ++c) {
            const qsizetype at = (static_cast<qsizetype>(r) * BytesPerRow + c) * CharsPerByte;
            const QString byteText = at < image.size() ? QString::fromLatin1(image.mid(at, CharsPerByte)) : QString();
            table->setItem(r, 1 + c, new QTableWidgetItem(byteText));
        }
}

std::optional<QString> RamWindow::writeFile(const QString& path, const QByteArray& text) const
{
    QSaveFile file(path);
    // The data must be out before the commit: it would rename a file whose
    // buffered rest failed to reach the disk. Without a commit the new file
    // is dropped.
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.flush() || !file.commit())
        return file.errorString();
    return std::nullopt;
}

}  // namespace qb
