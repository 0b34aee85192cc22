#pragma once

#include <QDialog>
#include <QWidget>
#include <memory>

namespace Ui {
class AboutWindow;
class HelpWindow;
class HintWindow;
class PortScanDialog;
}  // namespace Ui

namespace qb {

class DecoderSession;

// "Info": the program's title and version.
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int Major = 5, Minor = 5, Revision = 1;
    explicit AboutWindow(QWidget* parent = nullptr);
    ~AboutWindow() override;

private:
    std::unique_ptr<Ui::AboutWindow> ui_;
};

// The explanation window a control opens on F1 with its own title and text.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    HelpWindow(const QString& HelpTitle, const QString& HelpText, QWidget* parent = nullptr);
    ~HelpWindow() override;

private:
    std::unique_ptr<Ui::HelpWindow> ui_;
};

// The hint window of the traffic-light test panel; shows HintText whenever painted.
class HintWindow : public QWidget {
    Q_OBJECT
public:
    explicit HintWindow(QWidget* parent = nullptr);
    ~HintWindow() override;
    QString HintText;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<Ui::HintWindow> ui_;
};

// "Serielle Schnittstellen": the ports that open, to choose one by double click.
class PortScanDialog : public QDialog {
    Q_OBJECT
public:
    PortScanDialog(DecoderSession& session, QWidget* parent = nullptr);
    ~PortScanDialog() override;
    void scan();

protected:
    // However the dialog is left without a choice, the line is usable again.
    void hideEvent(QHideEvent* event) override;

private:
    std::unique_ptr<Ui::PortScanDialog> ui_;
    DecoderSession& session_;
    bool chosen_ = false;
};

}  // namespace qb
