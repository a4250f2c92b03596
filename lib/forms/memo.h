#pragma once
// A memo: a multi-line EDIT holding lines of text. Each line added ends with
// a line break ("\r\n"), so Text() of two added lines is "a\r\nb\r\n".
#include "forms/control.h"

namespace forms {

class Memo : public Component {
public:
    Memo(Control& parent, const std::string& name, const Rect& bounds);

    void AddLine(const std::string& line);
    void Clear();
    int LineCount() const;
    std::string Line(int index) const;   // without its line break
    // The whole text; a lone "\n" given to SetText becomes "\r\n".
    using Control::Text;
    void SetText(const std::string& text);
    void SetReadOnly(bool readOnly);
};

} // namespace forms
