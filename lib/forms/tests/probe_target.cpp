// A small forms program that the cross-process tests drive from outside:
// probe_target.exe <folder>. It lists the folder's *.txt files; "Report"
// counts its clicks in Label1 and logs the selected files in the hidden
// Memo1; a click on Label1 and its popup menu count or log too; closing the form ends the
// program with exit code 0.
#include "forms/forms.h"

#include <string>

namespace {

class TForm1 : public forms::Form {
public:
    explicit TForm1(const std::string& folder) : forms::Form("TForm1")
    {
        SetCaption("Probe target");
        SetClientSize(400, 300);
        SetCentred(true);
        Button1.OnClick = [this] { Button1Click(); };
        FileListBox1.SetMask("*.txt");
        FileListBox1.SetDirectory(folder);
        Memo1.SetVisible(false);
        OnClose = [this](bool&) { Memo1.AddLine("closing"); };
        PopupMenu1.Add("Count1", "Count", [this] { Button1Click(); });
        PopupMenu1.Add("Off1", "Off").SetEnabled(false);
        PopupMenu1.AddSeparator();
        PopupMenu1.Add("Log1", "Log", [this] { Memo1.AddLine("from the menu"); });
        Label1.SetPopupMenu(&PopupMenu1);
        Label1.OnClick = [this] { Memo1.AddLine("label clicked"); };
    }

private:
    void Button1Click()
    {
        ++clicks_;
        Label1.SetCaption("Clicks: " + std::to_string(clicks_));
        std::string selected;
        for (int i = 0; i < FileListBox1.Count(); ++i)
            if (FileListBox1.Selected(i))
                selected += (selected.empty() ? "" : ",") + FileListBox1.Item(i);
        Memo1.AddLine("Selected: " + selected);
    }

    int clicks_ = 0;
    forms::PopupMenu PopupMenu1{"PopupMenu1"};
    forms::Button Button1{*this, "Button1", {10, 10, 100, 24}, "Report"};
    forms::Label Label1{*this, "Label1", {120, 14, 200, 16}, "Clicks: 0"};
    forms::Panel Panel1{*this, "Panel1", {10, 40, 180, 120}};
    forms::FileListBox FileListBox1{Panel1, "FileListBox1", {5, 5, 170, 110}};
    forms::Memo Memo1{*this, "Memo1", {200, 40, 190, 120}};
};

} // namespace

int main(int argc, char** argv)
{
    forms::Application::CreateForm<TForm1>(argc > 1 ? argv[1] : ".");
    int code = forms::Application::Run();
    forms::Application::FreeForms();
    return code;
}
