// annotate_host: a window in which a person annotates a TIFF page. It shows
// the page given on its command line in the image view, binds the
// annotation control to the view, and lets the user pick a tool, draw,
// move and resize annotations and save them into the file (TIFF tag
// 34686); opening the file again shows them.
#include "host_form.h"

#include "forms/application.h"

#include <ole2.h>
#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (FAILED(OleInitialize(nullptr))) return 1;
    int result = 0;
    {
        int count = 0;
        LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
        auto& form = forms::Application::CreateForm<host::HostForm>();
        if (arguments && count > 1) form.Open(arguments[1]);
        if (arguments) LocalFree(arguments);
        result = forms::Application::Run();
        forms::Application::FreeForms();
    }
    OleUninitialize();
    return result;
}
