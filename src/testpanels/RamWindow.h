#pragma once

#include "ui/WindowContext.h"

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

namespace Ui {
class RamWindow;
}

namespace qb {

// "RAM": the memory image of a traffic-light decoder, fetched with one
// command, shown as a table of eight bytes a row from address 000100 and
// written to "RAM_DUMP.txt" in the folder the file dialogs start in.
class RamWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int FirstAddress = 0x100;
    static constexpr int BytesPerRow = 8;
    static constexpr int Rows = 145;
    static inline const QString FileName = QStringLiteral("RAM_DUMP.txt");

    explicit RamWindow(WindowContext context, QWidget* parent = nullptr);
    ~RamWindow() override;

    Ui::RamWindow& ui() { return *ui_; }
    // "Start": reads the image, shows it and writes the file.
    void start();

private:
    void fill(const QByteArray& image);
    // Writes the whole file or nothing: an older one stays until the new
    // one is complete. The reason when it failed.
    std::optional<QString> writeFile(const QString& path, const QByteArray& text) const;

    WindowContext context_;
    std::unique_ptr<Ui::RamWindow> ui_;
};

// The address column's text: six upper-case hexadecimal digits.
QString ramAddressText(int address);
// The file: a line for each complete row of eight byte texts, the address,
// two blanks and each byte text followed by a blank, ended by CR LF.
QByteArray ramDumpText(const QByteArray& image);

}  // namespace qb
