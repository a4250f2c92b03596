#include "binding_trace.h"

#include <cstring>

namespace {

std::wstring& Text() {
    static std::wstring text;
    return text;
}

} // namespace

namespace viewer {

void Trace(const std::wstring& line) {
    try {
        std::wstring& text = Text();
        if (!text.empty()) text += L'\n';
        text += line;
    } catch (...) {
        // The record is for tests; running out of memory drops a line.
    }
}

} // namespace viewer

extern "C" int VistrelReadTrace(wchar_t* buffer, int size) {
    const std::wstring& text = Text();
    const int length = static_cast<int>(text.size());
    if (buffer && size > length) std::memcpy(buffer, text.c_str(), (length + 1) * sizeof(wchar_t));
    return length;
}

extern "C" void VistrelClearTrace() { Text().clear(); }
