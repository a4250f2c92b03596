// The engine's layers: creation, the list and its walk, the current layer,
// deletion, and the operations that go to the current layer.
#include <new>

#include "engine_object.h"
#include "view/view_mapping.h"

AnnotationLayer* EngineObject::FindLayer(int handle) const
{
    if (handle == 0)
        return nullptr;
    for (const auto& layer : layers_)
        if (layer->Handle() == handle)
            return layer.get();
    return nullptr;
}

std::unique_ptr<AnnotationLayer> EngineObject::NewUnlistedLayer()
{
    std::unique_ptr<AnnotationLayer> layer(new AnnotationLayer(*this));
    // The layer's tools start as deep copies of the engine's defaults.
    for (int tool = kFirstTool; tool <= kLastTool; ++tool)
        layer->SetToolAttributes(tool, *settings_->Tools().MapOf(tool));
    layer->Attach(mapping_.get(), screenUnit_, HelperWindowHandle(), hostWindow_);
    return layer;
}

void EngineObject::MakeCurrent(AnnotationLayer& layer)
{
    if (AnnotationLayer* previous = FindLayer(currentLayer_))
        if (previous != &layer)
            previous->Activate(false);
    currentLayer_ = layer.Handle();
    layer.Activate(true);
    channels_.CurrentLayerChange(currentLayer_);
}

int __stdcall EngineObject::CreateLayer(unsigned char makeCurrent)
{
    AnnotationLayer* layer = nullptr;
    try {
        std::unique_ptr<AnnotationLayer> created = NewUnlistedLayer();
        layer = created.get();
        layers_.push_front(std::move(created));
    } catch (...) {
        return 0;
    }
    if (!makeCurrent)
        return layer->Handle();
    layer->SetActive(true);
    MakeCurrent(*layer);
    return layer->Handle();
}

int __stdcall EngineObject::DeleteLayer(int handle)
{
    for (auto it = layers_.begin(); it != layers_.end(); ++it) {
        if ((*it)->Handle() != handle)
            continue;
        if (handle == currentLayer_) {
            currentLayer_ = 0;
            InvalidateHostWindow();
        }
        layers_.erase(it);
        return 1;
    }
    return 0;
}

int __stdcall EngineObject::SetCurrentLayer(int handle)
{
    if (handle == 0) {
        if (AnnotationLayer* previous = FindLayer(currentLayer_))
            previous->Activate(false);
        currentLayer_ = 0;
        return 1;
    }
    AnnotationLayer* layer = FindLayer(handle);
    if (!layer)
        return 0;
    if (handle == currentLayer_)
        return 1;
    if (AnnotationLayer* previous = FindLayer(currentLayer_))
        previous->Activate(false);
    currentLayer_ = handle;
    layer->Activate(true);
    return 1;
}

int __stdcall EngineObject::GetCurrentLayer()
{
    return currentLayer_;
}

int __stdcall EngineObject::DeleteAllLayers()
{
    SetFocus(nullptr);
    bool hadCurrent = currentLayer_ != 0;
    DestroyAllLayers();
    currentLayer_ = 0;
    if (hadCurrent)
        channels_.CurrentLayerChange(0);
    InvalidateHostWindow();
    return 0;
}

int __stdcall EngineObject::IsValidLayer(int handle)
{
    return FindLayer(handle) ? 1 : 0;
}

int __stdcall EngineObject::GetFirstLayer()
{
    layerWalk_ = layers_.empty() ? 0 : layers_.front()->Handle();
    return layerWalk_;
}

int __stdcall EngineObject::GetNextLayer()
{
    // The walk stands on the layer it returned last; it ends (and stays ended
    // until GetFirstLayer) at the oldest layer or when that layer is gone.
    for (auto it = layers_.begin(); layerWalk_ != 0 && it != layers_.end(); ++it) {
        if ((*it)->Handle() != layerWalk_)
            continue;
        ++it;
        layerWalk_ = it == layers_.end() ? 0 : (*it)->Handle();
        return layerWalk_;
    }
    layerWalk_ = 0;
    return 0;
}

int __stdcall EngineObject::GetLayerCount()
{
    return static_cast<int>(layers_.size());
}

int __stdcall EngineObject::SetTool(int layer, int tool)
{
    if (settings_->InteractMode())
        return QMK_ErrInvalidInteractMode;
    AnnotationLayer* found = FindLayer(layer);
    if (!found || layer != currentLayer_)
        return QMK_ErrInvalidTool;
    return found->SelectTool(tool);
}

int __stdcall EngineObject::SetToolAttribute(int layer, int tool, int attribute,
                                             EngineValue value)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    return found->SetToolAttribute(tool, attribute, value);
}

int __stdcall EngineObject::GetToolAttribute(int layer, int tool, int attribute,
                                             EngineValue* value)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    return found->GetToolAttribute(tool, attribute, value);
}

int __stdcall EngineObject::MouseMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Without a current layer only the interactive mode takes mouse messages,
    // and only when there are layers.
    AnnotationLayer* current = FindLayer(currentLayer_);
    if (!current && !(settings_->InteractMode() && !layers_.empty()))
        return -1;
    if (!mapping_->Refresh(false, nullptr))
        return -1;
    // A message without a point of its own reaches the layer with (-1, -1)
    // as it is; only a real point is converted to layer units.
    POINT point = {-1, -1};
    bool located = true;
    if (message == WM_SETCURSOR) {
        GetCursorPos(&point);
        ScreenToClient(window, &point);
    } else if ((message >= WM_MOUSEMOVE && message <= WM_RBUTTONUP) ||
               message == WM_MBUTTONDOWN || message == WM_MBUTTONUP) {
        point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    } else {
        located = false;
    }
    if (located)
        point = mapping_->WindowToLayer(point);
    if (settings_->InteractMode()) {
        if (!current)
            return -1;
        return current->HandleInteractiveMouse(window, message, wParam, point.x, point.y) ? 0
                                                                                           : -1;
    }
    // Without the engine's own editors a double click on an item is first
    // the host's, layer by layer, newest first.
    if (message == WM_LBUTTONDBLCLK && !unitNames_->editors) {
        for (const auto& layer : layers_)
            if (layer->HandleInteractiveMouse(window, message, wParam, point.x, point.y))
                break;
        current = FindLayer(currentLayer_);  // the host may have changed the layers
        if (!current)
            return -1;
    }
    if (mouseHook_) {
        int code = 0;
        int data = 0;
        int hooked = mouseHook_(mouseHookContext_, window, message, wParam, point.x, point.y,
                                &code, &data);
        // What the hook reports goes out on channel 1 with its data word.
        if (code != 0)
            Notify(code, data);
        if (hooked != -1)
            return hooked;
        // The host may have changed the layers when told.
        current = FindLayer(currentLayer_);
        if (!current)
            return -1;
    }
    return current->HandleMouse(window, message, wParam, point.x, point.y);
}

int __stdcall EngineObject::KeyMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    AnnotationLayer* current = FindLayer(currentLayer_);
    if (!current)
        return -1;
    if (!mapping_->Refresh(false, nullptr))
        return -1;
    return current->HandleKey(window, message, wParam, lParam);
}
