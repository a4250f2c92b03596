#include "ui/tool_palette.h"

#include <commctrl.h>

#include <string>

#include "engine_codes.h"
#include "formats/ansi_text.h"
#include "ui/caption_close_button.h"
#include "ui/helper_window.h"
#include "ui/palette_toolbar.h"

int ToolPalette::liveCount_ = 0;

namespace {
// The buttons in their order: tool and the resource number of its picture.
struct ButtonRow {
    int tool;
    int bitmap;
};
constexpr ButtonRow kButtons[] = {
    {PointerTool, 121},  {TextTool, 123},     {RectangleTool, 130}, {EllipseTool, 125},
    {PolygonTool, 126},  {PolyLineTool, 127}, {LineTool, 131},      {FreehandTool, 132},
    {StampTool, 128},    {ButtonTool, 120},   {ImageTool, 124},     {RulerTool, 129},
};
constexpr int kInitialColumns = 3;
constexpr DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFrameExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;

int CeilDiv(int a, int b)
{
    return b > 0 ? (a + b - 1) / b : 0;
}
} // namespace

ToolPalette::ToolPalette(ToolPaletteHost& host, void* engine) : host_(host), engine_(engine) {}

ToolPalette::~ToolPalette()
{
    Destroy();
}

bool ToolPalette::RegisterClasses()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    HINSTANCE module = HelperWindow::Module();
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExA(module, kFrameClassName, &existing) &&
        existing.lpfnWndProc != &ToolPalette::FrameProc)
        UnregisterClassA(kFrameClassName, module);  // an earlier copy of the library's
    if (!GetClassInfoExA(module, kFrameClassName, &existing)) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &ToolPalette::FrameProc;
        wc.cbWndExtra = sizeof(LONG_PTR);
        wc.hInstance = module;
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFrameClassName;
        if (!RegisterClassExA(&wc))
            return false;
    }
    return PaletteToolbar::RegisterClassOnce(module);
}

void ToolPalette::UnregisterClassesIfLast()
{
    if (liveCount_ != 0)
        return;
    HINSTANCE module = HelperWindow::Module();
    PaletteToolbar::UnregisterOnce(module);
    UnregisterClassA(kFrameClassName, module);
}

bool ToolPalette::Create(const BSTR tips[])
{
    if (frame_)
        return true;
    if (!RegisterClasses())
        return false;
    ++liveCount_;
    counted_ = true;
    frame_ = CreateWindowExA(kFrameExStyle, kFrameClassName, "", kFrameStyle, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                             HelperWindow::Module(), this);
    if (!frame_ || !toolbar_) {
        Destroy();
        return false;
    }
    SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    for (const ButtonRow& row : kButtons)
        AddButton(row.tool, row.bitmap);
    for (Button* button : buttons_)
        if (tips && tips[button->tool - kFirstTool])
            button->tip = SysAllocStringLen(tips[button->tool - kFirstTool],
                                            SysStringLen(tips[button->tool - kFirstTool]));
    if (!buttons_.empty())
        CheckTool(buttons_.front()->tool);
    ApplyColumns(kInitialColumns);
    FitFrame();
    SetWindowLongPtrA(frame_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(engine_));
    hiddenByHost_ = false;
    return true;
}

void ToolPalette::Destroy()
{
    if (frame_ && IsWindow(frame_))
        DestroyWindow(frame_);  // the toolbar and its tooltips go with it
    frame_ = nullptr;
    toolbar_ = nullptr;
    tooltips_ = nullptr;
    for (Button* button : buttons_) {
        SysFreeString(button->tip);
        delete button;
    }
    buttons_.clear();
    visible_ = 0;
    if (counted_) {
        counted_ = false;
        --liveCount_;
        UnregisterClassesIfLast();
    }
}

void ToolPalette::AddButton(int tool, int bitmap)
{
    if (!SendMessageA(toolbar_, TB_SETBITMAPSIZE, 0, MAKELONG(kBitmapSize, kBitmapSize)))
        return;
    if (!SendMessageA(toolbar_, TB_SETBUTTONSIZE, 0, MAKELONG(kButtonWidth, kButtonHeight)))
        return;
    TBADDBITMAP picture = {HelperWindow::Module(), static_cast<UINT_PTR>(bitmap)};
    SendMessageA(toolbar_, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&picture));
    auto* added = new Button;
    added->bitmap = bitmaps_;
    added->tool = tool;
    TBBUTTON button = {};
    button.iBitmap = bitmaps_;
    button.idCommand = tool;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON;
    if (!SendMessageA(toolbar_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button))) {
        delete added;
        return;
    }
    ++bitmaps_;
    buttons_.push_back(added);
    ++visible_;
}

ToolPalette::Button* ToolPalette::ButtonOf(int tool)
{
    for (Button* button : buttons_)
        if (button->tool == tool)
            return button;
    return nullptr;
}

void ToolPalette::Show(bool show)
{
    if (frame_)
        ShowWindow(frame_, show ? SW_SHOWNORMAL : SW_HIDE);
}

void ToolPalette::Enable(bool enable)
{
    if (frame_)
        EnableWindow(frame_, enable ? TRUE : FALSE);
}

void ToolPalette::ApplyRows(int wish)
{
    if (visible_ == 1) {
        SendMessageA(toolbar_, TB_SETROWS, MAKEWPARAM(2, FALSE), 0);
    } else {
        RECT larger = {};
        SendMessageA(toolbar_, TB_SETROWS, MAKEWPARAM(wish, TRUE),
                     reinterpret_cast<LPARAM>(&larger));
    }
    // The toolbar wraps its buttons at the width of the frame: the frame
    // and the toolbar are given the width of the rows asked for, so that
    // the wrapping keeps them.
    int perRow = wish > 0 ? CeilDiv(visible_, wish) : visible_;
    if (perRow < 1)
        perRow = 1;
    const int wantRows = CeilDiv(visible_ > 0 ? visible_ : 1, perRow);
    SizeFrameClient(perRow * kButtonWidth, wantRows * kButtonHeight);
    SetWindowPos(toolbar_, nullptr, 0, 0, perRow * kButtonWidth, wantRows * kButtonHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
    int made = static_cast<int>(SendMessageA(toolbar_, TB_GETROWS, 0, 0));
    rows_ = made < 1 ? 1 : made;
    columns_ = CeilDiv(visible_, rows_);
    if (columns_ < 1)
        columns_ = 1;
}

void ToolPalette::ApplyColumns(int wish)
{
    if (!toolbar_)
        return;
    int columns = wish;
    if (columns > visible_)
        columns = visible_;
    if (columns < 1)
        columns = 1;
    ApplyRows(CeilDiv(visible_ > 0 ? visible_ : 1, columns));
    RebuildTips();
}

void ToolPalette::SetColumns(int wish)
{
    ApplyColumns(wish);
    FitFrame();
}

void ToolPalette::SetRows(int wish)
{
    if (!toolbar_)
        return;
    const int old = rows_;
    auto clamp = [this](int rows) {
        if (rows > visible_)
            rows = visible_;
        return rows < 1 ? 1 : rows;
    };
    if (wish > old) {
        ApplyRows(clamp(wish));
    } else if (wish <= 0 && wish < old) {
        return;
    } else if (wish == old) {
        ApplyRows(clamp(wish));
    } else {
        // A smaller wish the toolbar may round back up: ask for fewer until
        // the rows change.
        for (int rows = wish; rows >= 1; --rows) {
            ApplyRows(clamp(rows));
            if (rows_ != old)
                break;
        }
    }
    RebuildTips();
    FitFrame();
}

void ToolPalette::SizeFrameClient(int width, int height)
{
    RECT client = {0, 0, width, height};
    AdjustWindowRectEx(&client, kFrameStyle, FALSE, kFrameExStyle);
    RECT place = {};
    GetWindowRect(frame_, &place);
    MoveWindow(frame_, place.left, place.top, client.right - client.left,
               client.bottom - client.top, TRUE);
}

void ToolPalette::FitFrame()
{
    if (!frame_ || !toolbar_)
        return;
    RECT bar = {};
    GetWindowRect(toolbar_, &bar);
    POINT offset = {bar.left, bar.top};
    ScreenToClient(frame_, &offset);
    SizeFrameClient(columns_ * kButtonWidth + 2 * offset.x,
                    rows_ * kButtonHeight + offset.y + offset.x);
}

void ToolPalette::RebuildTips()
{
    if (!tooltips_ || !toolbar_)
        return;
    int n = 0;
    for (Button* button : buttons_) {
        TTTOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        info.hwnd = toolbar_;
        info.uId = static_cast<UINT_PTR>(button->tool);
        SendMessageA(tooltips_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
        if (button->hidden)
            continue;
        const int column = columns_ > 0 ? n % columns_ : 0;
        const int row = columns_ > 0 ? n / columns_ : 0;
        ++n;
        std::string text =
            button->tip ? ToAnsi(std::wstring(button->tip, SysStringLen(button->tip)))
                        : std::string();
        info.uFlags = TTF_SUBCLASS;
        info.rect = RECT{column * kButtonWidth, row * kButtonHeight,
                         column * kButtonWidth + kButtonWidth, row * kButtonHeight + kButtonHeight};
        info.hinst = nullptr;
        info.lpszText = &text[0];
        if (text.empty()) {
            static char empty[] = "";
            info.lpszText = empty;
        }
        SendMessageA(tooltips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void ToolPalette::SetToolEnabled(int tool, bool enabled)
{
    if (!toolbar_ || !ButtonOf(tool))
        return;
    LRESULT state = SendMessageA(toolbar_, TB_GETSTATE, static_cast<WPARAM>(tool), 0);
    if (state == -1)
        return;
    state = enabled ? (state | TBSTATE_ENABLED) : (state & ~TBSTATE_ENABLED);
    SendMessageA(toolbar_, TB_SETSTATE, static_cast<WPARAM>(tool), MAKELONG(state, 0));
}

void ToolPalette::SetToolHidden(int tool, bool hidden)
{
    Button* button = ButtonOf(tool);
    if (!toolbar_ || !button)
        return;
    if (button->hidden != hidden) {
        button->hidden = hidden;
        visible_ += hidden ? -1 : 1;
    }
    SendMessageA(toolbar_, TB_HIDEBUTTON, static_cast<WPARAM>(tool), MAKELONG(hidden, 0));
    SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
    SetColumns(columns_);
}

void ToolPalette::CheckTool(int tool)
{
    if (!toolbar_ || !ButtonOf(tool))
        return;
    checkedTool_ = tool;
    for (Button* button : buttons_)
        SendMessageA(toolbar_, TB_CHECKBUTTON, static_cast<WPARAM>(button->tool),
                     MAKELONG(button->tool == tool, 0));
}

void ToolPalette::SetTip(int tool, BSTR text)
{
    Button* button = ButtonOf(tool);
    if (!button)
        return;
    BSTR copy = SysAllocStringLen(text, text ? SysStringLen(text) : 0);
    SysFreeString(button->tip);
    button->tip = copy;
    RebuildTips();
}

LRESULT ToolPalette::OnNotify(const NMHDR& header)
{
    if (header.hwndFrom != toolbar_)
        return 0;
    switch (header.code) {
    case TBN_QUERYINSERT:
        return TRUE;
    case NM_CLICK: {
        const auto& mouse = reinterpret_cast<const NMMOUSE&>(header);
        const int tool = static_cast<int>(mouse.dwItemSpec);
        if (!ButtonOf(tool))
            return 0;
        CheckTool(tool);
        host_.PaletteToolClicked(tool);  // may change anything, the palette included
        return 0;
    }
    default:
        return 0;
    }
}

bool ToolPalette::OnContextMenu(int screenX, int screenY)
{
    if (!menusInUse_ || columns_ < 1)
        return false;
    POINT point = {screenX, screenY};
    ScreenToClient(toolbar_, &point);
    if (point.x < 0 || point.y < 0 || point.x / kButtonWidth >= columns_)
        return false;
    const int n = (point.y / kButtonHeight) * columns_ + point.x / kButtonWidth;
    Button* button = nullptr;
    int position = 0;
    for (Button* candidate : buttons_) {
        if (candidate->hidden)
            continue;
        if (position++ == n) {
            button = candidate;
            break;
        }
    }
    if (!button || !button->menuEnabled)
        return false;
    const int tool = button->tool;
    PopupMenuChoice choice;
    button->menu.Track(screenX, screenY, toolbar_, &choice);
    host_.PaletteMenuChosen(tool, choice);
    return true;
}

LRESULT CALLBACK ToolPalette::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* palette = reinterpret_cast<ToolPalette*>(GetWindowLongPtrA(window, 0));
    switch (message) {
    case WM_CREATE:
        if (palette) {
            palette->frame_ = window;
            palette->toolbar_ = PaletteToolbar::Create(window, palette, HelperWindow::Module());
        }
        return palette && palette->toolbar_ ? 0 : -1;
    case WM_NOTIFY:
        if (palette && lParam)
            return palette->OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    case WM_CLOSE:
        ShowWindow(window, SW_HIDE);  // closing only hides the palette
        return 0;
    // The caption's close button is the engine's own drawing, over the
    // frame's: after every caption paint, and while it is pressed.
    case WM_NCPAINT: {
        const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        caption_close::Paint(window, GetActiveWindow() == window, false);
        return result;
    }
    case WM_NCACTIVATE: {
        const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        caption_close::Paint(window, wParam != 0, false);
        return result;
    }
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        caption_close::Paint(window, GetActiveWindow() == window, false);
        return result;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (wParam == HTCLOSE) {
            caption_close::Track(window, GetActiveWindow() == window);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, 0, 0);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
