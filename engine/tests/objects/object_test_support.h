#pragma once
// Shared pieces of the object tests: a view of a 1024 x 512 image (one pixel
// is 16384 layer units across and 32768 down), at zoom 1 or 2; the engine's
// tool maps; an owner that records what items ask of their layer; a 32-bit
// DIB section to draw into.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "objects/annotation.h"
#include "dib_canvas.h"
#include "objects/shape_annotation.h"
#include "settings/tool_defaults.h"
#include "view/paint_tools.h"
#include "view/view_mapping.h"

namespace objects_test {

constexpr int kImageWidth = 1024;
constexpr int kImageHeight = 512;
constexpr int kUnitsPerPixelX = ViewMapping::kLayerUnitsFull / kImageWidth;   // 16384
constexpr int kUnitsPerPixelY = ViewMapping::kLayerUnitsFull / kImageHeight;  // 32768
constexpr int kScreenUnit = 8;

inline int LX(int pixelX) { return pixelX * kUnitsPerPixelX; }
inline int LY(int pixelY) { return pixelY * kUnitsPerPixelY; }
inline RECT LayerRect(int l, int t, int r, int b) { return {LX(l), LY(t), LX(r), LY(b)}; }

// A mapping of the image shown at a whole-number zoom from the window's origin.
struct TestView {
    explicit TestView(int zoom = 1);
    ViewMapping mapping;
    int zoom;
};

// The engine's default attribute map of a tool.
const ToolDefaults::Map& ToolMap(int tool);

struct RecordingOwner : AnnotationOwner {
    struct Completion {
        Annotation* item;
        bool recreate;
        bool notify;
    };
    struct UserDrawCall {
        int x, y, width, height, seq, userLong;
    };
    void ItemCompleted(Annotation& item, bool recreate, bool notify) override {
        completions.push_back({&item, recreate, notify});
        item.SetCommitted(true);
    }
    void InvalidateLayerRect(const RECT& layerRect) override { invalidated.push_back(layerRect); }
    bool UserDraw(HDC, int x, int y, int width, int height, int seq, int userLong) override {
        userDraws.push_back({x, y, width, height, seq, userLong});
        return true;
    }
    // Pens and brushes as the engine makes them, at zoom 1.
    void SelectBrush(HDC dc, COLORREF fill, bool hollow, int hatchStyle, COLORREF hatchColor) override {
        if (tools.Device() != dc) tools.Begin(dc);
        tools.SelectBrush(fill, hollow, hatchStyle, hatchColor);
    }
    void SelectPen(HDC dc, int width, COLORREF color, int style) override {
        if (tools.Device() != dc) tools.Begin(dc);
        tools.SelectPen(PaintTools::DeviceWidth(nullptr, width), color, style);
    }
    PaintTools tools;
    std::vector<Completion> completions;
    std::vector<RECT> invalidated;
    std::vector<UserDrawCall> userDraws;
};

// A rectangle or ellipse item of the default tool map, linked to a view.
std::unique_ptr<ShapeAnnotation> MakeShape(int tool, TestView& view, AnnotationOwner* owner,
                                           const RECT& layerBounds, bool committed = true);

using testkit::DibCanvas;

// A plain popup window with a client area of the given size.
class TestWindow {
public:
    TestWindow(int width, int height);
    ~TestWindow();
    HWND hwnd() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

} // namespace objects_test
