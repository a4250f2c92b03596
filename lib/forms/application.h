#pragma once
// The application object of the forms layer: the message loop of the one
// user-interface thread and the means to let waiting messages run.

namespace forms {

class Application {
public:
    // Dispatches every window message waiting for this thread, then returns.
    static void ProcessMessages();
};

} // namespace forms
