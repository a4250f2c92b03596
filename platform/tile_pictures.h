#pragma once
// The small pictures of the main window that come with the program rather
// than from "Bin\": the connectors between slots and the status icons.
#include <windows.h>

namespace platform {

// An arrow into the next slot; the page-split one is doubled.
HBITMAP MakeConnectorPicture(bool split);
// A green tick (passed) or a red cross (failed).
HBITMAP MakeStatusPicture(bool ok);

} // namespace platform
