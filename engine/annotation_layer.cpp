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

void AnnotationLayer::SetToolAttributes(int tool, const AttributeMap& attributes)
{
    if (ToolDefaults::IsTool(tool))
        toolAttributes_[tool - kFirstTool] = attributes;
}

const AnnotationLayer::AttributeMap* AnnotationLayer::ToolAttributes(int tool) const
{
    if (!ToolDefaults::IsTool(tool))
        return nullptr;
    return &toolAttributes_[tool - kFirstTool];
}

const AttributeValue* AnnotationLayer::FindToolAttribute(int tool, int attribute) const
{
    const AttributeMap* attributes = ToolAttributes(tool);
    if (!attributes)
        return nullptr;
    auto it = attributes->find(attribute);
    return it == attributes->end() ? nullptr : &it->second;
}

AttributeValue* AnnotationLayer::FindToolAttribute(int tool, int attribute)
{
    return const_cast<AttributeValue*>(
        static_cast<const AnnotationLayer*>(this)->FindToolAttribute(tool, attribute));
}

int AnnotationLayer::SetToolAttribute(int tool, int attribute, EngineValue value)
{
    if (!ToolDefaults::IsTool(tool))
        return QMK_ErrInvalidTool;
    AttributeValue* current = FindToolAttribute(tool, attribute);
    if (!current)
        return QMK_ErrInvalidAttribute;
    current->Assign(value);  // a null text or font address keeps the old one
    return QMK_NoError;
}

int AnnotationLayer::GetToolAttribute(int tool, int attribute, EngineValue* value) const
{
    if (!ToolDefaults::IsTool(tool))
        return QMK_ErrInvalidTool;
    const AttributeValue* current = FindToolAttribute(tool, attribute);
    if (!current)
        return QMK_ErrInvalidAttribute;
    current->CopyTo(value);
    return QMK_NoError;
}

void AnnotationLayer::Activate(bool current)
{
    current_ = current;
}

bool AnnotationLayer::HasLiveItem(int) const
{
    return false;  // a layer holds no items yet
}
