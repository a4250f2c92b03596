// A host that calls back into the engine from inside what the engine tells
// it: for each report the engine makes (and a view service it asks for), the
// host deletes every layer, deletes the current layer, reloads the
// annotations from memory, deletes the item or deselects everything, once,
// from inside the call. The engine must finish the operation without touching
// what went and stay whole: every layer and item it still lists answers, it
// paints and saves, and its heaps validate. The program runs under wine's heap
// checking (freed blocks are filled and checked), so a use of freed memory
// shows as a crash or a heap message. These tests move the screen cursor and
// show a window, so they run alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "engine_test_host.h"
#include "host_window.h"
#include "menu_driver.h"
#include "packed_images.h"

using namespace engine_test;

namespace {

enum class HostAction { DeleteAllLayers, DeleteCurrentLayer, ReloadFromMemory, DeleteItem, DeselectAll };

const HostAction kActions[] = {HostAction::DeleteAllLayers, HostAction::DeleteCurrentLayer,
                               HostAction::ReloadFromMemory, HostAction::DeleteItem,
                               HostAction::DeselectAll};

const char* NameOf(HostAction action)
{
    switch (action) {
    case HostAction::DeleteAllLayers:
        return "delete all layers";
    case HostAction::DeleteCurrentLayer:
        return "delete the current layer";
    case HostAction::ReloadFromMemory:
        return "reload from memory";
    case HostAction::DeleteItem:
        return "delete the item";
    case HostAction::DeselectAll:
        return "deselect all";
    }
    return "?";
}

// The report to act on: a channel and, for channels 1 and 5, a code. Channel
// 0 stands for the host's view geometry service, -2 for its picture mapping
// service.
constexpr int kViewService = 0;
constexpr int kMapService = -2;

// The host's side: one engine, the report it waits for and what it does then.
struct ReenteringHost {
    AnnotationEngine* engine = nullptr;
    int channel = -1;
    int code = 0;
    HostAction action = HostAction::DeleteAllLayers;
    std::vector<unsigned char> saved;  // what a reload loads
    int layer = 0;                     // the first layer, when a report names none
    int item = 0;                      // the item, when a report names none
    bool armed = false;
    bool acted = false;
    // What the engine listed when the host acted.
    std::vector<int> layersThen;
    int currentThen = 0;
    int actedLayer = 0;
    int actedItem = 0;
    int actionResult = 0;
    bool done = false;            // the host's call back has returned
    int reportsAfterward = 0;     // what the operation still reported after it
    int reportsOfGoneLayers = 0;  // reports naming a layer the engine no longer has

    // A pick of a palette menu goes on to its second report (channel 17,
    // menu 2) whatever the host did: it names no layer.
    static bool AboutThePalette(int heardChannel, int heardCode)
    {
        return heardChannel == Channel_MenuSelect && heardCode == 2;
    }

    void Heard(int heardChannel, int heardCode, int heardLayer, int heardSeq)
    {
        if (done && armed && heardChannel != kViewService &&
            !AboutThePalette(heardChannel, heardCode)) {
            ++reportsAfterward;
            if (heardLayer != 0 && !engine->IsValidLayer(heardLayer))
                ++reportsOfGoneLayers;
        }
        if (!armed || acted || heardChannel != channel || heardCode != code)
            return;
        acted = true;
        for (int l = engine->GetFirstLayer(); l != 0; l = engine->GetNextLayer())
            layersThen.push_back(l);
        currentThen = engine->GetCurrentLayer();
        actedLayer = heardLayer ? heardLayer : (currentThen ? currentThen : layer);
        actedItem = heardSeq ? heardSeq : item;
        switch (action) {
        case HostAction::DeleteAllLayers:
            actionResult = engine->DeleteAllLayers();
            break;
        case HostAction::DeleteCurrentLayer:
            actionResult = engine->DeleteLayer(currentThen);
            break;
        case HostAction::ReloadFromMemory:
            engine->DeleteAllLayers();
            actionResult = engine->LoadAnnotationsFromMemory(
                saved.data(), static_cast<int>(saved.size()), 0, 0);
            break;
        case HostAction::DeleteItem:
            actionResult = engine->PrgDeleteItem(actedLayer, actedItem);
            break;
        case HostAction::DeselectAll:
            actionResult = engine->PrgSelectAll(actedLayer, 0);
            break;
        }
        done = true;
    }
};

ReenteringHost* g_host = nullptr;

bool NamesAnItem(int code)
{
    return code >= QMK_AnnotationAdded && code <= QMK_AnnotationSelected;
}

int __stdcall OnAnnotateEvent(HostCookie, int code, int data)
{
    g_host->Heard(Channel_AnnotateEvent, code, 0, NamesAnItem(code) ? data : 0);
    return 0;
}
int __stdcall OnMouseEvent(HostCookie, int code, int layer, int seq, int, int, int, int)
{
    g_host->Heard(Channel_MouseEvent, code, layer, seq);
    return 0;
}
int __stdcall OnStamping(HostCookie)
{
    g_host->Heard(Channel_Stamping, 0, 0, 0);
    return 0;
}

int __stdcall OnUserDraw(HostCookie, HDC, int, int, int, int, int layer, int seq, int)
{
    g_host->Heard(Channel_UserDraw, 0, layer, seq);
    return 0;
}
int __stdcall OnItemChanged(HostCookie, int layer, int seq, int)
{
    g_host->Heard(Channel_ItemChanged, 0, layer, seq);
    return 0;
}
// The host leaves the password as the engine offers it.
int __stdcall OnRequestLayerPassword(HostCookie, BSTR, BSTR*)
{
    g_host->Heard(Channel_RequestLayerPassword, 0, 0, 0);
    return 0;
}
int __stdcall OnUserGroupCreated(HostCookie, int layer, int)
{
    g_host->Heard(Channel_UserGroupCreated, 0, layer, 0);
    return 0;
}
int __stdcall OnUserGroupDestroyed(HostCookie, int layer, int)
{
    g_host->Heard(Channel_UserGroupDestroyed, 0, layer, 0);
    return 0;
}
int __stdcall OnCurrentLayerChange(HostCookie, int layer)
{
    g_host->Heard(Channel_CurrentLayerChange, 0, layer, 0);
    return 0;
}
int __stdcall OnPaletteMenuSelect(HostCookie, int, int, int, int, int)
{
    g_host->Heard(Channel_PaletteMenuSelect, 0, 0, 0);
    return 0;
}
int __stdcall OnContextMenuSelect(HostCookie, int, int layer, int seq)
{
    g_host->Heard(Channel_ContextMenuSelect, 0, layer, seq);
    return 0;
}
// The menu (1 the context menu, 2 a palette menu) is the report's code.
int __stdcall OnMenuSelect(HostCookie, int menu, int, int, int, int, int, int layer, int seq)
{
    g_host->Heard(Channel_MenuSelect, menu, layer, seq);
    return 0;
}
int __stdcall OnToolbarSelect(HostCookie, int, int layer)
{
    g_host->Heard(Channel_ToolbarSelect, 0, layer, 0);
    return 0;
}
// The view of the test window's image, as the fake services give it.
int __stdcall OnGetViewGeometry(HostCookie, int* kind, RECT* view, RECT* image, int* width,
                                int* height)
{
    if (kind)
        *kind = 0;
    if (view)
        *view = RECT{0, 0, 800, 600};
    if (image)
        *image = RECT{0, 0, 800, 600};
    if (width)
        *width = 800;
    if (height)
        *height = 600;
    g_host->Heard(kViewService, 0, 0, 0);
    return 0;
}

// The host turns a picture with the image: it hands the same one back.
int __stdcall OnMapHostValue(HostCookie, int picture, int)
{
    g_host->Heard(kMapService, 0, 0, 0);
    return picture;
}

// Paints the engine into a memory device of the window's size.
void PaintInto(AnnotationEngine* engine)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 800, 600);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT view = {0, 0, 800, 600};
    engine->Paint(dc, &view, &view, 0, 0, 0, 0);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// A host window that paints the annotations in its WM_PAINT, as the image
// control does: the engine's own UpdateWindow then calls back into it.
WNDPROC g_plainWindowProc = nullptr;
LRESULT CALLBACK PaintingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT && g_host) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT view = {0, 0, 800, 600};
        g_host->engine->Paint(dc, &view, &view, 0, 0, 0, 0);
        EndPaint(window, &paint);
        return 0;
    }
    return CallWindowProcA(g_plainWindowProc, window, message, wParam, lParam);
}

// Every heap of the process is whole.
bool HeapsValid()
{
    HANDLE heaps[256];
    DWORD count = GetProcessHeaps(256, heaps);
    if (count == 0 || count > 256)
        return false;
    for (DWORD i = 0; i < count; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr))
            return false;
    return true;
}

// One case: a fresh engine with a layer of two rectangles, 1 at
// (100,100)-(200,150) and 2 at (300,300)-(400,380), the pointer tool, and the
// annotations saved for a reload.
class ReentryCase {
public:
    ReentryCase(EngineLibrary& library, HostWindow& window, HostAction action)
        : host(library), window(window)
    {
        ReleaseCapture();  // an earlier case's press may have kept it
        host->SetHostWindow(window.hwnd());
        layer = host->CreateLayer(1);
        EXPECT_EQ(0, host->SetTool(layer, RectangleTool));
        window.Drag(host.Engine(), 100, 100, 200, 150);
        window.Drag(host.Engine(), 300, 300, 400, 380);
        EXPECT_EQ(0, host->SetTool(layer, PointerTool));
        void* block = nullptr;
        int size = host->SaveAnnotationsToMemory(&block);
        EXPECT_GT(size, 0);
        if (block) {
            const unsigned char* bytes = static_cast<const unsigned char*>(GlobalLock(block));
            reentering.saved.assign(bytes, bytes + size);
            GlobalUnlock(block);
            GlobalFree(block);
        }
        reentering.engine = host.Engine();
        reentering.layer = layer;
        reentering.item = 1;
        reentering.action = action;
        g_host = &reentering;
        host->RegisterCallback(Channel_AnnotateEvent, reinterpret_cast<void*>(&OnAnnotateEvent));
        host->RegisterCallback(Channel_MouseEvent, reinterpret_cast<void*>(&OnMouseEvent));
        host->RegisterCallback(Channel_UserDraw, reinterpret_cast<void*>(&OnUserDraw));
        host->RegisterCallback(Channel_Stamping, reinterpret_cast<void*>(&OnStamping));
        host->RegisterCallback(Channel_ItemChanged, reinterpret_cast<void*>(&OnItemChanged));
        host->RegisterCallback(Channel_CurrentLayerChange,
                               reinterpret_cast<void*>(&OnCurrentLayerChange));
        host->RegisterCallback(Channel_UserGroupCreated,
                               reinterpret_cast<void*>(&OnUserGroupCreated));
        host->RegisterCallback(Channel_UserGroupDestroyed,
                               reinterpret_cast<void*>(&OnUserGroupDestroyed));
        host->RegisterCallback(Channel_RequestLayerPassword,
                               reinterpret_cast<void*>(&OnRequestLayerPassword));
        host->RegisterCallback(Channel_PaletteMenuSelect,
                               reinterpret_cast<void*>(&OnPaletteMenuSelect));
        host->RegisterCallback(Channel_ContextMenuSelect,
                               reinterpret_cast<void*>(&OnContextMenuSelect));
        host->RegisterCallback(Channel_MenuSelect, reinterpret_cast<void*>(&OnMenuSelect));
        host->RegisterCallback(Channel_ToolbarSelect, reinterpret_cast<void*>(&OnToolbarSelect));
        host->SetHostGetViewGeometry(host.Cookie(), &OnGetViewGeometry);
        host->SetHostMapValue(&OnMapHostValue);
    }
    ~ReentryCase()
    {
        if (g_plainWindowProc) {
            SetWindowLongPtrA(window.hwnd(), GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(g_plainWindowProc));
            g_plainWindowProc = nullptr;
        }
        g_host = nullptr;
    }

    void Arm(int channel, int code)
    {
        reentering.channel = channel;
        reentering.code = code;
        reentering.armed = true;
    }

    // The engine after the operation: what the host did holds, every layer
    // and item it lists answers, it paints and saves, and the heaps are whole.
    void Check()
    {
        reentering.armed = false;
        EXPECT_TRUE(reentering.acted) << "the report never came";
        const ReenteringHost& r = reentering;
        EXPECT_EQ(0, r.reportsOfGoneLayers);
        std::vector<int> layers;
        for (int l = host->GetFirstLayer(); l != 0 && layers.size() < 20; l = host->GetNextLayer())
            layers.push_back(l);
        EXPECT_EQ(static_cast<int>(layers.size()), host->GetLayerCount());
        const int current = host->GetCurrentLayer();
        EXPECT_TRUE(current == 0 || host->IsValidLayer(current)) << "a current layer that is gone";
        switch (r.action) {
        case HostAction::DeleteAllLayers:
            EXPECT_EQ(0, r.reportsAfterward) << "reports after every layer went";
            [[fallthrough]];
        case HostAction::ReloadFromMemory:
            for (int gone : r.layersThen) {
                EXPECT_FALSE(host->IsValidLayer(gone)) << "a layer the host removed is back";
            }
            if (r.action == HostAction::ReloadFromMemory) {
                EXPECT_EQ(0, r.actionResult);
            }
            break;
        case HostAction::DeleteCurrentLayer:
            EXPECT_FALSE(r.currentThen != 0 && host->IsValidLayer(r.currentThen));
            break;
        case HostAction::DeleteItem:
            if (host->IsValidLayer(r.actedLayer)) {
                EngineValue type = 0;
                EXPECT_EQ(QMK_ErrItemNotFound,
                          host->PrgGetItemAttribute(r.actedLayer, r.actedItem, QMK_ToolType,
                                                    &type))
                    << "the deleted item is back";
            }
            break;
        case HostAction::DeselectAll:
            break;
        }
        for (int l : layers) {
            EXPECT_TRUE(host->IsValidLayer(l));
            int count = -1;
            EXPECT_EQ(0, host->PrgGetItemCount(l, &count));
            int walked = 0;
            int seq = 0;
            for (host->PrgGetFirstItem(l, &seq); seq != 0 && walked < 50;
                 host->PrgGetNextItem(l, &seq)) {
                ++walked;
                RECT rect = {};
                EXPECT_EQ(0, host->PrgGetItemRect(l, seq, &rect));
            }
            EXPECT_EQ(count, walked);
            for (host->PrgGetFirstSelected(l, &seq); seq != 0 && walked < 100;
                 host->PrgGetNextSelected(l, &seq)) {
                ++walked;
                EngineValue type = 0;
                EXPECT_EQ(0, host->PrgGetItemAttribute(l, seq, QMK_ToolType, &type))
                    << "a selected item that is gone";
            }
        }
        PaintInto(host.Engine());
        void* block = nullptr;
        host->SaveAnnotationsToMemory(&block);
        if (block)
            GlobalFree(block);
        EXPECT_TRUE(HeapsValid());
    }

    TestHost host;
    HostWindow& window;
    ReenteringHost reentering;
    int layer = 0;
    std::vector<unsigned char> scrambled;  // the layer saved with a password
    int element = 0;                       // an element to append
    int group = 0;                         // a group of the layer
};

// A report the engine makes: how to get there (unarmed) and the operation
// that makes it (armed).
struct Report {
    const char* name;
    int channel;
    int code;
    std::function<void(ReentryCase&)> prepare;
    std::function<void(ReentryCase&)> operate;
};

void Nothing(ReentryCase&) {}

void Press(ReentryCase& c, int x, int y)
{
    c.window.Send(c.host.Engine(), WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    c.window.Send(c.host.Engine(), WM_LBUTTONUP, 0, x, y);
}

void SelectFirstItem(ReentryCase& c)
{
    Press(c, 150, 125);
}

void Interactive(ReentryCase& c)
{
    ASSERT_EQ(0, c.host->SetProperty(QMK_InteractMode, 1));
}

void UserDrawn(ReentryCase& c)
{
    ASSERT_EQ(0, c.host->PrgSetItemAttribute(c.layer, 1, QMK_UserDraw, 1));
    ASSERT_EQ(0, c.host->PrgSetItemAttribute(c.layer, 2, QMK_UserDraw, 1));
}

void PaintOnce(ReentryCase& c)
{
    PaintInto(c.host.Engine());
}

// A second layer, current, with a selected rectangle; the first keeps its
// first item selected.
void TwoLayersWithSelections(ReentryCase& c)
{
    SelectFirstItem(c);
    int second = c.host->CreateLayer(1);
    ASSERT_EQ(0, c.host->SetTool(second, RectangleTool));
    c.window.Drag(c.host.Engine(), 500, 100, 600, 200);
    ASSERT_EQ(0, c.host->SetTool(second, PointerTool));
    ASSERT_EQ(0, c.host->PrgSelectAll(second, 1));
}

// The annotations saved again, the layer with a password.
void SavedWithAPassword(ReentryCase& c)
{
    BSTR password = SysAllocString(L"Kestrel");
    ASSERT_EQ(0, c.host->SetLayerPassword(c.layer, password));
    SysFreeString(password);
    void* block = nullptr;
    const int size = c.host->SaveAnnotationsToMemory(&block);
    ASSERT_GT(size, 0);
    const unsigned char* bytes = static_cast<const unsigned char*>(GlobalLock(block));
    c.scrambled.assign(bytes, bytes + size);
    GlobalUnlock(block);
    GlobalFree(block);
}

// The first item drawn by the host, the host's window painting the
// annotations, and the rectangle tool.
void PaintedByTheHostsWindow(ReentryCase& c)
{
    UserDrawn(c);
    g_plainWindowProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        c.window.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaintingWindowProc)));
    ASSERT_NE(nullptr, g_plainWindowProc);
    UpdateWindow(c.window.hwnd());  // what is waiting is painted before the host acts
    ASSERT_EQ(0, c.host->SetTool(c.layer, RectangleTool));
}

// Both rectangles in the yoked group 1.
void Grouped(ReentryCase& c)
{
    int id = 0;
    ASSERT_EQ(0, c.host->GrpCreateGroup(c.layer, nullptr, 0, &id));
    ASSERT_EQ(0, c.host->GrpAddItem(c.layer, id, 1));
    ASSERT_EQ(0, c.host->GrpAddItem(c.layer, id, 2));
    ASSERT_EQ(0, c.host->GrpSetYoked(c.layer, id, 1));
}

void Key(ReentryCase& c, WPARAM character)
{
    c.host->KeyMessage(c.window.hwnd(), WM_CHAR, character, 1);
}

// Grouping allowed and both rectangles selected.
void ReadyToGroup(ReentryCase& c)
{
    ASSERT_EQ(0, c.host->AllowUserGrouping(1));
    ASSERT_EQ(0, c.host->PrgSelectAll(c.layer, 1));
}

// The palette shown, with a menu entry "Mine" on the ellipse button.
void PaletteWithAMenu(ReentryCase& c)
{
    ASSERT_EQ(0, c.host->ActivateToolbar(1));
    ASSERT_NE(0, c.host->GetToolbarHwnd());
    BSTR caption = SysAllocString(L"Mine");
    ASSERT_EQ(0, c.host->AddPaletteMenuItem(EllipseTool, 7, caption, 70, 71));
    SysFreeString(caption);
}

// The palette's button bar and the centre of a tool's button on it.
HWND PaletteButtons(ReentryCase& c, int tool, POINT& centre)
{
    HWND frame = reinterpret_cast<HWND>(static_cast<intptr_t>(c.host->GetToolbarHwnd()));
    HWND buttons = FindWindowExA(frame, nullptr, "MRV_Toolbar", nullptr);
    RECT rect = {};
    const LRESULT index = SendMessageA(buttons, TB_COMMANDTOINDEX, tool, 0);
    SendMessageA(buttons, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    centre = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    return buttons;
}

void ClickPaletteButton(ReentryCase& c, int tool)
{
    POINT centre = {};
    HWND buttons = PaletteButtons(c, tool, centre);
    ASSERT_NE(nullptr, buttons);
    SendMessageA(buttons, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
    SendMessageA(buttons, WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
}

// A right click on the ellipse button, its menu's "Mine" picked.
void PickPaletteMenu(ReentryCase& c)
{
    POINT centre = {};
    HWND buttons = PaletteButtons(c, EllipseTool, centre);
    ASSERT_NE(nullptr, buttons);
    ClientToScreen(buttons, &centre);
    MenuDriver driver(L"Mine");
    SendMessageA(buttons, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(buttons),
                 MAKELPARAM(centre.x, centre.y));
    EXPECT_TRUE(driver.MenuSeen());
}

// The context menu on, with an entry "Mine" of the host's.
void ContextMenuWithAnEntry(ReentryCase& c)
{
    ASSERT_EQ(0, c.host->SetProperty(QMK_EnableContextMenu, 1));
    BSTR caption = SysAllocString(L"Mine");
    ASSERT_EQ(0, c.host->AddContextMenuItem(20001, 0, caption, 0, 0));
    SysFreeString(caption);
}

// A right click on item 1 and its context menu's entry picked (an empty
// caption dismisses the menu).
void PickContextMenu(ReentryCase& c, const wchar_t* caption)
{
    MenuDriver driver(caption);
    c.window.Send(c.host.Engine(), WM_RBUTTONDOWN, MK_RBUTTON, 150, 125);
    c.window.Send(c.host.Engine(), WM_RBUTTONUP, 0, 150, 125);
    EXPECT_TRUE(driver.MenuSeen());
}

// The view left stale, as a load with the image's size leaves it: the
// annotations go out through a variant and come back with 800 x 600, and the
// case goes on with the layer loaded. The next call that needs the view asks
// the host for it.
void StaleView(ReentryCase& c)
{
    VARIANT v;
    VariantInit(&v);
    int size = 0;
    ASSERT_EQ(0, c.host->GetAnnIntoVariant(&v, &size));
    int width = 800, height = 600;
    const int loaded = c.host->SetAnnFromVariant(&v, &width, &height);
    VariantClear(&v);
    ASSERT_EQ(0, loaded);
    c.layer = c.reentering.layer = c.host->GetCurrentLayer();
    ASSERT_NE(0, c.layer);
    int count = 0;
    ASSERT_EQ(0, c.host->PrgGetItemCount(c.layer, &count));
    ASSERT_EQ(2, count);
}

// An element of a rectangle to append, and the view stale.
void ElementAndStaleView(ReentryCase& c)
{
    StaleView(c);
    ASSERT_EQ(0, c.host->ElementCreate(&c.element));
    ASSERT_EQ(0, c.host->ElementSetAttribute(c.element, QMK_ElementType, RectangleTool));
    RECT box = {500, 100, 600, 200};
    ASSERT_EQ(0, c.host->ElementSetAttribute(c.element, QMK_BoundingRect,
                                             reinterpret_cast<EngineValue>(&box)));
}

// A yoked group holding item 1, item 2 selected, and the view stale.
void YokedGroupSelectionAndStaleView(ReentryCase& c)
{
    int id = 0;
    ASSERT_EQ(0, c.host->GrpCreateGroup(c.layer, nullptr, 0, &id));
    ASSERT_EQ(0, c.host->GrpAddItem(c.layer, id, 1));
    ASSERT_EQ(0, c.host->GrpSetYoked(c.layer, id, 1));
    ASSERT_EQ(0, c.host->PrgSetItemAttribute(c.layer, 2, QMK_Selected, 1));
    StaleView(c);
    ASSERT_EQ(0, c.host->GrpGetFirstGroupID(c.layer, &c.group));
    ASSERT_NE(0, c.group);
}

// A picture item made from an element, over (x, y) of 30 x 10 pixels.
int AppendPicture(ReentryCase& c, int x, int y)
{
    int element = 0;
    EXPECT_EQ(0, c.host->ElementCreate(&element));
    EXPECT_EQ(0, c.host->ElementSetAttribute(element, QMK_ElementType, ImageTool));
    HGLOBAL picture = WhiteImage(30, 10);
    EXPECT_EQ(0, c.host->ElementSetAttribute(element, QMK_DibPtr,
                                             reinterpret_cast<EngineValue>(picture)));
    GlobalFree(picture);
    RECT box = {x, y, x + 30, y + 10};
    EXPECT_EQ(0, c.host->ElementSetAttribute(element, QMK_BoundingRect,
                                             reinterpret_cast<EngineValue>(&box)));
    int seq = 0;
    EXPECT_EQ(0, c.host->ElementAppend(c.layer, element, &seq));
    c.host->ElementDestroy(element);
    return seq;
}

// Two pictures over the rectangles, 3 and 4; the host's item is the first.
void TwoPictures(ReentryCase& c)
{
    ASSERT_EQ(3, AppendPicture(c, 500, 100));
    ASSERT_EQ(4, AppendPicture(c, 600, 400));
    c.reentering.item = 3;
}

const Report kReports[] = {
    {"AddedByDrawing", Channel_AnnotateEvent, QMK_AnnotationAdded,
     [](ReentryCase& c) { ASSERT_EQ(0, c.host->SetTool(c.layer, RectangleTool)); },
     [](ReentryCase& c) { c.window.Drag(c.host.Engine(), 500, 100, 600, 200); }},
    {"ToolChange", Channel_AnnotateEvent, QMK_ToolChange, Nothing,
     [](ReentryCase& c) { c.host->SetTool(c.layer, EllipseTool); }},
    {"EndSelectedByAPress", Channel_AnnotateEvent, QMK_AnnotationEndSelected, SelectFirstItem,
     [](ReentryCase& c) { Press(c, 350, 340); }},
    {"SelectedByAPress", Channel_AnnotateEvent, QMK_AnnotationSelected, Nothing,
     [](ReentryCase& c) { Press(c, 350, 340); }},
    {"SelectedByAHandle", Channel_AnnotateEvent, QMK_AnnotationSelected,
     [](ReentryCase& c) { ASSERT_EQ(0, c.host->PrgSelectAll(c.layer, 1)); },
     [](ReentryCase& c) { c.window.Drag(c.host.Engine(), 200, 150, 220, 170); }},
    {"MovedByADrag", Channel_AnnotateEvent, QMK_AnnotationMoved, SelectFirstItem,
     [](ReentryCase& c) { c.window.Drag(c.host.Engine(), 150, 125, 170, 140); }},
    {"DeletedWithTheSelection", Channel_AnnotateEvent, QMK_AnnotationDeleted,
     [](ReentryCase& c) { ASSERT_EQ(0, c.host->PrgSelectAll(c.layer, 1)); },
     [](ReentryCase& c) { c.host->DeleteSelected(); }},
    {"DeletedWithAll", Channel_AnnotateEvent, QMK_AnnotationDeleted, Nothing,
     [](ReentryCase& c) { c.host->PrgDeleteAll(c.layer); }},
    {"RightClick", Channel_AnnotateEvent, QMK_ItemRightClick,
     [](ReentryCase& c) { ASSERT_EQ(0, c.host->SetProperty(QMK_EnableContextMenu, 0)); },
     [](ReentryCase& c) {
         c.window.Send(c.host.Engine(), WM_RBUTTONDOWN, MK_RBUTTON, 150, 125);
         c.window.Send(c.host.Engine(), WM_RBUTTONUP, 0, 150, 125);
     }},
    {"SelectedByAttribute", Channel_AnnotateEvent, QMK_AnnotationSelected, Nothing,
     [](ReentryCase& c) { c.host->PrgSetItemAttribute(c.layer, 1, QMK_Selected, 1); }},
    {"EndSelectedBySelectAll", Channel_AnnotateEvent, QMK_AnnotationEndSelected,
     [](ReentryCase& c) { ASSERT_EQ(0, c.host->PrgSelectAll(c.layer, 1)); },
     [](ReentryCase& c) { c.host->PrgSelectAll(c.layer, 0); }},
    {"EndSelectedByAModeChange", Channel_AnnotateEvent, QMK_AnnotationEndSelected,
     TwoLayersWithSelections,
     [](ReentryCase& c) { c.host->SetProperty(QMK_InteractMode, 1); }},
    {"AddedByALoad", Channel_AnnotateEvent, QMK_AnnotationAdded, Nothing,
     [](ReentryCase& c) {
         const std::vector<unsigned char> data = c.reentering.saved;
         c.host->LoadAnnotationsFromMemory(data.data(), static_cast<int>(data.size()), 0, 0);
     }},
    {"PasswordOfALoad", Channel_RequestLayerPassword, 0, SavedWithAPassword,
     [](ReentryCase& c) {
         c.host->LoadAnnotationsFromMemory(c.scrambled.data(),
                                           static_cast<int>(c.scrambled.size()), 0, 0);
     }},
    {"ItemChanged", Channel_ItemChanged, 0, Nothing,
     [](ReentryCase& c) { c.host->PrgSetItemAttribute(c.layer, 1, QMK_PenColor, 0x00FF00); }},
    {"CurrentLayerChange", Channel_CurrentLayerChange, 0, Nothing,
     [](ReentryCase& c) { c.host->CreateLayer(1); }},
    {"StampingOfAClick", Channel_Stamping, 0,
     [](ReentryCase& c) {
         BSTR text = SysAllocString(L"PAID");
         ASSERT_EQ(0, c.host->SetToolAttribute(c.layer, StampTool, QMK_Text,
                                               reinterpret_cast<EngineValue>(text)));
         SysFreeString(text);
         ASSERT_EQ(0, c.host->SetTool(c.layer, StampTool));
     },
     [](ReentryCase& c) { c.window.Click(c.host.Engine(), 500, 100); }},
    {"UserDraw", Channel_UserDraw, 0, UserDrawn, PaintOnce},
    {"UserDrawOfTheHostsPaint", Channel_UserDraw, 0, PaintedByTheHostsWindow,
     [](ReentryCase& c) { c.window.Drag(c.host.Engine(), 120, 110, 180, 140); }},
    {"InteractiveMouseDown", Channel_MouseEvent, QMK_MouseDown, Interactive,
     [](ReentryCase& c) { Press(c, 150, 125); }},
    {"InteractiveClick", Channel_MouseEvent, QMK_Click, Interactive,
     [](ReentryCase& c) { Press(c, 150, 125); }},
    {"InteractiveMouseMove", Channel_MouseEvent, QMK_MouseMove, Interactive,
     [](ReentryCase& c) { c.window.Send(c.host.Engine(), WM_MOUSEMOVE, 0, 150, 125); }},
    {"InteractiveDoubleClick", Channel_MouseEvent, QMK_DoubleClick, Interactive,
     [](ReentryCase& c) {
         c.window.Send(c.host.Engine(), WM_LBUTTONDBLCLK, MK_LBUTTON, 150, 125);
     }},
    {"ViewServiceOfAPress", kViewService, 0, SelectFirstItem,
     [](ReentryCase& c) { Press(c, 350, 340); }},
    {"MapServiceOfAMirror", kMapService, 0, TwoPictures,
     [](ReentryCase& c) { c.host->ImageMirrored(0, 0); }},
    {"MapServiceOfAFlip", kMapService, 0, TwoPictures,
     [](ReentryCase& c) { c.host->ImageFlipped(0, 0); }},
    {"MapServiceOfATurn", kMapService, 0, TwoPictures,
     [](ReentryCase& c) { c.host->ImageRotated(0, 0, 90.0f); }},
    {"ViewServiceOfSetItemAttribute", kViewService, 0, StaleView,
     [](ReentryCase& c) { c.host->PrgSetItemAttribute(c.layer, 1, QMK_Selected, 1); }},
    {"ViewServiceOfBringItemToFront", kViewService, 0, StaleView,
     [](ReentryCase& c) { c.host->BringItemToFront(c.layer, 1); }},
    {"ViewServiceOfSendItemToBack", kViewService, 0, StaleView,
     [](ReentryCase& c) { c.host->SendItemToBack(c.layer, 2); }},
    {"ViewServiceOfDeleteItem", kViewService, 0, StaleView,
     [](ReentryCase& c) { c.host->PrgDeleteItem(c.layer, 1); }},
    {"ViewServiceOfElementAppend", kViewService, 0, ElementAndStaleView,
     [](ReentryCase& c) {
         int seq = 0;
         c.host->ElementAppend(c.layer, c.element, &seq);
     }},
    {"ViewServiceOfDeleteAll", kViewService, 0, StaleView,
     [](ReentryCase& c) { c.host->PrgDeleteAll(c.layer); }},
    {"ViewServiceOfNudgeUp", kViewService, 0, StaleView,
     [](ReentryCase& c) { c.host->NudgeUp(c.layer, 1); }},
    {"ViewServiceOfGroupSetSelected", kViewService, 0, YokedGroupSelectionAndStaleView,
     [](ReentryCase& c) { c.host->GrpSetSelected(c.layer, c.group, 1); }},
    {"ViewServiceOfGroupAddSelected", kViewService, 0, YokedGroupSelectionAndStaleView,
     [](ReentryCase& c) { c.host->GrpAddSelected(c.layer, c.group); }},
    {"GroupSelectedByAPress", Channel_AnnotateEvent, QMK_GroupSelected, Grouped,
     [](ReentryCase& c) { Press(c, 150, 125); }},
    {"MovedWithItsGroup", Channel_AnnotateEvent, QMK_AnnotationMoved, Grouped,
     [](ReentryCase& c) { c.window.Drag(c.host.Engine(), 150, 125, 170, 140); }},
    {"GroupCreatedByControlG", Channel_UserGroupCreated, 0, ReadyToGroup,
     [](ReentryCase& c) { Key(c, 7); }},
    {"GroupSelectedByControlG", Channel_AnnotateEvent, QMK_GroupSelected, ReadyToGroup,
     [](ReentryCase& c) { Key(c, 7); }},
    {"GroupDestroyedByControlU", Channel_UserGroupDestroyed, 0,
     [](ReentryCase& c) {
         ReadyToGroup(c);
         Key(c, 7);
     },
     [](ReentryCase& c) { Key(c, 21); }},
    {"ToolbarSelectOfAButton", Channel_ToolbarSelect, 0,
     [](ReentryCase& c) { ASSERT_EQ(0, c.host->ActivateToolbar(1)); },
     [](ReentryCase& c) { ClickPaletteButton(c, EllipseTool); }},
    {"PaletteMenuSelect", Channel_PaletteMenuSelect, 0, PaletteWithAMenu, PickPaletteMenu},
    {"MenuSelectOfAPaletteMenu", Channel_MenuSelect, 2, PaletteWithAMenu, PickPaletteMenu},
    {"MenuSelectOfADismissedContextMenu", Channel_MenuSelect, 1, ContextMenuWithAnEntry,
     [](ReentryCase& c) { PickContextMenu(c, L""); }},
    {"ContextMenuSelectOfTheHostsEntry", Channel_ContextMenuSelect, 0, ContextMenuWithAnEntry,
     [](ReentryCase& c) { PickContextMenu(c, L"Mine"); }},
    {"MenuSelectOfTheHostsEntry", Channel_MenuSelect, 1, ContextMenuWithAnEntry,
     [](ReentryCase& c) { PickContextMenu(c, L"Mine"); }},
};

// The table means something only under the heap checks: a freed block is
// filled with a pattern there, so that what reads it afterwards fails.
TEST(HeapChecking, FreedBlocksAreFilled)
{
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(nullptr, heap);
    auto* block = static_cast<volatile DWORD*>(HeapAlloc(heap, 0, 64));
    ASSERT_NE(nullptr, block);
    for (int i = 0; i < 16; ++i)
        block[i] = 0x12345678;
    HeapFree(heap, 0, const_cast<DWORD*>(block));
    const DWORD after = block[5];
    HeapDestroy(heap);
    EXPECT_EQ(0xFEEEFEEEu, after) << "run this program under wine with WINEDEBUG=warn+heap";
}

class EngineReentry : public ::testing::TestWithParam<int> {
protected:
    EngineLibrary library;
    HostWindow window;
};

TEST_P(EngineReentry, TheHostMayChangeEverythingFromInsideTheReport)
{
    const Report& report = kReports[GetParam()];
    for (HostAction action : kActions) {
        SCOPED_TRACE(std::string(report.name) + ", the host: " + NameOf(action));
        ReentryCase c(library, window, action);
        report.prepare(c);
        c.Arm(report.channel, report.code);
        report.operate(c);
        c.Check();
    }
}

// A host that changes the list of items once from inside its picture
// mapping service, while the image turns.
enum class ListChange { AddAtTheBottom, DeleteTheItemBelow, DeleteTheItemTurned, ReplaceTheItemTurned };

struct ListChangingHost {
    ReentryCase* c = nullptr;
    ListChange change = ListChange::AddAtTheBottom;
    bool acted = false;
    int made = 0;  // the item the host made, or 0
};
ListChangingHost* g_changer = nullptr;

int __stdcall ChangeTheListWhileMapping(HostCookie, int picture, int)
{
    if (!g_changer || g_changer->acted)
        return picture;
    ListChangingHost& h = *g_changer;
    h.acted = true;
    ReentryCase& c = *h.c;
    switch (h.change) {
    case ListChange::AddAtTheBottom:
        h.made = AppendPicture(c, 50, 50);
        c.host->SendItemToBack(c.layer, h.made);
        break;
    case ListChange::DeleteTheItemBelow:
        c.host->PrgDeleteItem(c.layer, 1);
        break;
    case ListChange::DeleteTheItemTurned:
        c.host->PrgDeleteItem(c.layer, 3);
        break;
    case ListChange::ReplaceTheItemTurned:
        // A new item takes the number of the one being turned.
        c.host->PrgDeleteItem(c.layer, 3);
        h.made = AppendPicture(c, 50, 50);
        c.host->PrgSetItemAttribute(c.layer, h.made, QMK_SequenceNumber, 3);
        h.made = 3;
        break;
    }
    return picture;
}

TEST_F(EngineReentry, EveryItemTurnsOnceWhenTheHostChangesTheListWhileATurnIsUnderWay)
{
    struct Case {
        const char* name;
        ListChange change;
        std::vector<int> turned;  // the items there before that turn
    };
    const Case cases[] = {
        {"an item added at the bottom", ListChange::AddAtTheBottom, {1, 2, 3, 4}},
        {"the item below deleted", ListChange::DeleteTheItemBelow, {2, 3, 4}},
        {"the item being turned deleted", ListChange::DeleteTheItemTurned, {1, 2, 4}},
        {"the item being turned replaced by one of its number", ListChange::ReplaceTheItemTurned,
         {1, 2, 4}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ReentryCase c(library, window, HostAction::DeselectAll);
        TwoPictures(c);
        ListChangingHost changer;
        changer.c = &c;
        changer.change = k.change;
        g_changer = &changer;
        c.host->SetHostMapValue(&ChangeTheListWhileMapping);
        RECT before[5] = {};
        for (int seq = 1; seq <= 4; ++seq)
            ASSERT_EQ(0, c.host->PrgGetItemRect(c.layer, seq, &before[seq]));

        ASSERT_EQ(0, c.host->ImageMirrored(0, 0));
        g_changer = nullptr;
        EXPECT_TRUE(changer.acted);

        // Mirrored once in the 800 pixels of the image: twice would put an
        // item back, none leave it.
        for (int seq : k.turned) {
            RECT after = {};
            ASSERT_EQ(0, c.host->PrgGetItemRect(c.layer, seq, &after)) << seq;
            EXPECT_NEAR(800 - before[seq].right, after.left, 1) << seq;
            EXPECT_NEAR(800 - before[seq].left, after.right, 1) << seq;
            EXPECT_EQ(before[seq].top, after.top) << seq;
        }
        if (changer.made) {
            RECT made = {};
            ASSERT_EQ(0, c.host->PrgGetItemRect(c.layer, changer.made, &made));
            EXPECT_NEAR(50, made.left, 1) << "the host's new item is left as it was made";
            EXPECT_NEAR(80, made.right, 1);
        }
        EXPECT_TRUE(HeapsValid());
    }
}

std::string ReportName(const ::testing::TestParamInfo<int>& info)
{
    return kReports[info.param].name;
}

INSTANTIATE_TEST_SUITE_P(EachReport, EngineReentry,
                         ::testing::Range(0, static_cast<int>(sizeof kReports / sizeof kReports[0])),
                         ReportName);

} // namespace
