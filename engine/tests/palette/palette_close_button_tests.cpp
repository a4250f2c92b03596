// The close button of the palette's caption as a user sees it: the frame
// shown, its caption painted, the button's pixels read back from the window.
// It shows a cross drawn with lines, whatever fonts the system has.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "engine_test_host.h"
#include "ui/caption_close_button.h"

using namespace engine_test;

namespace {

// The pixels of a window, non-client area included, as a top-down grid.
class WindowPixels {
public:
    explicit WindowPixels(HWND window)
    {
        RECT rect = {};
        GetWindowRect(window, &rect);
        width_ = rect.right - rect.left;
        height_ = rect.bottom - rect.top;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC screen = GetDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC memory = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(memory, bitmap);
        HDC source = GetWindowDC(window);
        BitBlt(memory, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
        ReleaseDC(window, source);
        GdiFlush();
        const DWORD* p = static_cast<const DWORD*>(bits);
        pixels_.assign(p, p + width_ * height_);
        SelectObject(memory, old);
        DeleteDC(memory);
        DeleteObject(bitmap);
    }
    COLORREF At(int x, int y) const
    {
        const DWORD v = pixels_[static_cast<size_t>(y) * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

private:
    int width_ = 0, height_ = 0;
    std::vector<DWORD> pixels_;
};

// The marks on the button's face: pixels that are not the face's colour,
// inside the button's edge.
struct Marks {
    int width = 0, height = 0;
    std::vector<bool> ink;
    bool At(int x, int y) const { return ink[static_cast<size_t>(y) * width + x]; }
    int Count() const
    {
        int n = 0;
        for (bool b : ink)
            n += b ? 1 : 0;
        return n;
    }
};

Marks FaceMarks(const WindowPixels& pixels, const RECT& face)
{
    Marks marks;
    marks.width = face.right - face.left;
    marks.height = face.bottom - face.top;
    const COLORREF faceColour = GetSysColor(COLOR_BTNFACE);
    for (int y = face.top; y < face.bottom; ++y)
        for (int x = face.left; x < face.right; ++x)
            marks.ink.push_back(pixels.At(x, y) != faceColour);
    return marks;
}

// An engine with a layer whose palette is made (and, with Show, shown).
class PaletteCloseButton : public ::testing::Test {
protected:
    PaletteCloseButton() : host(library)
    {
        layer = host->CreateLayer(1);
        host->ActivateToolbar(1);
        frame = reinterpret_cast<HWND>(static_cast<intptr_t>(host->GetToolbarHwnd()));
    }
    void Show()
    {
        ASSERT_NE(nullptr, frame);
        ASSERT_EQ(0, host->ToolbarSetVisible(layer, 1));
        ASSERT_TRUE(IsWindowVisible(frame));
    }

    EngineLibrary library;
    TestHost host;
    int layer = 0;
    HWND frame = nullptr;
};

TEST_F(PaletteCloseButton, TheCaptionsCloseButtonShowsADrawnCrossNotALetter)
{
    Show();

    struct Case {
        const char* name;
        void (*paint)(HWND);
    };
    const Case cases[] = {
        {"a paint of the frame",
         [](HWND f) { RedrawWindow(f, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW); }},
        {"the caption made inactive", [](HWND f) { SendMessageA(f, WM_NCACTIVATE, FALSE, 0); }},
        {"the caption made active", [](HWND f) { SendMessageA(f, WM_NCACTIVATE, TRUE, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.paint(frame);
        const WindowPixels pixels(frame);
        // Inside the button's edge: its face and what is drawn on it.
        RECT face = caption_close::ButtonRect(frame);
        InflateRect(&face, -3, -3);
        ASSERT_GT(face.right - face.left, 6);
        const Marks marks = FaceMarks(pixels, face);
        ASSERT_GT(marks.Count(), 6) << "something is drawn on the button";
        // A cross is the same mirrored left to right and top to bottom (a
        // letter is neither) ...
        for (int y = 0; y < marks.height; ++y)
            for (int x = 0; x < marks.width; ++x) {
                EXPECT_EQ(marks.At(x, y), marks.At(marks.width - 1 - x, y)) << x << "," << y;
                EXPECT_EQ(marks.At(x, y), marks.At(x, marks.height - 1 - y)) << x << "," << y;
            }
        // ... runs through the centre, and its strokes run along the diagonals.
        const int cx = marks.width / 2, cy = marks.height / 2;
        bool centre = false;
        for (int dy = -1; dy <= 0; ++dy)
            for (int dx = -1; dx <= 0; ++dx)
                centre = centre || marks.At(cx + dx, cy + dy);
        EXPECT_TRUE(centre);
        int onDiagonals = 0;
        for (int y = 0; y < marks.height; ++y)
            for (int x = 0; x < marks.width; ++x)
                if (marks.At(x, y) && (abs(x - y) <= 1 || abs(x + y - (marks.width - 1)) <= 1))
                    ++onDiagonals;
        EXPECT_EQ(marks.Count(), onDiagonals) << "every mark lies on a diagonal";
    }
}

// A press on the close button and a release over it or elsewhere, as the
// mouse gives them: the release over the button closes (hides) the palette.
TEST_F(PaletteCloseButton, AReleaseOverThePressedButtonClosesThePaletteAndOneElsewhereDoesNot)
{
    struct Case {
        const char* name;
        bool overTheButton;
        bool hidden;
    };
    const Case cases[] = {{"released elsewhere", false, false}, {"released over it", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Show();
        RECT window = {};
        GetWindowRect(frame, &window);
        const RECT button = caption_close::ButtonRect(frame);
        const POINT centre = {window.left + (button.left + button.right) / 2,
                              window.top + (button.top + button.bottom) / 2};
        ASSERT_EQ(HTCLOSE, SendMessageA(frame, WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y)));
        POINT release = c.overTheButton ? centre : POINT{window.left + 5, window.bottom - 5};
        ScreenToClient(frame, &release);
        // The release waits in the queue for the button's own tracking.
        PostMessageA(frame, WM_LBUTTONUP, 0,
                     MAKELPARAM(static_cast<WORD>(release.x), static_cast<WORD>(release.y)));
        SendMessageA(frame, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(centre.x, centre.y));
        EXPECT_NE(frame, GetCapture()) << "the mouse is let go";
        EXPECT_EQ(c.hidden, !IsWindowVisible(frame));
        EXPECT_TRUE(IsWindow(frame)) << "closing only hides the palette";
    }
}

} // namespace
