#pragma once

#include "memory/OutputSettings.h"

#include <QDialog>
#include <memory>
#include <optional>

class QAbstractButton;
class QRadioButton;

namespace Ui {
class ServoTypeDialog;
}

namespace qb {

class Host;
struct DecoderIdentity;

// "Servotyp": brand, function, pulse polarity, bounce, repetitions, power-off
// and direction of the selected output. Works on a copy of the settings and
// hands them over only on a successful OK; the caller writes them afterwards.
class ServoTypeDialog : public QDialog {
    Q_OBJECT
public:
    // Highest repetition count the user may enter; 255 means endless.
    static constexpr int MaxRepeats = 127;
    static constexpr int EndlessRepeats = 255;
    // The output read refuses bounce amounts above this and resets the output,
    // so nothing larger is ever handed over.
    static constexpr int MaxBounceAmount = 20000;

    ServoTypeDialog(Host& host, OutputSettings& settings, const DecoderIdentity& identity,
                    QWidget* parent = nullptr);
    ~ServoTypeDialog() override;

    // True unless OK was accepted: "Abbrechen", the window's close button,
    // Escape, or a dialog that was never confirmed. The settings are untouched then.
    bool cancelled() const { return cancelled_; }

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load(const OutputSettings& from);
    void functionChosen(int functionCode);
    void showBounceBoxes();
    void showRepeatCount();
    void endlessToggled(bool endless);
    void repeatTextChanged(const QString& text);
    void bounceTextChanged(const QString& text);
    void confirm();
    void commit();

    int selectedBrand() const;
    int selectedFunction() const;
    int selectedPolarity() const;
    bool endlessAvailable() const;
    QString askOtherNeutral();

    std::unique_ptr<Ui::ServoTypeDialog> ui_;
    Host& host_;
    OutputSettings& settings_;
    OutputSettings work_;
    QString decoderId_;
    int pairedFamily_ = 0;
    int protocolVariant_ = 0;
    bool loading_ = false;
    bool cancelled_ = true;
    bool powerOffClicked_ = false;
    // The "Anderes" answer of this dialog, kept across refused OKs.
    std::optional<QString> otherNeutral_;
};

}  // namespace qb
