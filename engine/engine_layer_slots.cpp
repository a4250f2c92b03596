// The operations that find a layer by handle and hand the work to it: items,
// selection, z-order, tool and palette flags, layer properties.
#include "engine_object.h"
#include "view/view_mapping.h"

namespace {
// Out sequence numbers of the walks: the layer's answer, 0 for an unknown layer.
int Walked(AnnotationLayer* layer, int (AnnotationLayer::*walk)(), int* seq)
{
    if (seq)
        *seq = 0;
    if (!layer)
        return QMK_ErrInvalidLayer;
    int found = (layer->*walk)();
    if (seq)
        *seq = found;
    return QMK_NoError;
}
} // namespace

int __stdcall EngineObject::PrgGetItemCount(int layer, int* count)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    if (count)
        *count = found->ItemCount();
    return QMK_NoError;
}

int __stdcall EngineObject::PrgGetFirstItem(int layer, int* seq)
{
    return Walked(FindLayer(layer), &AnnotationLayer::FirstItem, seq);
}

int __stdcall EngineObject::PrgGetNextItem(int layer, int* seq)
{
    return Walked(FindLayer(layer), &AnnotationLayer::NextItem, seq);
}

int __stdcall EngineObject::PrgGetFirstSelected(int layer, int* seq)
{
    return Walked(FindLayer(layer), &AnnotationLayer::FirstSelected, seq);
}

int __stdcall EngineObject::PrgGetNextSelected(int layer, int* seq)
{
    return Walked(FindLayer(layer), &AnnotationLayer::NextSelected, seq);
}

int __stdcall EngineObject::PrgSequenceFromEntry(int layer, int entry, int* seq)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    return found->SequenceFromEntry(entry, seq);
}

int __stdcall EngineObject::IsSelection(int layer)
{
    AnnotationLayer* found = FindLayer(layer);
    return found && found->IsSelection() ? 1 : 0;
}

bool EngineObject::ViewForGeometry(bool refreshNow)
{
    if (refreshNow || mapping_->RefreshNeeded() || !mapping_->Usable())
        mapping_->Refresh(false, nullptr);
    return mapping_->Usable();
}

AnnotationLayer* EngineObject::LayerWithFreshView(int layer)
{
    if (!FindLayer(layer))
        return nullptr;
    if (mapping_->RefreshNeeded())
        mapping_->Refresh(false, nullptr);
    return FindLayer(layer);
}

int EngineObject::ItemWithView(int layer, int seq, bool refreshNow)
{
    // The item is looked for before the host is asked for its view, and
    // again after (the host may change the layers while it answers).
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    if (!found->FindItem(seq))
        return QMK_ErrItemNotFound;
    if (!ViewForGeometry(refreshNow))
        return QMK_ErrInvalidContext;
    found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    return found->FindItem(seq) ? QMK_NoError : QMK_ErrItemNotFound;
}

int __stdcall EngineObject::PrgMoveItem(int layer, int seq, int x, int y)
{
    const int ready = ItemWithView(layer, seq, false);
    if (ready != QMK_NoError)
        return ready;
    return FindLayer(layer)->MoveItem(seq, x, y);
}

int __stdcall EngineObject::PrgSetItemRect(int layer, int seq, int left, int top, int width,
                                           int height)
{
    // Window pixels need the view as the host shows it now.
    const int ready = ItemWithView(layer, seq, true);
    if (ready != QMK_NoError)
        return ready;
    RECT window = {left, top, left + width, top + height};
    ViewMapping::NormalizeRect(window);
    // Items keep their rectangle in layer units.
    RECT layerRect = mapping_->WindowToLayer(window);
    return PrgSetItemAttribute(layer, seq, QMK_BoundingRect,
                               reinterpret_cast<EngineValue>(&layerRect));
}

int __stdcall EngineObject::PrgGetItemRect(int layer, int seq, RECT* rect)
{
    const int ready = ItemWithView(layer, seq, true);
    if (ready != QMK_NoError)
        return ready;
    RECT layerRect = {};
    int result = PrgGetItemAttribute(layer, seq, QMK_BoundingRect,
                                     reinterpret_cast<EngineValue*>(&layerRect));
    if (result == QMK_NoError && rect)
        *rect = mapping_->LayerToWindow(layerRect);
    return result;
}

int __stdcall EngineObject::PrgGetItemAttribute(int layer, int seq, int attribute,
                                                EngineValue* value)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    return found->GetItemAttribute(seq, attribute, value);
}

int __stdcall EngineObject::PrgSetItemAttribute(int layer, int seq, int attribute,
                                                EngineValue value)
{
    AnnotationLayer* found = LayerWithFreshView(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    // The host hears of real changes only: the old value is read first and
    // compared with the new one in the attribute's own type.
    AttributeValue::Kind kind = AttributeValue::KindOfItemAttribute(attribute);
    bool comparable = kind != AttributeValue::Kind::Image && kind != AttributeValue::Kind::Variant;
    if (comparable) {
        AttributeValue old(kind);
        int read = found->GetItemAttribute(seq, attribute, old.OutArgument());
        if (read != QMK_NoError)
            return read;
        if (old.Equals(AttributeValue::FromArgument(kind, value)))
            return QMK_NoError;
    } else if (!found->FindItem(seq)) {
        return QMK_ErrItemNotFound;
    }
    int result = found->SetItemAttribute(seq, attribute, value);
    if (result != QMK_NoError)
        return result;
    if (attribute != QMK_SequenceNumber)
        ItemChanged(layer, seq, attribute);
    return QMK_NoError;
}

int __stdcall EngineObject::PrgGetItemPoint(int layer, int seq, int index, POINT* point)
{
    const int ready = ItemWithView(layer, seq, false);
    if (ready != QMK_NoError)
        return ready;
    return FindLayer(layer)->GetItemPoint(seq, index, point);
}

int __stdcall EngineObject::PrgSetItemPoint(int layer, int seq, int index, const POINT* point)
{
    const int ready = ItemWithView(layer, seq, false);
    if (ready != QMK_NoError)
        return ready;
    return FindLayer(layer)->SetItemPoint(seq, index, point);
}

int __stdcall EngineObject::PrgDeleteItem(int layer, int seq)
{
    AnnotationLayer* found = LayerWithFreshView(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    return found->DeleteItem(seq);
}

int __stdcall EngineObject::PrgDeleteAll(int layer)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    found->DeleteAll();
    return QMK_NoError;
}

int __stdcall EngineObject::DeleteSelected()
{
    if (AnnotationLayer* current = FindLayer(currentLayer_))
        current->DeleteSelected();
    return 0;
}

int __stdcall EngineObject::PrgSelectAll(int layer, int flag)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    found->SelectAll(flag != 0);
    return QMK_NoError;
}

// ---- z-order --------------------------------------------------------------------------

int __stdcall EngineObject::BringToFront(int layer)
{
    AnnotationLayer* found = LayerWithFreshView(layer);
    return found ? found->BringSelectedToFront() : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::SendToBack(int layer)
{
    AnnotationLayer* found = LayerWithFreshView(layer);
    return found ? found->SendSelectedToBack() : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::BringItemToFront(int layer, int seq)
{
    AnnotationLayer* found = LayerWithFreshView(layer);
    return found ? found->BringItemToFront(seq) : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::SendItemToBack(int layer, int seq)
{
    AnnotationLayer* found = LayerWithFreshView(layer);
    return found ? found->SendItemToBack(seq) : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::NudgeUp(int layer, int seq)
{
    AnnotationLayer* found = LayerWithFreshView(layer);
    return found ? found->NudgeUp(seq) : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::NudgeDn(int layer, int seq)
{
    AnnotationLayer* found = LayerWithFreshView(layer);
    return found ? found->NudgeDown(seq) : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::Reverse(int layer)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    found->Reverse();
    return QMK_NoError;
}

// ---- tools and the palette flags of a layer -----------------------------------------------

int __stdcall EngineObject::GetTool(int layer, int* tool)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    if (tool)
        *tool = found->CurrentTool();
    return QMK_NoError;
}

int __stdcall EngineObject::ToolbarGetToolEnabled(int layer, int tool, unsigned char* flag)
{
    AnnotationLayer* found = FindLayer(layer);
    return found ? found->GetToolEnabled(tool, flag) : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::ToolbarSetToolEnabled(int layer, int tool, int flag)
{
    AnnotationLayer* found = FindLayer(layer);
    return found ? found->SetToolEnabled(tool, flag != 0) : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::ToolbarDeleteTool(int layer, int tool)
{
    AnnotationLayer* found = FindLayer(layer);
    return found ? found->DeleteTool(tool) : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::ToolbarGetToolVisible(int layer, int tool, unsigned char* flag)
{
    AnnotationLayer* found = FindLayer(layer);
    return found ? found->GetToolVisible(tool, flag) : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::ToolbarSetToolVisible(int layer, int tool, int flag)
{
    AnnotationLayer* found = FindLayer(layer);
    return found ? found->SetToolVisible(tool, flag != 0) : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::ToolbarGetVisible(int layer, unsigned char* flag)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    if (flag)
        *flag = found->PaletteVisible() ? 1 : 0;
    return QMK_NoError;
}

int __stdcall EngineObject::ToolbarSetVisible(int layer, int flag)
{
    if (settings_->InteractMode() && flag)
        return QMK_ErrInvalidInteractMode;
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    found->SetPaletteVisible(flag != 0);
    ToolPalette* palette = Palette();
    if (layer == currentLayer_ && palette && !palette->HiddenByHost()) {
        palette->Show(flag != 0);
        palette->Enable(found->PaletteEnabled());
    }
    return QMK_NoError;
}

int __stdcall EngineObject::ToolbarGetEnabled(int layer, unsigned char* flag)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    if (flag)
        *flag = found->PaletteEnabled() ? 1 : 0;
    return QMK_NoError;
}

int __stdcall EngineObject::ToolbarSetEnabled(int layer, int flag)
{
    if (settings_->InteractMode() && flag)
        return QMK_ErrInvalidInteractMode;
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    found->SetPaletteEnabled(flag != 0);
    if (layer == currentLayer_)
        if (ToolPalette* palette = Palette())
            palette->Enable(flag != 0);
    return QMK_NoError;
}

// ---- layer properties, password, updates ---------------------------------------------------

int __stdcall EngineObject::SetLayerProperty(int layer, int code, EngineValue value)
{
    AnnotationLayer* found = FindLayer(layer);
    return found ? found->SetProperty(code, value) : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::GetLayerProperty(int layer, int code, EngineValue* value)
{
    AnnotationLayer* found = FindLayer(layer);
    return found ? found->GetProperty(code, value) : QMK_ErrInvalidLayer;
}

int __stdcall EngineObject::SetLayerPassword(int layer, BSTR password)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    found->SetPassword(password);
    return QMK_NoError;
}

int __stdcall EngineObject::GetLayerPassword(int layer, BSTR* password)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    if (password)
        *password = found->Password();
    return QMK_NoError;
}

int __stdcall EngineObject::Update(int layer, const unsigned char* newFlag, unsigned char* oldFlag)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    bool before = found->Updates();
    if (newFlag)
        found->SetUpdates(*newFlag != 0);
    if (oldFlag)
        *oldFlag = before ? 1 : 0;
    return QMK_NoError;
}
