// The program entry: the application object, the forms in their order, the
// message loop.
#include "about_form.h"
#include "method_creation_form.h"
#include "module_creation_form.h"
#include "main_form.h"
#include "program_forms.h"
#include "page_pair_viewer_form.h"
#include "result_viewer_form.h"
#include "settings_form.h"
#include "splash_form.h"

#include "forms/application.h"

#include <ole2.h>

namespace platform {

ProgramForms& Forms()
{
    static ProgramForms forms;
    return forms;
}

} // namespace platform

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    using forms::Application;
    using namespace platform;
    OleInitialize(nullptr);
    try {
        ProgramForms& f = Forms();
        f.Form1 = &Application::CreateForm<TForm1>();
        f.Form2 = &Application::CreateForm<TForm2>();
        f.Form3 = &Application::CreateForm<TForm3>();
        f.Form4 = &Application::CreateForm<TForm4>();
        f.Form5 = &Application::CreateForm<TForm5>();
        f.Form6 = &Application::CreateForm<TForm6>();
        f.Form8 = &Application::CreateForm<TForm8>();
        f.Form9 = &Application::CreateForm<TForm9>();
        Application::Run();
    } catch (...) {
        Application::HandleException(std::current_exception());
    }
    Application::FreeForms();
    OleUninitialize();
    return 0;
}
