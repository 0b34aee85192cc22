#pragma once

namespace qb {

class DecoderSession;
class WindowHost;
class WindowRegistry;

// What every window of the program receives from the main window.
struct WindowContext {
    WindowHost& host;
    DecoderSession& session;
    WindowRegistry& closedOnReconnect;
};

}  // namespace qb
