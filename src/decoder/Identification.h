#pragma once

#include <QString>

namespace qb {

class ConfigBlock;
class Connection;
class Host;
class Transport;
struct DecoderIdentity;
struct FamilyLayout;
struct OutputSettings;

// What identification changes in the main window.
class IdentificationView {
public:
    virtual ~IdentificationView() = default;
    virtual QString hintText() const = 0;  // "Label2"
    virtual void setHintText(const QString& text) = 0;
    virtual void setStatus(const QString& text) = 0;
    // Captions, output list (selecting entry OutputNumber), menus and controls.
    virtual void applyLayout(const FamilyLayout& layout) = 0;
    // The output list and the copy menu become usable.
    virtual void enableOutputList() = 0;
    // Decodes the block into the panel (and, for coils, the switch-on time).
    virtual void showBlock(const ConfigBlock& block) = 0;
};

// Reads the identification string from the decoder's block and lays the
// main window out for its family.
class Identification {
public:
    Identification(Host& host, Connection& connection, Transport& transport, DecoderIdentity& identity,
                   OutputSettings& settings, IdentificationView& view);

    void Identify();

private:
    void rereadTestOutput();
    void endProgram(const QString& message);

    Host& host_;
    Connection& connection_;
    Transport& transport_;
    DecoderIdentity& identity_;
    OutputSettings& settings_;
    IdentificationView& view_;
};

// Characters of a block by protocol variant for the identification and the
// output read: 78, 79, and 80 while the variant is unknown or 3.
int identificationLength(int protocolVariant);
// The character a decoder puts at position 70 for output n.
char outputDigit(int n);

}  // namespace qb
