#pragma once

#include <functional>

namespace Ui {
class MainWindow;
}

namespace qb {

class ConfigBlock;
class Host;
struct DecodedBlock;
struct DecoderIdentity;
struct OutputSettings;

// Shows a decoded block in the main window's panel and carries out what the
// decode asks for: reset and read again on an implausible value, write the
// configuration for the power-off push, or end the program.
class BlockPresenter {
public:
    struct Actions {
        std::function<void(int output)> resetOutput;      // the reset command, nothing awaited
        std::function<void(int output)> selectAndRead;    // the output list's double click
        std::function<void()> writeConfiguration;         // the configuration write (reads back)
        std::function<void()> endProgram;
        std::function<int()> protocolVariant;
        std::function<int()> selectedLayoutCode;
    };

    BlockPresenter(Host& host, Ui::MainWindow& ui, OutputSettings& settings, const DecoderIdentity& identity,
                   Actions actions);

    void show(const ConfigBlock& block);

private:
    void showValues(const DecodedBlock& decoded);
    void showFunction(const DecodedBlock& decoded);
    void showTrafficLight(const DecodedBlock& decoded);
    void showCoil(const DecodedBlock& decoded);
    void recover(const DecodedBlock& decoded);
    void push();

    Host& host_;
    Ui::MainWindow& ui_;
    OutputSettings& settings_;
    const DecoderIdentity& identity_;
    Actions actions_;
    // A decoder that keeps answering implausible values after its reset is
    // not reset for ever.
    int recoveries_ = 0;
};

}  // namespace qb
