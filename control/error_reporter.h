#pragma once
// Turns an engine error code into the HRESULT a member returns, leaving an
// error object with the code's message for the caller.
//
// Messages come from the string resources numbered like the codes: from the
// satellite library inkres7_<language id> when one lies beside the control
// (loaded once per process, as a data file), else from the control's own
// resources.
#include <windows.h>
#include <ole2.h>

#include <string>

namespace quillmark {

// The control's own error codes use this facility: 0x80040000 + code.
constexpr HRESULT ErrorResult(int code) {
    return static_cast<HRESULT>(0x80040000u + static_cast<unsigned>(code));
}

constexpr int kErrInvalidTool = 1005; // succeeds with S_FALSE, no error object

// The satellite library, or null when there is none. Looked for once per
// process: "inkres7_" + the decimal language id of the thread locale + ".dll"
// in the control's folder first, then by name.
HMODULE SatelliteResources();

// The message of code (the low 16 bits name the string), "Unknown Error" when
// the library that holds the messages has none under that number.
std::wstring ErrorMessage(int code);

// 0 -> S_OK; 1005 -> S_FALSE without an error object; a negative value (a
// failure HRESULT) -> itself, without an error object; any other code ->
// ErrorResult(code), with an error object whose source is the ProgID of
// clsid, help file "inkctl7.chm" and help context the code. E_OUTOFMEMORY
// when the message cannot be made.
HRESULT ReportError(REFCLSID clsid, int code);

} // namespace quillmark
