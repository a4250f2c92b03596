// The picture tool's default picture, set through the control with the real
// engine beside it and a stand-in client whose window the engine draws in:
// a click places an item of the picture's size carrying a copy of it. The
// screen cursor is put on each point first (the engine checks it), so these
// run alone.
#include "stand_in_client.h" // before quillmark.h: the two declarations agree

#include <gtest/gtest.h>

#include <vector>

#include "control_fixture.h"
#include "packed_dib.h"

namespace {

HRESULT Reported(int code) { return static_cast<HRESULT>(0x80040000u + static_cast<unsigned>(code)); }

// The client shows the whole 800 x 600 image at its natural size.
int __stdcall ViewGeometry(HostCookie, int* kind, RECT* view, RECT* image, int* width,
                           int* height) {
    if (kind) *kind = 0;
    if (view) *view = RECT{0, 0, 800, 600};
    if (image) *image = RECT{0, 0, 800, 600};
    if (width) *width = 800;
    if (height) *height = 600;
    return 0;
}
int __stdcall Resolution(HostCookie, double* x, double* y) {
    if (x) *x = 200.0;
    if (y) *y = 200.0;
    return 0;
}

class PictureTool : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        control = NewControl();
        ASSERT_NE(nullptr, control);
        ASSERT_EQ(S_OK, SetSite(control, &site));
        client.services.GetViewGeometry = ViewGeometry;
        client.services.GetFixedViewGeometry = ViewGeometry;
        client.services.GetResolution = Resolution;
        VARIANT_BOOL bound = VARIANT_FALSE;
        ASSERT_EQ(S_OK, control->InterfaceConnect(client.Object(), &bound));
        ASSERT_NE(nullptr, client.table);
        ASSERT_EQ(S_OK, control->PrgSetImageMappingDimensions(800, 600));
        ASSERT_EQ(S_OK, control->CreateLayer(&layer));
        ASSERT_EQ(S_OK, control->SetCurrentLayer(layer));
        // A class of its own: a static control is transparent to the hit
        // test that finds the window under the cursor.
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"picture_tool_view";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, L"picture_tool_view", L"", WS_POPUP | WS_VISIBLE, 0, 0, 800,
                                 600, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override {
        if (window) DestroyWindow(window);
        if (control) {
            control->InterfaceDisconnect();
            SetSite(control, nullptr);
            control->Release();
        }
        ControlTest::TearDown();
    }
    // A press and a release at a point of the window, as the client forwards them.
    void Click(int x, int y) {
        POINT screen = {x, y};
        ClientToScreen(window, &screen);
        SetCursorPos(screen.x, screen.y);
        client.table->MouseMessage(client.ctx, window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        client.table->MouseMessage(client.ctx, window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    long Count() {
        long n = -1;
        EXPECT_EQ(S_OK, control->PrgGetItemCount(layer, &n));
        return n;
    }
    static long Handle(HGLOBAL block) { return static_cast<long>(reinterpret_cast<intptr_t>(block)); }

    TestSite site;
    quillmark_test::ImageClientStandIn client{L"View", "A", nullptr};
    IQuillmark* control = nullptr;
    long layer = 0;
    HWND window = nullptr;
};

TEST_F(PictureTool, TheDefaultPictureIsCopiedAndAClickPlacesItAtItsSize) {
    // 30 x 20 pixels of 24 bits; the caller's block stays the caller's.
    const size_t size = sizeof(BITMAPINFOHEADER) + 20 * 92;
    HGLOBAL given = testkit::CountingPackedDib(24, 30, 20, 20 * 92);
    const std::vector<BYTE> bytes = testkit::BlockBytes(given, size);
    ASSERT_EQ(S_OK, control->SetToolDefaultAttribute(ImageTool, QMK_DibPtr, Handle(given)));
    EXPECT_EQ(bytes, testkit::BlockBytes(given, size));
    GlobalFree(given);

    // The getter would hand out the engine's own block: refused.
    long held = -1;
    EXPECT_EQ(Reported(QMK_ErrInvalidAttribute),
              control->GetToolDefaultAttribute(ImageTool, QMK_DibPtr, &held));
    EXPECT_EQ(-1, held);

    // A block that holds less than its header says is refused; the picture stays.
    HGLOBAL shortRows = testkit::CountingPackedDib(24, 30, 20, 92);
    EXPECT_EQ(Reported(QMK_ErrInvalidAttribute),
              control->SetToolDefaultAttribute(ImageTool, QMK_DibPtr, Handle(shortRows)));
    GlobalFree(shortRows);

    ASSERT_EQ(S_OK, control->SetTool(layer, ImageTool));
    Click(100, 50);
    ASSERT_EQ(1, Count());
    long seq = 0;
    ASSERT_EQ(S_OK, control->PrgGetFirstItem(layer, &seq));
    annotationTOOL type = PointerTool;
    EXPECT_EQ(S_OK, control->PrgGetItemType(layer, seq, &type));
    EXPECT_EQ(ImageTool, type);
    long left = 0, top = 0, right = 0, bottom = 0;
    EXPECT_EQ(S_OK, control->PrgGetItemRect(layer, seq, &left, &top, &right, &bottom));
    EXPECT_EQ(30, right - left);
    EXPECT_EQ(20, bottom - top);
    long picture = 0;
    ASSERT_EQ(S_OK, control->PrgGetItemDIB(layer, seq, &picture));
    HGLOBAL copy = reinterpret_cast<HGLOBAL>(static_cast<intptr_t>(picture));
    EXPECT_EQ(bytes, testkit::BlockBytes(copy, size));
    if (copy) GlobalFree(copy);

    // A null handle clears the picture: the next click places nothing.
    ASSERT_EQ(S_OK, control->SetToolDefaultAttribute(ImageTool, QMK_DibPtr, 0));
    Click(300, 300);
    EXPECT_EQ(1, Count());
}

} // namespace
