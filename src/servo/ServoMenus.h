#pragma once

#include <QString>
#include <functional>

namespace qb {

class Connection;
class Host;
class ServoWrite;
class Transport;
struct DecoderIdentity;
struct OutputSettings;

// The "Reset" and "Kopieren nach..." menus: every operation ends with the
// target output read back and shown.
class ServoMenus {
public:
    struct Services {
        Host& host;
        Transport& transport;
        Connection& connection;
        const DecoderIdentity& identity;
        OutputSettings& settings;
        ServoWrite& write;
        // The wait window with the given caption, shown modally.
        std::function<void(const QString& caption)> runWaitWindow;
        // The output list's double click for output n.
        std::function<void(int n)> selectAndRead;
        // The caption of list entry n (traffic-light phases).
        std::function<QString(int n)> entryOf;
    };
    explicit ServoMenus(Services services);

    // Entry 1..8 of the reset menu, 9 for "Alle".
    void resetEntry(int i);
    // Entry i of the copy menu: copies the selected output to output i.
    void copyTo(int i);

private:
    void resetOne(int i, const QString& caption);
    bool trafficLight() const;

    Services s_;
};

}  // namespace qb
