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
