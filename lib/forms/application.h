#pragma once
// The application object of the forms layer: the message loop of the one
// user-interface thread and the means to let waiting messages run, the forms
// of the program in creation order, and the exception box that shows
// whatever a handler throws.
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

namespace forms {

class Form;

class Application {
public:
    // Dispatches every window message waiting for this thread, then returns.
    static void ProcessMessages();

    // Shows the main form (when hidden) and runs the message loop until
    // Terminate or the main form closes. Returns the quit code (0 normally).
    static int Run();
    // Ends Run once the current handler returns.
    static void Terminate(int exitCode = 0);
    // True once a quit request was seen (also by ProcessMessages); every
    // loop of the forms then ends.
    static bool Terminated();

    // Creates a form owned by the application; the first one created (or
    // handed to SetMainForm) is the main form.
    template <class T, class... Args>
    static T& CreateForm(Args&&... args)
    {
        auto form = std::make_unique<T>(std::forward<Args>(args)...);
        T& result = *form;
        Keep(std::move(form));
        return result;
    }
    // Destroys the forms created by CreateForm, last created first.
    static void FreeForms();

    // Every live form (owned or not), in creation order.
    static const std::vector<Form*>& Forms();
    static Form* MainForm();
    static void SetMainForm(Form* form);

    // The title of the exception box: the program file's name less ".exe"
    // unless set.
    static std::string Title();
    static void SetTitle(const std::string& title);

    // Shows an exception that reached a window procedure or the loop: the
    // text of a std::exception, an empty text for anything else.
    static void HandleException(std::exception_ptr error);
    // Replaces the box (a message box owned by the active window) by a
    // function of the text; an empty function puts the box back.
    using ExceptionHook = std::function<void(const std::string& message)>;
    static void SetExceptionHook(ExceptionHook hook);

private:
    friend class Form;
    static void Keep(std::unique_ptr<Form> form);
    static void Register(Form* form);
    static void Unregister(Form* form);
    static void Dispatch(MSG& msg);
};

} // namespace forms
