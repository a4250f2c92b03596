#include "object_test_support.h"

namespace objects_test {

namespace {

int zoomOfHost = 1;

int __stdcall ZoomedView(HostCookie, int* kind, RECT* view, RECT* image, int* width, int* height) {
    *kind = 0;
    *view = {0, 0, kImageWidth * zoomOfHost, kImageHeight * zoomOfHost};
    *image = *view;
    *width = kImageWidth;
    *height = kImageHeight;
    return 0;
}

} // namespace

TestView::TestView(int zoomFactor) : mapping(kScreenUnit), zoom(zoomFactor) {
    mapping.SetImageMappingDimensions(kImageWidth, kImageHeight);
    if (zoom != 1) {
        zoomOfHost = zoom;
        ViewMapping::HostServices services;
        services.getViewGeometry = ZoomedView;
        mapping.SetServices(services);
    }
    EXPECT_TRUE(mapping.Refresh(false, nullptr));
    // Later conversions keep this geometry.
    mapping.SetServices(ViewMapping::HostServices());
}

const ToolDefaults::Map& ToolMap(int tool) {
    static ToolDefaults defaults = [] {
        ToolDefaults d;
        d.LoadDefaults();
        return d;
    }();
    return *defaults.MapOf(tool);
}

std::unique_ptr<ShapeAnnotation> MakeShape(int tool, TestView& view, AnnotationOwner* owner,
                                           const RECT& layerBounds, bool committed) {
    auto item = std::make_unique<ShapeAnnotation>(tool, ToolMap(tool));
    item->Link(owner, &view.mapping);
    bool changed = false;
    item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&layerBounds), changed);
    item->SetCommitted(committed);
    return item;
}

DibCanvas::DibCanvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
    Fill(RGB(255, 255, 255));
}

DibCanvas::~DibCanvas() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
}

void DibCanvas::Fill(COLORREF color) {
    GdiFlush();
    const uint32_t pixel = GetRValue(color) << 16 | GetGValue(color) << 8 | GetBValue(color);
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = pixel;
}

COLORREF DibCanvas::At(int x, int y) const {
    GdiFlush();
    const uint32_t pixel = bits_[y * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

TestWindow::TestWindow(int width, int height) {
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, WS_POPUP, FALSE, 0);
    hwnd_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                            nullptr);
}

TestWindow::~TestWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

} // namespace objects_test
