#include "host_form.h"

#include "forms/component_name.h"
#include "host_picture.h"
#include "image_reader.h"

#include <commdlg.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace host {
namespace {

// The annotation control's tools, by the names the host shows; the palette
// offers them all, the buttons the first three.
constexpr long kPointerTool = 4096;
constexpr long kRectangleTool = 4098;
constexpr long kEllipseTool = 4099;
constexpr long kImageTool = 4105;
struct ToolName {
    long tool;
    const wchar_t* name;
};
const ToolName kToolNames[] = {
    {4096, L"Pointer"}, {4097, L"Text"},     {4098, L"Rectangle"}, {4099, L"Ellipse"},
    {4100, L"Polygon"}, {4101, L"Polyline"}, {4102, L"Line"},      {4103, L"Freehand"},
    {4104, L"Stamp"},   {4105, L"Picture"},  {4106, L"Button"},    {4107, L"Ruler"},
    {4108, L"Protractor"},
};
constexpr DISPID kPaletteMenuSelectEvent = 7;
constexpr DISPID kToolbarSelectEvent = 18;
constexpr DISPID kMouseMoveEvent = 11;
constexpr DISPID kUserDrawEvent = 12;

// The menu each palette button opens on a right click: the tool's colours,
// font and pen width for what it draws next, and the picture tool's picture.
// Item ids are the attribute codes; the pen width's sub-items 1 to 10 stand
// for the widths 0 to 9.
constexpr long kPenColor = 1, kTextColor = 2, kBackColor = 3, kFillColor = 4, kPenWidth = 5,
               kFont = 11, kPicture = 17;
struct ToolMenuRow {
    long item;
    const wchar_t* caption;
};
const ToolMenuRow kMenuRows[] = {
    {kPenColor, L"Pen color..."},   {kTextColor, L"Text color..."}, {kBackColor, L"Back color..."},
    {kFillColor, L"Fill color..."}, {kFont, L"Font..."},            {kPenWidth, L"Pen width"},
    {kPicture, L"Picture..."},
};
// Which rows a tool's menu has (the colours the control lets it choose).
struct ToolMenu {
    long tool;
    long items[5];  // the rows in order; 0 ends them
};
const ToolMenu kToolMenus[] = {
    {4097, {kPenColor, kTextColor, kBackColor, kFont, kPenWidth}},
    {4098, {kPenColor, kFillColor, kPenWidth}},
    {4099, {kPenColor, kFillColor, kPenWidth}},
    {4100, {kPenColor, kFillColor, kPenWidth}},
    {4101, {kPenColor, kPenWidth}},
    {4102, {kPenColor, kPenWidth}},
    {4103, {kPenColor, kPenWidth}},
    {4104, {kPenColor, kTextColor, kBackColor, kFont, kPenWidth}},
    {4105, {kPicture}},
    {4106, {kFont}},
    {4107, {kPenColor, kPenWidth}},
};
constexpr int kPenWidths = 10;
// A stamp needs a text; the host's when the control has none.
const wchar_t kStampText[] = L"Approved";
// TIFFAnnotationType: 1 the control's own stream in tag 34686, 0 the marks of
// tag 32932.
constexpr long kTiffAnnotationsOwnStream = 1;
constexpr long kTiffAnnotationsWang = 0;
constexpr uint16_t kTagOwnStream = 34686, kTagWang = 32932;
// Posted to the form to ask the view about unsaved changes once an event
// of the annotation control has returned.
constexpr UINT kRefreshUnsavedMessage = WM_APP + 41;
const wchar_t kUnsavedMark[] = L" - unsaved changes";

const wchar_t kViewerName[] = L"Viewer1";
const wchar_t kAnnotationsName[] = L"Annotations1";

// The window's layout, in pixels of its client area.
constexpr int kClientWidth = 900;
constexpr int kClientHeight = 640;
constexpr int kBarHeight = 32;
constexpr int kStripWidth = 128;  // room for the palette's three columns

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string narrow(length > 0 ? length : 0, '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &narrow[0],
                            length, nullptr, nullptr);
    return narrow;
}

std::wstring ToolNameOf(long tool) {
    for (const ToolName& entry : kToolNames)
        if (entry.tool == tool) return entry.name;
    return L"Tool " + std::to_wstring(tool);
}

VARIANT Long(long value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT Flag(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT TextValue(const std::wstring& text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return v;
}

long LongOf(const VARIANT& value) {
    VARIANT copy;
    VariantInit(&copy);
    long result = 0;
    if (SUCCEEDED(VariantChangeType(&copy, const_cast<VARIANT*>(&value), 0, VT_I4)))
        result = copy.lVal;
    VariantClear(&copy);
    return result;
}

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    wsprintfW(text, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

} // namespace

HostForm::HostForm() : Form("HostForm"), picture_(DefaultPicture()) {
    SetCaption("Annotate");
    SetClientSize(kClientWidth, kClientHeight);
    pointer_ = std::make_unique<forms::Button>(*this, "PointerButton",
                                               forms::Rect{4, 4, 80, 24}, "Pointer");
    rectangle_ = std::make_unique<forms::Button>(*this, "RectangleButton",
                                                 forms::Rect{88, 4, 80, 24}, "Rectangle");
    ellipse_ = std::make_unique<forms::Button>(*this, "EllipseButton",
                                               forms::Rect{172, 4, 80, 24}, "Ellipse");
    save_ = std::make_unique<forms::Button>(*this, "SaveButton", forms::Rect{268, 4, 80, 24},
                                            "Save");
    status_ = std::make_unique<forms::Label>(*this, "StatusLabel",
                                             forms::Rect{360, 8, 340, 20}, "");
    events_ = std::make_unique<forms::Label>(*this, "EventLabel", forms::Rect{704, 8, 192, 20},
                                             "No events");
    pointer_->OnClick = [this] { PickTool(kPointerTool); };
    rectangle_->OnClick = [this] { PickTool(kRectangleTool); };
    ellipse_->OnClick = [this] { PickTool(kEllipseTool); };
    save_->OnClick = [this] { Save(); };
    OnClose = [this](bool& allow) { allow = MayClose(); };

    const RECT viewArea = {0, kBarHeight, kClientWidth - kStripWidth, kClientHeight};
    const RECT stripArea = {kClientWidth - kStripWidth, kBarHeight, kClientWidth, kClientHeight};
    viewer_ = std::make_unique<forms::ActiveXSite>(Handle(), viewArea);
    annotations_ = std::make_unique<forms::ActiveXSite>(Handle(), stripArea);
    forms::SetComponentName(viewer_->Window(), Narrow(kViewerName));
    forms::SetComponentName(annotations_->Window(), Narrow(kAnnotationsName));
    viewer_->SetDisplayName(kViewerName);
    annotations_->SetDisplayName(kAnnotationsName);

    HRESULT hr = viewer_->Create(L"Vistrel.Vistrel7");
    if (FAILED(hr)) {
        SetStatus(L"The image view cannot be created (" + Hex(hr) + L").");
        return;
    }
    hr = annotations_->Create(L"MorvaneImaging.Quillmark");
    if (FAILED(hr)) {
        SetStatus(L"The annotation control cannot be created (" + Hex(hr) + L").");
        return;
    }
    annotations_->SetEventHandler(
        [this](DISPID id, const DISPPARAMS& params) { OnAnnotationEvent(id, params); });
    Bind();
}

HostForm::~HostForm() {
    // The annotation control lets go of the view first.
    if (annotations_) annotations_->Destroy();
    if (viewer_) viewer_->Destroy();
    if (picture_) GlobalFree(picture_);
}

HRESULT HostForm::Invoke(forms::ActiveXSite& site, const wchar_t* name, WORD flags,
                         VARIANT* args, UINT count, VARIANT* result, std::wstring* error) {
    IDispatch* dispatch = site.GetDispatch();
    if (!dispatch) return E_NOINTERFACE;
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        if (error) *error = std::wstring(L"No member ") + name;
        return hr;
    }
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {args, (flags & DISPATCH_PROPERTYPUT) ? &named : nullptr, count,
                         (flags & DISPATCH_PROPERTYPUT) ? 1u : 0u};
    EXCEPINFO exception = {};
    hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception,
                          nullptr);
    if (error && FAILED(hr))
        *error = exception.bstrDescription
                     ? std::wstring(exception.bstrDescription)
                     : std::wstring(name) + L" failed (" + Hex(hr) + L")";
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return hr;
}

HRESULT HostForm::Call(const wchar_t* name, std::vector<VARIANT> args, long* result,
                       std::wstring* error) {
    // Invoke takes the arguments last first.
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = Invoke(*annotations_, name, DISPATCH_METHOD, reversed.data(),
                              static_cast<UINT>(reversed.size()), &value, error);
    if (result) *result = SUCCEEDED(hr) ? LongOf(value) : 0;
    VariantClear(&value);
    for (VARIANT& arg : reversed) VariantClear(&arg);
    return hr;
}

HRESULT HostForm::PutText(forms::ActiveXSite& site, const wchar_t* name,
                          const std::wstring& text, std::wstring* error) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    const HRESULT hr = Invoke(site, name, DISPATCH_PROPERTYPUT, &value, 1, nullptr, error);
    VariantClear(&value);
    return hr;
}

HRESULT HostForm::PutLong(forms::ActiveXSite& site, const wchar_t* name, long value,
                          std::wstring* error) {
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = value;
    return Invoke(site, name, DISPATCH_PROPERTYPUT, &arg, 1, nullptr, error);
}

HRESULT HostForm::PutFlag(forms::ActiveXSite& site, const wchar_t* name, bool value,
                          std::wstring* error) {
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BOOL;
    arg.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return Invoke(site, name, DISPATCH_PROPERTYPUT, &arg, 1, nullptr, error);
}

long HostForm::GetLong(forms::ActiveXSite& site, const wchar_t* name) {
    VARIANT result;
    VariantInit(&result);
    long value = 0;
    if (SUCCEEDED(Invoke(site, name, DISPATCH_PROPERTYGET, nullptr, 0, &result, nullptr)) &&
        SUCCEEDED(VariantChangeType(&result, &result, 0, VT_I4)))
        value = result.lVal;
    VariantClear(&result);
    return value;
}

void HostForm::Bind() {
    std::wstring error;
    if (FAILED(PutLong(*annotations_, L"TIFFAnnotationType", kTiffAnnotationsOwnStream, &error)) ||
        FAILED(PutText(*annotations_, L"Client", kViewerName, &error)))
        SetStatus(L"Binding failed: " + error);
}

void HostForm::EnsureLayer() {
    // Drawing needs a current layer: the file's, or a new one.
    if (GetLong(*annotations_, L"CurrentLayer") == 0) {
        VARIANT result;
        VariantInit(&result);
        std::wstring error;
        if (FAILED(Invoke(*annotations_, L"CreateLayer", DISPATCH_METHOD, nullptr, 0, &result,
                          &error)))
            SetStatus(L"No layer to draw in: " + error);
        VariantClear(&result);
    }
    ShowPalette();
}

void HostForm::ShowPalette() {
    const long layer = GetLong(*annotations_, L"CurrentLayer");
    if (layer == 0) return;
    std::wstring error;
    VARIANT result;
    VariantInit(&result);
    if (FAILED(Invoke(*annotations_, L"DefaultStampText", DISPATCH_PROPERTYGET, nullptr, 0,
                      &result, nullptr)) ||
        result.vt != VT_BSTR || SysStringLen(result.bstrVal) == 0)
        PutText(*annotations_, L"DefaultStampText", kStampText, nullptr);
    VariantClear(&result);
    if (FAILED(PutFlag(*annotations_, L"UsePaletteMenu", true, &error)) ||
        FAILED(PutFlag(*annotations_, L"EnableContextMenu", true, &error)) ||
        FAILED(Call(L"SetToolPaletteVisible", {Long(layer), Flag(true)}, nullptr, &error))) {
        SetStatus(L"The tool palette cannot be shown: " + error);
        return;
    }
    HWND frame = PaletteWindow();
    if (frame && !palettePlaced_) {
        forms::SetComponentName(frame, "ToolPalette");
        forms::SetComponentName(FindWindowExA(frame, nullptr, "MRV_Toolbar", nullptr),
                                "PaletteButtons");
        palettePlaced_ = true;
        PlacePalette();
        AddPaletteMenus(layer);
    }
}

void HostForm::AddPaletteMenus(long layer) {
    for (const ToolMenu& menu : kToolMenus) {
        for (long item : menu.items) {
            if (item == 0) break;
            for (const ToolMenuRow& row : kMenuRows)
                if (row.item == item)
                    Call(L"AddPaletteMenuItem",
                         {Long(menu.tool), Long(item), TextValue(row.caption), Long(0), Long(0)},
                         nullptr, nullptr);
            if (item != kPenWidth) continue;
            for (int n = 1; n <= kPenWidths; ++n)
                Call(L"AddPaletteSubmenuItem",
                     {Long(menu.tool), Long(kPenWidth), Long(n), TextValue(std::to_wstring(n - 1)),
                      Long(0), Long(0)},
                     nullptr, nullptr);
            long width = 0;
            if (SUCCEEDED(Call(L"GetPenWidth", {Long(layer), Long(menu.tool)}, &width, nullptr)))
                TickPenWidth(menu.tool, width);
        }
    }
}

void HostForm::TickPenWidth(long tool, long width) {
    if (width < 0 || width >= kPenWidths) return;
    Call(L"SetPaletteMenuSubitemChecked",
         {Long(tool), Long(kPenWidth), Long(width + 1), Flag(true), Flag(true)}, nullptr, nullptr);
}

void HostForm::OnPaletteMenu(long tool, long item, long subItem) {
    const long layer = GetLong(*annotations_, L"CurrentLayer");
    if (layer == 0 || item == 0) return;  // nothing chosen
    std::wstring error;
    const long owner = static_cast<long>(reinterpret_cast<INT_PTR>(Handle()));
    long chosen = 0;
    HRESULT hr = S_OK;
    std::wstring done;
    if (item == kPenWidth) {
        hr = Call(L"SetPenWidth", {Long(layer), Long(tool), Long(subItem - 1)}, nullptr, &error);
        if (SUCCEEDED(hr)) TickPenWidth(tool, subItem - 1);
        done = L"pen width " + std::to_wstring(subItem - 1);
    } else if (item == kPicture) {
        ChoosePicture();
        return;
    } else if (item == kFont) {
        hr = Call(L"UserFontSelect", {Long(layer), Long(tool), Long(owner)}, &chosen, &error);
        done = chosen ? L"new font" : L"font kept";
    } else {
        hr = Call(L"UserColorSelect", {Long(layer), Long(tool), Long(item), Long(owner)}, &chosen,
                  &error);
        done = chosen ? L"new colour" : L"colour kept";
    }
    SetStatus(FAILED(hr) ? L"Not changed: " + error : ToolNameOf(tool) + L": " + done);
}

HRESULT HostForm::GivePicture(HGLOBAL picture, std::wstring* error) {
    // The engine copies the picture; the block stays the host's.
    return Call(L"SetToolDefaultAttribute",
                {Long(kImageTool), Long(kPicture),
                 Long(static_cast<long>(reinterpret_cast<INT_PTR>(picture)))},
                nullptr, error);
}

void HostForm::ChoosePicture() {
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = Handle();
    dialog.lpstrFilter = L"Bitmap pictures (*.bmp)\0*.bmp\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = L"Picture";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog)) {
        SetStatus(L"Picture: picture kept");
        return;
    }
    std::wstring error;
    HGLOBAL picture = ReadBitmapFile(file, &error);
    if (!picture) {
        SetStatus(std::wstring(file) + L" " + error + L"; picture kept");
        return;
    }
    if (FAILED(GivePicture(picture, &error))) {
        GlobalFree(picture);
        SetStatus(std::wstring(file) + L" is not a picture the tool can use; picture kept");
        return;
    }
    if (picture_) GlobalFree(picture_);
    picture_ = picture;
    SetStatus(L"Picture: " + std::wstring(file));
}

HWND HostForm::PaletteWindow() {
    const long handle = GetLong(*annotations_, L"ToolPaletteHwnd");
    HWND frame = reinterpret_cast<HWND>(static_cast<INT_PTR>(handle));
    return frame && IsWindow(frame) ? frame : nullptr;
}

void HostForm::PlacePalette() {
    // Over the strip at the right, whose control shows nothing at run time.
    HWND frame = palettePlaced_ ? PaletteWindow() : nullptr;
    if (!frame) return;
    POINT corner = {kClientWidth - kStripWidth, kBarHeight};
    ClientToScreen(Handle(), &corner);
    SetWindowPos(frame, nullptr, corner.x, corner.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT HostForm::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kRefreshUnsavedMessage:
        RefreshUnsaved();
        return 0;
    case WM_MOVE:
        PlacePalette();
        break;
    case WM_SIZE:
        // The palette goes with the window when it is minimised and comes
        // back with it.
        if (palettePlaced_ && (wParam == SIZE_MINIMIZED) != paletteHidden_) {
            paletteHidden_ = wParam == SIZE_MINIMIZED;
            PutFlag(*annotations_, L"ToolbarActivated", !paletteHidden_, nullptr);
        }
        break;
    }
    return Form::WindowProc(message, wParam, lParam);
}

std::wstring HostForm::CountText() {
    const long layer = GetLong(*annotations_, L"CurrentLayer");
    long count = 0;
    if (layer != 0 && FAILED(Call(L"PrgGetItemCount", {Long(layer)}, &count, nullptr))) count = 0;
    return count == 1 ? L"1 annotation" : std::to_wstring(count) + L" annotations";
}

bool HostForm::Open(const std::wstring& path) {
    std::wstring error;
    // The annotations are read, and saved, in the form the page stores them:
    // the control's own stream when it has one, else the marks of 32932.
    const std::string narrow = Narrow(path);
    const long type = !imaging::ReadTiffTag(narrow, kTagOwnStream, nullptr) &&
                              imaging::ReadTiffTag(narrow, kTagWang, nullptr)
                          ? kTiffAnnotationsWang
                          : kTiffAnnotationsOwnStream;
    if (FAILED(PutLong(*annotations_, L"TIFFAnnotationType", type, &error))) {
        SetStatus(L"The annotation type cannot be set: " + error);
        return false;
    }
    if (FAILED(PutText(*viewer_, L"FileName", path, &error))) {
        SetStatus(error);
        return false;
    }
    path_ = path;
    SetCaption(Narrow(L"Annotate - " + path));
    EnsureLayer();
    if (picture_ && FAILED(GivePicture(picture_, &error)))
        SetStatus(L"The picture tool has no picture: " + error);
    if (statusText_.empty()) SetStatus(L"Opened " + path + L": " + CountText());
    // From here on a change is one since the opening.
    RefreshUnsaved();
    return true;
}

bool HostForm::Unsaved() {
    if (path_.empty() || !viewer_) return false;
    VARIANT result;
    VariantInit(&result);
    bool changed = false;
    if (SUCCEEDED(Invoke(*viewer_, L"AnnotationsChanged", DISPATCH_PROPERTYGET, nullptr, 0, &result,
                         nullptr)) &&
        SUCCEEDED(VariantChangeType(&result, &result, 0, VT_BOOL)))
        changed = result.boolVal != VARIANT_FALSE;
    VariantClear(&result);
    return changed;
}

void HostForm::RefreshUnsaved() {
    refreshPosted_ = false;
    const bool unsaved = Unsaved();
    if (unsaved == unsaved_) return;
    unsaved_ = unsaved;
    SetStatus(statusText_);
}

bool HostForm::MayClose() {
    if (!Unsaved()) return true;
    const std::wstring question = L"The annotations of " + path_ +
                                  L" have changed since it was opened or saved.\n\nSave the changes?";
    switch (MessageBoxW(Handle(), question.c_str(), L"Annotate",
                        MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON1)) {
    case IDYES:
        // A save that fails keeps the window, with the reason on the status line.
        return Save();
    case IDNO:
        return true;
    default:
        return false;
    }
}

bool HostForm::Save() {
    if (path_.empty()) {
        SetStatus(L"There is no file to save.");
        return false;
    }
    std::wstring error;
    VARIANT result;
    VariantInit(&result);
    const bool ok =
        SUCCEEDED(PutText(*viewer_, L"SaveFileName", path_, &error)) &&
        SUCCEEDED(Invoke(*viewer_, L"SaveFile", DISPATCH_METHOD, nullptr, 0, &result, &error));
    VariantClear(&result);
    unsaved_ = ok ? false : Unsaved();
    SetStatus(ok ? L"Saved " + path_ + L": " + CountText() : L"Not saved: " + error);
    return ok;
}

bool HostForm::PickTool(long tool) {
    EnsureLayer();
    std::wstring error;
    if (FAILED(PutLong(*annotations_, L"Tool", tool, &error))) {
        SetStatus(L"The tool cannot be picked: " + error);
        return false;
    }
    SetStatus(ToolNameOf(tool));
    return true;
}

void HostForm::SetStatus(const std::wstring& text) {
    statusText_ = text;
    status_->SetCaption(Narrow(unsaved_ ? text + kUnsavedMark : text));
}

void HostForm::OnAnnotationEvent(DISPID id, const DISPPARAMS& params) {
    // "Events: count, last: dispid(arguments in order)".
    ++eventCount_;
    std::wstring text = L"Events: " + std::to_wstring(eventCount_) + L", last: " +
                        std::to_wstring(id) + L"(";
    for (UINT i = params.cArgs; i-- > 0;) {
        VARIANT copy;
        VariantInit(&copy);
        if (SUCCEEDED(VariantChangeType(&copy, &params.rgvarg[i], 0, VT_BSTR)))
            text += copy.bstrVal ? copy.bstrVal : L"";
        VariantClear(&copy);
        if (i > 0) text += L",";
    }
    text += L")";
    events_->SetCaption(Narrow(text));
    // What the event changed is asked about once it has returned (the
    // moves of the mouse and the drawing of items change nothing).
    if (id != kMouseMoveEvent && id != kUserDrawEvent && !refreshPosted_ &&
        PostMessageW(Handle(), kRefreshUnsavedMessage, 0, 0))
        refreshPosted_ = true;
    // A tool picked on the palette: ToolbarSelect(tool, layer); a choice in
    // a tool's menu: PaletteMenuSelect(tool, item, sub-item, user 1, user 2).
    if (id == kToolbarSelectEvent && params.cArgs == 2)
        SetStatus(ToolNameOf(LongOf(params.rgvarg[1])));
    if (id == kPaletteMenuSelectEvent && params.cArgs == 5)
        OnPaletteMenu(LongOf(params.rgvarg[4]), LongOf(params.rgvarg[3]),
                      LongOf(params.rgvarg[2]));
}

} // namespace host
