#include "annotation_layer.h"

namespace {
// Layer handles come from one counter per process, so that a handle of a
// deleted layer, or of another engine's layer, never names a live layer here.
LONG g_lastLayerHandle = 0x4C000000;
} // namespace

AnnotationLayer::AnnotationLayer(LayerHost& host)
    : host_(host), handle_(InterlockedIncrement(&g_lastLayerHandle)), name_(SysAllocString(L""))
{
}

AnnotationLayer::~AnnotationLayer()
{
    SysFreeString(name_);
}

void AnnotationLayer::Attach(ViewMapping* mapping, int screenUnit, HWND helperWindow,
                             HWND hostWindow)
{
    mapping_ = mapping;
    screenUnit_ = screenUnit;
    helperWindow_ = helperWindow;
    hostWindow_ = hostWindow;
}

void AnnotationLayer::SetToolDefaults(int tool, const AttributeMap& attributes)
{
    if (tool >= kFirstTool && tool <= kLastTool)
        toolDefaults_[tool - kFirstTool] = attributes;
}

const AnnotationLayer::AttributeMap* AnnotationLayer::ToolDefaults(int tool) const
{
    if (tool < kFirstTool || tool > kLastTool)
        return nullptr;
    return &toolDefaults_[tool - kFirstTool];
}

void AnnotationLayer::Activate(bool current)
{
    current_ = current;
}

bool AnnotationLayer::HasLiveItem(int) const
{
    return false;  // a layer holds no items yet
}
