// A method package made by the tests, in a format of its own: run as
// "<module file>.<method>.exe" in a work folder, it writes the method's files
// there (<method>.name, <method>.txt and <method>.bat), as any package must.
#include <windows.h>

#include <cstdio>
#include <string>

int main()
{
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n);
    name = name.substr(name.find_last_of('\\') + 1);
    size_t module = name.find(".Folivar.");
    if (module == std::string::npos || name.size() < 4)
        return 1;
    std::string method = name.substr(module + 9, name.size() - 4 - module - 9);
    struct { const char* suffix; const char* text; } files[] = {
        {".name", "Handmade\r\n"},
        {".txt", "Unpacked by a package program of its own\r\n"},
        {".bat", "@copy /y in.tif out.tif >nul\r\n"},
    };
    for (const auto& f : files) {
        FILE* out = std::fopen((method + f.suffix).c_str(), "wb");
        if (!out)
            return 1;
        std::fputs(f.text, out);
        std::fclose(out);
    }
    return 0;
}
