#pragma once
// One named set of annotations over the image. For now the layer holds what
// the engine needs of it (its handle, its name and flags, its per-tool
// attributes); items, painting and editing come with the layer's own work.
#include <windows.h>
#include <oleauto.h>

#include "annotation_engine.h"
#include "tool_defaults.h"

class LayerHost;
class ViewMapping;

class AnnotationLayer {
public:
    // Attribute code -> value of one tool; the values are the layer's own copies.
    using AttributeMap = ToolDefaults::Map;

    explicit AnnotationLayer(LayerHost& host);
    ~AnnotationLayer();
    AnnotationLayer(const AnnotationLayer&) = delete;
    AnnotationLayer& operator=(const AnnotationLayer&) = delete;

    // The handle that names this layer across the interface: unique within the
    // process, never 0, never reused.
    int Handle() const { return handle_; }

    // What the engine hands over when it creates the layer.
    void Attach(ViewMapping* mapping, int screenUnit, HWND helperWindow, HWND hostWindow);
    // The tool's attributes become copies of these (texts, fonts and images
    // included). A tool outside 4096..4108 is ignored.
    void SetToolAttributes(int tool, const AttributeMap& attributes);
    // The tool's attributes, or null for a tool outside 4096..4108.
    const AttributeMap* ToolAttributes(int tool) const;

    // One attribute of a tool: QMK_ErrInvalidTool for a tool outside
    // 4096..4108, QMK_ErrInvalidAttribute for an attribute the tool does not
    // have. A set copies what the value refers to (see AttributeValue::Assign);
    // a get writes it to the out argument in its own form.
    int SetToolAttribute(int tool, int attribute, EngineValue value);
    int GetToolAttribute(int tool, int attribute, EngineValue* value) const;

    // The engine makes this layer current or not.
    void Activate(bool current);
    bool IsCurrent() const { return current_; }

    // Layer properties this placeholder knows: 513 active.
    void SetActive(bool active) { active_ = active; }
    bool Active() const { return active_; }

    bool PaletteVisible() const { return paletteVisible_; }
    bool PaletteEnabled() const { return paletteEnabled_; }

    // Whether seq names an item that is complete and in this layer's list.
    bool HasLiveItem(int seq) const;

private:
    AttributeValue* FindToolAttribute(int tool, int attribute);
    const AttributeValue* FindToolAttribute(int tool, int attribute) const;

    LayerHost& host_;
    int handle_;
    ViewMapping* mapping_ = nullptr;
    int screenUnit_ = 0;
    HWND helperWindow_ = nullptr;
    HWND hostWindow_ = nullptr;
    AttributeMap toolAttributes_[kToolCount];
    BSTR name_ = nullptr;
    bool current_ = false;
    bool active_ = false;
    bool paletteVisible_ = false;
    bool paletteEnabled_ = true;
};
