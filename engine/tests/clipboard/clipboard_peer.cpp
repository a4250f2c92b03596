// A second process for the clipboard tests: an engine of its own that pastes
// what the clipboard holds, or puts a layer there.
//   clipboard_peer paste <file>   pastes as a new layer and writes the
//                                 description of its engine into <file>
//   clipboard_peer copy           copies a layer of two items to the clipboard
// The exit code is the engine's result (0 for success), 2 for a bad command.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "engine_test_host.h"
#include "format_test_support.h"

using namespace engine_test;
using namespace formats_test;

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    OleInitialize(nullptr);
    int result = 2;
    {
        EngineLibrary library;
        if (!library.Loaded())
            return 3;
        TestHost host(library);
        if (std::strcmp(argv[1], "paste") == 0 && argc == 3) {
            int layer = 0;
            result = host->PasteLayer(&layer);
            if (FILE* out = std::fopen(argv[2], "wb")) {
                const std::string text = Describe(host.Engine());
                std::fwrite(text.data(), 1, text.size(), out);
                std::fclose(out);
            }
        } else if (std::strcmp(argv[1], "copy") == 0) {
            const int layer = AddRecordLayer(
                host.Engine(),
                LayerRecord(L"From the peer",
                            {ItemRecord(RectangleTool, 3, {0x100000, 0x100000, 0x200000, 0x300000}),
                             ItemRecord(EllipseTool, 4, {0x400000, 0x400000, 0x600000, 0x500000})}));
            result = layer ? host->CopyToClipboard(layer, 0) : 4;
        }
    }
    OleUninitialize();
    return result;
}
