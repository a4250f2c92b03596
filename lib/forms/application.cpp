#include "forms/application.h"

#include "forms/form.h"

#include <algorithm>
#include <stdexcept>

namespace forms {

namespace {

struct State {
    std::vector<Form*> forms;
    std::vector<std::unique_ptr<Form>> owned;
    Form* mainForm = nullptr;
    std::string title;
    Application::ExceptionHook hook;
    bool terminated = false;
    int exitCode = 0;
};

State& TheState()
{
    static State state;
    return state;
}

std::string ProgramTitle()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

} // namespace

void Application::Dispatch(MSG& msg)
{
    try {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    } catch (...) {
        HandleException(std::current_exception());
    }
}

void Application::ProcessMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Kept here rather than posted again: a wait that lets messages
            // run would wake for a posted quit over and over. The loops end
            // on Terminated().
            TheState().terminated = true;
            TheState().exitCode = static_cast<int>(msg.wParam);
            return;
        }
        Dispatch(msg);
    }
}

bool Application::Terminated()
{
    return TheState().terminated;
}

int Application::Run()
{
    State& s = TheState();
    if (s.mainForm && !s.mainForm->Visible())
        s.mainForm->Show();
    MSG msg = {};
    for (;;) {
        if (s.terminated)
            return s.exitCode;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            s.terminated = true;
            s.exitCode = static_cast<int>(msg.wParam);
            return s.exitCode;
        }
        if (got == -1)
            return 1;
        Dispatch(msg);
    }
}

void Application::Terminate(int exitCode)
{
    PostQuitMessage(exitCode);
}

void Application::Keep(std::unique_ptr<Form> form)
{
    TheState().owned.push_back(std::move(form));
}

void Application::FreeForms()
{
    State& s = TheState();
    while (!s.owned.empty()) {
        std::unique_ptr<Form> last = std::move(s.owned.back());
        s.owned.pop_back();
        last.reset();
    }
}

const std::vector<Form*>& Application::Forms()
{
    return TheState().forms;
}

Form* Application::MainForm()
{
    return TheState().mainForm;
}

void Application::SetMainForm(Form* form)
{
    TheState().mainForm = form;
}

void Application::Register(Form* form)
{
    State& s = TheState();
    s.forms.push_back(form);
    if (!s.mainForm)
        s.mainForm = form;
}

void Application::Unregister(Form* form)
{
    State& s = TheState();
    s.forms.erase(std::remove(s.forms.begin(), s.forms.end(), form), s.forms.end());
    if (s.mainForm == form)
        s.mainForm = nullptr;
}

std::string Application::Title()
{
    State& s = TheState();
    return s.title.empty() ? ProgramTitle() : s.title;
}

void Application::SetTitle(const std::string& title)
{
    TheState().title = title;
}

void Application::SetExceptionHook(ExceptionHook hook)
{
    TheState().hook = std::move(hook);
}

void Application::HandleException(std::exception_ptr error)
{
    std::string message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        // Anything else is shown with an empty text.
    }
    State& s = TheState();
    if (s.hook) {
        ExceptionHook hook = s.hook;   // the hook may replace itself
        try {
            hook(message);
        } catch (...) {
            // The box itself must not fail the loop.
        }
        return;
    }
    MessageBoxA(GetActiveWindow(), message.c_str(), Title().c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

} // namespace forms
