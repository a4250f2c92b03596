#include "forms/memo.h"

#include <vector>

namespace forms {

namespace {

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

} // namespace

Memo::Memo(Control& parent, const std::string& name, const Rect& bounds) : Component(parent, name)
{
    CreateStandard("EDIT", WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL |
                               ES_WANTRETURN | ES_NOHIDESEL,
                   0, bounds);
    SendMessageA(Handle(), EM_SETLIMITTEXT, 0, 0);   // the log may grow past the standard 32K
}

void Memo::AddLine(const std::string& line)
{
    // Appended at the end without reading the text back: the log grows by a
    // line at a time and must not cost its whole length per line.
    const int end = GetWindowTextLengthA(Handle());
    std::string added = line + "\r\n";
    if (end > 0) {
        // The last line starts at the end only after a line break: a text set
        // without a final break gets one.
        LRESULT lines = SendMessageA(Handle(), EM_GETLINECOUNT, 0, 0);
        LRESULT lastStart = SendMessageA(Handle(), EM_LINEINDEX, static_cast<WPARAM>(lines - 1), 0);
        if (lastStart != end)
            added = "\r\n" + added;
    }
    SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageA(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
}

void Memo::Clear()
{
    Control::SetText(std::string());
}

int Memo::LineCount() const
{
    return static_cast<int>(SplitLines(Text()).size());
}

std::string Memo::Line(int index) const
{
    std::vector<std::string> lines = SplitLines(Text());
    return index >= 0 && static_cast<size_t>(index) < lines.size() ? lines[static_cast<size_t>(index)] : std::string();
}

void Memo::SetText(const std::string& text)
{
    std::string converted;
    converted.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            converted += '\r';
        converted += text[i];
    }
    Control::SetText(converted);
}

void Memo::SetReadOnly(bool readOnly)
{
    SendMessageA(Handle(), EM_SETREADONLY, readOnly, 0);
}

} // namespace forms
