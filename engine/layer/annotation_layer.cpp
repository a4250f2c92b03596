// The layer itself: construction and teardown, its tools and the pending
// object, palette flags, properties and activation. Items: annotation_layer_items.cpp.
#include "layer/annotation_layer.h"

#include <new>

#include "layer/layer_host.h"
#include "objects/point_list_annotation.h"
#include "objects/button_annotation.h"
#include "objects/image_annotation.h"
#include "objects/shape_annotation.h"
#include "objects/stamp_annotation.h"
#include "objects/text_annotation.h"
#include "view/view_mapping.h"

namespace {
// Layer handles come from one counter per process, so that a handle of a
// deleted layer, or of another engine's layer, never names a live layer here.
LONG g_lastLayerHandle = 0x4C000000;

// The layer's property map as a new layer has it, in this order.
struct PropertyDefault {
    int code;
    int value;
};
const PropertyDefault kPropertyDefaults[] = {
    {QMK_LayerName, 0},          {QMK_LayerDescription, 0}, {QMK_LayerProperty36752, 0},
    {QMK_LayerItemCount, 0},     {QMK_LayerActive, 0},      {QMK_LayerVisible, 1},
    {QMK_LayerSequenceNumber, 1}, {QMK_LayerGroupCount, 0}, {QMK_LayerGroupId, 0},
};

// A layer with this name gives its new objects a fixed creation time.
const wchar_t kAccessName[] = L"Marlow Tennet";

std::wstring FromBstr(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

BSTR ToBstr(const std::wstring& text)
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}
} // namespace

AnnotationLayer::AnnotationLayer(LayerHost& host)
    : host_(host), handle_(InterlockedIncrement(&g_lastLayerHandle))
{
    for (int i = 0; i < kToolCount; ++i) {
        toolEnabled_[i] = 1;
        toolDeleted_[i] = 0;
        toolVisible_[i] = 1;
    }
    for (const PropertyDefault& row : kPropertyDefaults)
        properties_[row.code] = row.value;
}

void AnnotationLayer::TearDown()
{
    destroying_ = true;
    updates_ = false;
    pending_.reset();
    editing_ = nullptr;
    rightPress_ = nullptr;
    captured_ = nullptr;
    selection_.clear();
    groups_.clear();
    ItemList all;
    all.swap(items_);
    numbersInUse_.Clear();
    for (auto& item : all) {
        const bool committed = item->IsCommitted();
        const int seq = item->SequenceNumber();
        item.reset();
        if (committed)
            host_.Notify(QMK_AnnotationDeleted, seq);
    }
}

AnnotationLayer::~AnnotationLayer()
{
    // Nothing reaches the host from a layer being torn down.
    destroying_ = true;
    updates_ = false;
    pending_.reset();
    selection_.clear();
    items_.clear();
}

void AnnotationLayer::Attach(ViewMapping* mapping, int screenUnit, HWND helperWindow,
                             HWND hostWindow)
{
    mapping_ = mapping;
    screenUnit_ = screenUnit;
    helperWindow_ = helperWindow;
    hostWindow_ = hostWindow;
}

// ---- tools ---------------------------------------------------------------------------

void AnnotationLayer::SetToolAttributes(int tool, const AttributeMap& attributes)
{
    if (ToolDefaults::IsTool(tool)) {
        toolAttributes_[tool - kFirstTool] = attributes;
        sharedToolAttributes_[tool - kFirstTool].reset();
    }
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
    // The value may change: new items take a new copy of the map.
    if (ToolDefaults::IsTool(tool))
        sharedToolAttributes_[tool - kFirstTool].reset();
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
    // Texts (10 and the user string 1281 too) are the tool map's own copies,
    // so a tool that had no string simply gets one; a null text or font
    // address keeps the old value. A picture block that holds no whole
    // picture is refused and the old picture stays.
    if (!current->Assign(value) && value && current->kind() == AttributeValue::Kind::Image)
        return QMK_ErrInvalidAttribute;
    if (pending_ && !pending_->IsCommitted() && pending_->Type() == tool) {
        bool changed = false;
        pending_->SetAttribute(attribute, current->AsArgument(), changed);
    }
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

std::unique_ptr<Annotation> AnnotationLayer::MakeToolObject(int tool) const
{
    if (!ToolDefaults::IsTool(tool))
        return nullptr;
    // The item shares the frozen copy of the tool's map.
    std::shared_ptr<const AttributeMap>& shared = sharedToolAttributes_[tool - kFirstTool];
    if (!shared)
        shared = AttributeMap::Freeze(toolAttributes_[tool - kFirstTool]);
    const AttributeMap* attributes = shared.get();
    switch (tool) {
    case RectangleTool:
    case EllipseTool:
        return std::unique_ptr<Annotation>(new (std::nothrow) ShapeAnnotation(tool, *attributes));
    case PolygonTool:
    case PolyLineTool:
    case LineTool:
    case FreehandTool:
    case RulerTool:
        return std::unique_ptr<Annotation>(new (std::nothrow) PointListAnnotation(tool, *attributes));
    case StampTool:
        return std::unique_ptr<Annotation>(new (std::nothrow) StampAnnotation(*attributes));
    case ImageTool:
        return std::unique_ptr<Annotation>(new (std::nothrow) ImageAnnotation(*attributes));
    case ButtonTool:
        return std::unique_ptr<Annotation>(new (std::nothrow) ButtonAnnotation(*attributes));
    case TextTool:
        return std::unique_ptr<Annotation>(new (std::nothrow) TextAnnotation(*attributes));
    default:
        return nullptr;  // the pointer and the protractor make no items
    }
}

bool AnnotationLayer::LetPendingGo()
{
    if (!pending_)
        return true;
    if (!pending_->IsCommitted()) {
        int code = 0;
        changingTool_ = true;
        // A cancelled creation may complete the object, and the host hears of it.
        const LayerPresence presence = Presence();
        pending_->CancelTracking(&code);
        if (!presence.StillThere())
            return false;
        changingTool_ = false;
    }
    // A completed object is an item now and pending_ no longer holds it.
    pending_.reset();
    return true;
}

int AnnotationLayer::NewObjectSeconds() const
{
    if (fixedTime_)
        return kFixedCreationSeconds;
    // The system clock read directly: the C library's time() costs many
    // times more per call, and an import makes a new object per item.
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    return static_cast<int>(static_cast<int64_t>(ticks - Annotation::kUnixEpochFileTime) / 10000000);
}

int AnnotationLayer::SelectTool(int tool)
{
    if (tool != NoTool && !ToolDefaults::IsTool(tool))
        return QMK_ErrInvalidTool;
    if (tool == ProtractorTool)
        return QMK_NoError;  // no items of its own: nothing changes
    if (tool == PointerTool && currentTool_ == PointerTool) {
        host_.ToolShown(handle_, tool);
        return QMK_NoError;
    }
    std::unique_ptr<Annotation> made;
    if (tool != NoTool && tool != PointerTool) {
        made = MakeToolObject(tool);
        if (!made)
            return QMK_ErrOutOfMemory;
    }
    if (!LetPendingGo())
        return QMK_ErrInvalidLayer;
    editing_ = nullptr;
    currentTool_ = tool;
    if (made) {
        made->Link(this, mapping_);
        made->SetCreationTime(NewObjectSeconds());
        made->Attach();
        pending_ = std::move(made);
    }
    if (Notify(QMK_ToolChange, tool))
        host_.ToolShown(handle_, tool);
    return QMK_NoError;
}

// ---- palette flags ---------------------------------------------------------------------

int AnnotationLayer::GetToolEnabled(int tool, unsigned char* flag) const
{
    if (!ToolDefaults::IsTool(tool))
        return QMK_ErrInvalidTool;
    if (flag)
        *flag = toolEnabled_[tool - kFirstTool];
    return QMK_NoError;
}

int AnnotationLayer::SetToolEnabled(int tool, bool enabled)
{
    if (!ToolDefaults::IsTool(tool))
        return QMK_ErrInvalidTool;
    toolEnabled_[tool - kFirstTool] = enabled ? 1 : 0;
    if (current_)
        host_.PaletteToolEnabled(tool, enabled);
    return QMK_NoError;
}

int AnnotationLayer::DeleteTool(int tool)
{
    if (!ToolDefaults::IsTool(tool))
        return QMK_ErrInvalidTool;
    toolDeleted_[tool - kFirstTool] = 1;
    if (current_)
        host_.PaletteToolDeleted(tool, true);
    return QMK_NoError;
}

int AnnotationLayer::GetToolVisible(int tool, unsigned char* flag) const
{
    if (!ToolDefaults::IsTool(tool))
        return QMK_ErrInvalidTool;
    if (flag)
        *flag = toolVisible_[tool - kFirstTool];
    return QMK_NoError;
}

int AnnotationLayer::SetToolVisible(int tool, bool visible)
{
    if (!ToolDefaults::IsTool(tool))
        return QMK_ErrInvalidTool;
    toolVisible_[tool - kFirstTool] = visible ? 1 : 0;
    if (current_)
        host_.PaletteToolVisible(tool, visible);
    return QMK_NoError;
}

void AnnotationLayer::Activate(bool current)
{
    if (current) {
        for (int i = 0; i < kToolCount; ++i)
            host_.PaletteToolEnabled(kFirstTool + i, toolEnabled_[i] != 0);
        for (int i = 0; i < kToolCount; ++i)
            host_.PaletteToolVisible(kFirstTool + i, toolVisible_[i] != 0);
        for (int i = 0; i < kToolCount; ++i) {
            if (toolVisible_[i])
                host_.PaletteToolDeleted(kFirstTool + i, toolDeleted_[i] != 0);
            else
                host_.PaletteToolVisible(kFirstTool + i, false);
        }
    }
    current_ = current;
    // A layer made current has its pending object made again for its tool
    // (and reports the tool); the host may delete the layer when told, so
    // this comes last.
    if (current)
        SelectTool(currentTool_);
}

// ---- properties ---------------------------------------------------------------------------

int AnnotationLayer::SetProperty(int code, EngineValue value)
{
    if (code == QMK_LayerName) {
        name_ = FromBstr(reinterpret_cast<BSTR>(value));
        if (name_ == kAccessName)
            fixedTime_ = true;  // for the layer's whole life
        return QMK_NoError;
    }
    if (code == QMK_LayerDescription) {
        description_ = FromBstr(reinterpret_cast<BSTR>(value));
        return QMK_NoError;
    }
    auto it = properties_.find(code);
    if (it == properties_.end())
        return QMK_ErrInvalidAttribute;
    it->second = static_cast<int>(value);
    if (code == QMK_LayerVisible) {
        visible_ = value != 0;
        if (updates_)
            InvalidateAll();
    } else if (code == QMK_LayerActive) {
        active_ = value != 0;
    }
    return QMK_NoError;
}

int AnnotationLayer::GetProperty(int code, EngineValue* value) const
{
    if (code == QMK_LayerName || code == QMK_LayerDescription) {
        if (value)
            *reinterpret_cast<BSTR*>(value) = ToBstr(code == QMK_LayerName ? name_ : description_);
        return QMK_NoError;
    }
    auto it = properties_.find(code);
    if (it == properties_.end())
        return QMK_ErrInvalidAttribute;
    if (value)
        *reinterpret_cast<int*>(value) = it->second;
    return QMK_NoError;
}

void AnnotationLayer::SetActive(bool active)
{
    active_ = active;
    properties_[QMK_LayerActive] = active ? 1 : 0;
}

void AnnotationLayer::SetPassword(BSTR password)
{
    password_ = FromBstr(password);
}

BSTR AnnotationLayer::Password() const
{
    return ToBstr(password_);
}

bool AnnotationLayer::SetUpdates(bool updates)
{
    bool before = updates_;
    updates_ = updates;
    InvalidateAll();
    return before;
}

// ---- relays ------------------------------------------------------------------------------------

bool AnnotationLayer::Notify(int code, int data)
{
    if (destroying_)
        return true;
    const LayerPresence presence = Presence();
    host_.Notify(code, data);
    return presence.StillThere();
}

bool AnnotationLayer::Invalidate(const RECT& layerRect, bool updateNow)
{
    if (!updates_ || destroying_)
        return true;
    // The conversion to the window may ask the host for its view, and with
    // updateNow the host paints at once: either may call back into the engine.
    const LayerPresence presence = Presence();
    host_.Invalidate(&layerRect);
    if (!presence.StillThere())
        return false;
    if (!updateNow || !hostWindow_ || !IsWindow(hostWindow_))
        return true;
    UpdateWindow(hostWindow_);
    return presence.StillThere();
}

void AnnotationLayer::InvalidateAll()
{
    if (!updates_ || destroying_)
        return;
    host_.Invalidate(nullptr);
}

void AnnotationLayer::InvalidateLayerRect(const RECT& layerRect)
{
    Invalidate(layerRect);
}

bool AnnotationLayer::UserDraw(HDC dc, int x, int y, int width, int height, int seq, int userLong)
{
    // The item drawn is in the list, or it is the pending object (with no
    // number yet); afterwards it must be where it was.
    const Annotation* drawn = seq != 0 ? FindItem(seq) : pending_.get();
    const uint64_t identity = drawn ? drawn->Identity() : 0;
    const LayerPresence presence = Presence();
    host_.UserDraw(dc, x, y, width, height, handle_, seq, userLong);
    return presence.StillThere() && drawn && StillHolds(seq, identity);
}

int AnnotationLayer::HandleSize() const
{
    // The record as it stands: the engine brings the view up to date where a
    // call enters. Asking the host from here could delete this layer.
    return mapping_ ? mapping_->HandleRatio() : 0;
}

// The engine's pen and brush go into the device of its paint.
void AnnotationLayer::SelectBrush(HDC, COLORREF fill, bool hollow, int hatchStyle,
                                  COLORREF hatchColor)
{
    host_.SelectBrush(0, fill, hollow, hatchStyle, hatchColor);
}

void AnnotationLayer::SelectPen(HDC, int width, COLORREF color, int style)
{
    host_.SelectPen(width, color, 0, style);
}

void AnnotationLayer::DeviceToolsChanged(HDC)
{
    host_.DeviceToolsChanged();
}

bool AnnotationLayer::SetItemCursor(int tool, int kind)
{
    return host_.SetToolCursor(tool, kind) != 0;
}

UnitNames* AnnotationLayer::TextSettings()
{
    return host_.TextSettings();
}

bool AnnotationLayer::StillHolds(int seq, uint64_t identity) const
{
    // By number and identity, never by address: an item made meanwhile may
    // sit where a deleted one was.
    const Annotation* found = seq != 0 ? FindItem(seq) : pending_.get();
    return found && found->Identity() == identity;
}

bool AnnotationLayer::Stamping(Annotation& item)
{
    const int seq = item.IsCommitted() ? item.SequenceNumber() : 0;
    const uint64_t identity = item.Identity();
    const LayerPresence presence = Presence();
    host_.Stamping();
    return presence.StillThere() && StillHolds(seq, identity);
}

bool AnnotationLayer::HostDraw(Annotation& item, const int (&v)[12])
{
    const int seq = item.IsCommitted() ? item.SequenceNumber() : 0;
    const uint64_t identity = item.Identity();
    const LayerPresence presence = Presence();
    host_.HostDrawCall(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11]);
    return presence.StillThere() && StillHolds(seq, identity);
}

bool AnnotationLayer::MapPicture(Annotation& item, HGLOBAL picture, int code, HGLOBAL* result)
{
    *result = nullptr;
    const int seq = item.IsCommitted() ? item.SequenceNumber() : 0;
    const uint64_t identity = item.Identity();
    const LayerPresence presence = Presence();
    const int mapped =
        host_.MapHostValue(static_cast<int>(reinterpret_cast<intptr_t>(picture)), code);
    HGLOBAL made = reinterpret_cast<HGLOBAL>(static_cast<intptr_t>(mapped));
    if (made != picture)
        *result = made;
    return presence.StillThere() && StillHolds(seq, identity);
}

bool AnnotationLayer::ItemEvent(Annotation& item, int code)
{
    const int seq = item.IsCommitted() ? item.SequenceNumber() : 0;
    const uint64_t identity = item.Identity();
    const LayerPresence presence = Presence();
    Notify(code, item.SequenceNumber());
    return presence.StillThere() && StillHolds(seq, identity);
}

bool AnnotationLayer::ItemAttributeChanged(Annotation& item, int attribute)
{
    const int seq = item.IsCommitted() ? item.SequenceNumber() : 0;
    const uint64_t identity = item.Identity();
    const LayerPresence presence = Presence();
    host_.ItemChanged(handle_, item.SequenceNumber(), attribute);
    return presence.StillThere() && StillHolds(seq, identity);
}

void AnnotationLayer::SetItemMouseHook(MouseHookFn hook, void* context)
{
    host_.SetMouseHook(hook, context);
}
