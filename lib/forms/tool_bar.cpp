#include "forms/tool_bar.h"

#include "forms/bitmap_file.h"

namespace forms {

namespace {

void LoadBarClasses()
{
    static bool loaded = false;
    if (loaded)
        return;
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    loaded = true;
}

COLORREF CornerColour(HBITMAP image)
{
    BITMAP bm = {};
    GetObjectA(image, sizeof bm, &bm);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, image);
    COLORREF colour = GetPixel(dc, 0, bm.bmHeight - 1);
    SelectObject(dc, old);
    DeleteDC(dc);
    return colour;
}

} // namespace

ToolBar::ToolBar(Control& parent, const std::string& name, int imageWidth, int imageHeight)
    : Component(parent, name), images_(ImageList_Create(imageWidth, imageHeight, ILC_COLOR24 | ILC_MASK, 4, 4))
{
    LoadBarClasses();
    CreateStandard(TOOLBARCLASSNAMEA, WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER, 0,
                   {0, 0, 0, 0});
    SendMessageA(Handle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(Handle(), TB_SETBITMAPSIZE, 0, MAKELPARAM(imageWidth, imageHeight));
    SendMessageA(Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
    SendMessageA(Handle(), TB_AUTOSIZE, 0, 0);
    SetAlign(Align::Top);
}

ToolBar::~ToolBar()
{
    if (Handle())
        SendMessageA(Handle(), TB_SETIMAGELIST, 0, 0);
    ImageList_Destroy(images_);
}

int ToolBar::AddButton(const std::string& name, HBITMAP image, std::function<void()> onClick)
{
    int imageIndex = image ? ImageList_AddMasked(images_, image, CornerColour(image)) : -1;
    int command = NextControlId();
    TBBUTTON button = {};
    button.iBitmap = imageIndex < 0 ? I_IMAGENONE : imageIndex;
    button.idCommand = command;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON;
    SendMessageA(Handle(), TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    SendMessageA(Handle(), TB_AUTOSIZE, 0, 0);
    Owner().Realign();   // the bar's height may have changed
    buttons_.push_back({name, command, std::move(onClick)});
    return static_cast<int>(buttons_.size()) - 1;
}

int ToolBar::AddButton(const std::string& name, const std::string& imagePath, std::function<void()> onClick)
{
    HBITMAP image = LoadBitmapFile(imagePath);
    int index = AddButton(name, image, std::move(onClick));
    if (image)
        DeleteObject(image);
    return index;
}

int ToolBar::ButtonIndex(const std::string& name) const
{
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i].name == name)
            return static_cast<int>(i);
    return -1;
}

void ToolBar::SetButtonEnabled(int index, bool enabled)
{
    SendMessageA(Handle(), TB_ENABLEBUTTON, static_cast<WPARAM>(ButtonCommand(index)), MAKELPARAM(enabled, 0));
}

bool ToolBar::Command(WORD, WORD id)
{
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i].command != id)
            continue;
        auto handler = buttons_[i].onClick;
        if (handler)
            handler();
        if (OnButtonClick)
            OnButtonClick(static_cast<int>(i));
        return true;
    }
    return false;
}

} // namespace forms
