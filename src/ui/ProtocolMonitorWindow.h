#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace qb {

class ProtocolMonitor;

// The protocol monitor's lines, live while the program runs; they can be
// copied (the selection, or all of them) for a bug report or a forum post.
class ProtocolMonitorWindow : public QWidget {
    Q_OBJECT
public:
    explicit ProtocolMonitorWindow(ProtocolMonitor& monitor, QWidget* parent = nullptr);
    ~ProtocolMonitorWindow() override;

private:
    void copyLines();
    void clearLines();

    ProtocolMonitor& monitor_;
    QPlainTextEdit* text_;
};

}  // namespace qb
