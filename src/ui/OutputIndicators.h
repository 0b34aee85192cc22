#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class OutputIndicators;
}

namespace qb {

struct DecodedBlock;
struct FamilyLayout;
struct OutputSettings;

// The frames every panel shows: what the output controls ("Servo steuert:"),
// its virtual address and its direction of rotation. They only show the
// settings: a click puts an option back to what the settings say.
class OutputIndicators : public QWidget {
    Q_OBJECT
public:
    explicit OutputIndicators(QWidget* parent = nullptr);
    ~OutputIndicators() override;

    Ui::OutputIndicators& ui() { return *ui_; }
    // The settings the indicators return to when clicked.
    void attach(const OutputSettings& settings) { settings_ = &settings; }

    // Identification: the direction frame and the paired families' single function.
    void applyLayout(const FamilyLayout& layout);
    // Selection: the address frame's caption (2 Motorola, else DCC).
    void showAddressMode(int addressMode);
    void showDecoded(const DecodedBlock& decoded);
    // Nothing shown: the output could not be read.
    void clear();
    // "Neue Adresse" is usable once the output has been read.
    void setAddressChangeEnabled(bool enabled);
    // The caption of the function frame ("Servo steuert:", "Ampelfunktion").
    void setFunctionCaption(const QString& caption);
    // The servo function options; traffic lights choose theirs elsewhere.
    void setServoFunctionsShown(bool shown);

signals:
    // "Neue Adresse" was clicked.
    void newAddressRequested();

private:
    void showFunctionOfSettings();
    void showDirectionOfSettings();

    std::unique_ptr<Ui::OutputIndicators> ui_;
    const OutputSettings* settings_ = nullptr;
};

}  // namespace qb
