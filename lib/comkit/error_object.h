#pragma once
// The error object a failing member leaves for its caller (IErrorInfo).
#include <windows.h>
#include <ole2.h>

namespace comkit {

// Leaves an error object for the caller on this thread: the interface that
// failed, its source (a ProgID), the description and, when helpFile is not
// null, the help file and context. Nothing is left when the platform cannot
// make one.
void SetErrorObject(REFGUID guid, LPCOLESTR source, LPCOLESTR description,
                    LPCOLESTR helpFile = nullptr, DWORD helpContext = 0);

} // namespace comkit
