#pragma once
// One named set of annotations over the image. For now the layer holds what
// the engine needs of it (its handle, its name and flags, its tool defaults);
// items, painting and editing come with the layer's own work.
#include <windows.h>
#include <oleauto.h>

#include <map>

#include "annotation_engine.h"

class LayerHost;
class ViewMapping;

class AnnotationLayer {
public:
    using AttributeMap = std::map<int, EngineValue>;

    explicit AnnotationLayer(LayerHost& host);
    ~AnnotationLayer();
    AnnotationLayer(const AnnotationLayer&) = delete;
    AnnotationLayer& operator=(const AnnotationLayer&) = delete;

    // The handle that names this layer across the interface: unique within the
    // process, never 0, never reused.
    int Handle() const { return handle_; }

    // What the engine hands over when it creates the layer.
    void Attach(ViewMapping* mapping, int screenUnit, HWND helperWindow, HWND hostWindow);
    void SetToolDefaults(int tool, const AttributeMap& attributes);
    const AttributeMap* ToolDefaults(int tool) const;

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
    LayerHost& host_;
    int handle_;
    ViewMapping* mapping_ = nullptr;
    int screenUnit_ = 0;
    HWND helperWindow_ = nullptr;
    HWND hostWindow_ = nullptr;
    AttributeMap toolDefaults_[kToolCount];
    BSTR name_ = nullptr;
    bool current_ = false;
    bool active_ = false;
    bool paletteVisible_ = false;
    bool paletteEnabled_ = true;
};
