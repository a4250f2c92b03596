// The engine's layers: creation, the list and its walk, the current layer,
// deletion, and the operations that go to the current layer.
#include <algorithm>
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

std::vector<int> EngineObject::LayerHandles(bool oldestFirst) const
{
    std::vector<int> handles;
    handles.reserve(layers_.size());
    for (const auto& layer : layers_)
        handles.push_back(layer->Handle());
    if (oldestFirst)
        std::reverse(handles.begin(), handles.end());
    return handles;
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
    // Each layer may tell the host of its change, and the host may then
    // delete layers: the new one is found again by its handle.
    const int handle = layer.Handle();
    if (AnnotationLayer* previous = FindLayer(currentLayer_))
        if (previous != &layer)
            previous->Activate(false);
    AnnotationLayer* made = FindLayer(handle);
    if (!made)
        return;
    currentLayer_ = handle;
    made->Activate(true);
    // The host, told of the layer's tool, may have changed the layers.
    if (currentLayer_ == handle && FindLayer(handle)) {
        ApplyPaletteLook();
        channels_.CurrentLayerChange(handle);
    }
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
    const int handle = layer->Handle();
    if (!makeCurrent)
        return handle;
    layer->SetActive(true);
    MakeCurrent(*layer);  // the host, told of it, may delete the layer
    return handle;
}

int __stdcall EngineObject::DeleteLayer(int handle)
{
    for (auto it = layers_.begin(); it != layers_.end(); ++it) {
        if ((*it)->Handle() != handle)
            continue;
        // Out of the list first: what the host does while the layer goes
        // finds it no more.
        std::unique_ptr<AnnotationLayer> doomed = std::move(*it);
        layers_.erase(it);
        if (handle == currentLayer_) {
            currentLayer_ = 0;
            ApplyPaletteLook();
            InvalidateHostWindow();
        }
        doomed->TearDown();
        RetireLayer(std::move(doomed));
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
        ApplyPaletteLook();
        return 1;
    }
    AnnotationLayer* layer = FindLayer(handle);
    if (!layer)
        return 0;
    if (handle == currentLayer_)
        return 1;
    if (AnnotationLayer* previous = FindLayer(currentLayer_))
        previous->Activate(false);
    // The layers may tell the host of the change, which may delete layers.
    layer = FindLayer(handle);
    if (!layer)
        return 0;
    currentLayer_ = handle;
    layer->Activate(true);
    if (currentLayer_ == handle)
        ApplyPaletteLook();
    return 1;
}

int __stdcall EngineObject::GetCurrentLayer()
{
    return currentLayer_;
}

int __stdcall EngineObject::DeleteAllLayers()
{
    SetFocus(nullptr);  // the host hears of it and may call back
    bool hadCurrent = currentLayer_ != 0;
    // The layers leave the list before their items are reported deleted; a
    // layer the host makes current meanwhile stays current.
    LayerList gone;
    gone.swap(layers_);
    currentLayer_ = 0;
    while (!gone.empty()) {
        std::unique_ptr<AnnotationLayer> layer = std::move(gone.front());
        gone.pop_front();
        layer->TearDown();
        RetireLayer(std::move(layer));
    }
    if (currentLayer_ == 0)
        ApplyPaletteLook();  // hidden without a current layer
    if (hadCurrent && currentLayer_ == 0)
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
    if (!FindLayer(currentLayer_) && !(settings_->InteractMode() && !layers_.empty()))
        return -1;
    // The host's view services may call back into the engine: the current
    // layer is found after them, and again after every call out below.
    if (!mapping_->Refresh(false, nullptr))
        return -1;
    AnnotationLayer* current = FindLayer(currentLayer_);
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
        for (int handle : LayerHandles()) {
            AnnotationLayer* layer = FindLayer(handle);
            if (layer && layer->HandleInteractiveMouse(window, message, wParam, point.x, point.y))
                break;
        }
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
    }
    // The host may have changed the layers when told.
    current = FindLayer(currentLayer_);
    if (!current)
        return -1;
    return current->HandleMouse(window, message, wParam, point.x, point.y);
}

int __stdcall EngineObject::KeyMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!FindLayer(currentLayer_))
        return -1;
    if (!mapping_->Refresh(false, nullptr))
        return -1;
    AnnotationLayer* current = FindLayer(currentLayer_);  // after the host's services
    if (!current)
        return -1;
    return current->HandleKey(window, message, wParam, lParam);
}
