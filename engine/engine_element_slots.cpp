// Elements: free-standing annotation descriptions the host fills and appends
// to a layer as new items. The engine keeps the elements it made; a handle
// that names none of them (destroyed, never made, or another engine's) is
// refused with QMK_ErrInvalidItem and touches nothing. Handle 0 is accepted
// and does nothing.
#include <new>

#include "engine_object.h"

namespace {

// Element handles are unique within the process and never reused.
int g_lastElementHandle = 0;

int ColourOf(const ToolDefaults& tools, int attribute)
{
    const AttributeValue* value = tools.Find(ButtonTool, attribute);
    return value ? value->Integer() : 0;
}

} // namespace

AnnotationElement* EngineObject::FindElement(int handle) const
{
    auto it = elements_.find(handle);
    return it == elements_.end() ? nullptr : it->second.get();
}

// The element named by a handle for an operation: 0 goes on with null (the
// operation then does nothing), an unknown handle gives QMK_ErrInvalidItem.
#define ELEMENT_OR_RETURN(handle, found)             \
    AnnotationElement* found = nullptr;              \
    if ((handle) == 0)                               \
        return QMK_NoError;                          \
    found = FindElement(handle);                     \
    if (!found)                                      \
        return QMK_ErrInvalidItem

int __stdcall EngineObject::ElementCreate(int* element)
{
    if (!element)
        return QMK_ErrInvalidAttribute;
    *element = 0;
    try {
        const ToolDefaults& tools = settings_->Tools();
        const AttributeValue* font = tools.Find(TextTool, QMK_Logfont);
        const LOGFONTA textFont = font ? font->Font() : LOGFONTA{};
        std::unique_ptr<AnnotationElement> made(new AnnotationElement(
            textFont, ColourOf(tools, QMK_BackColor), ColourOf(tools, QMK_BevelLightColor),
            ColourOf(tools, QMK_BevelShadowColor)));
        const int handle = ++g_lastElementHandle;
        elements_[handle] = std::move(made);
        *element = handle;
        return QMK_NoError;
    } catch (...) {
        return QMK_ErrOutOfMemory;
    }
}

int __stdcall EngineObject::ElementDestroy(int element)
{
    ELEMENT_OR_RETURN(element, found);
    (void)found;
    elements_.erase(element);
    return QMK_NoError;
}

int __stdcall EngineObject::ElementSetAttribute(int element, int attribute, EngineValue value)
{
    ELEMENT_OR_RETURN(element, found);
    return found->Set(attribute, value);
}

int __stdcall EngineObject::ElementGetAttribute(int element, int attribute, EngineValue* value)
{
    ELEMENT_OR_RETURN(element, found);
    return found->Get(attribute, value);
}

int __stdcall EngineObject::ElementClearPoints(int element, int count, const POINT* points)
{
    ELEMENT_OR_RETURN(element, found);
    return found->ClearPoints(count, points);
}

int __stdcall EngineObject::ElementAddPoint(int element, int x, int y)
{
    ELEMENT_OR_RETURN(element, found);
    return found->AddPoint(x, y);
}

int __stdcall EngineObject::ElementChangePoint(int element, int index, int x, int y)
{
    ELEMENT_OR_RETURN(element, found);
    return found->ChangePoint(index, x, y);
}

int __stdcall EngineObject::ElementGetPoint(int element, int index, int* x, int* y)
{
    ELEMENT_OR_RETURN(element, found);
    return found->GetPoint(index, x, y);
}

int __stdcall EngineObject::ElementSetExtra(int element, int value1, int value2)
{
    ELEMENT_OR_RETURN(element, found);
    found->SetExtra(value1, value2);
    return QMK_NoError;
}

int __stdcall EngineObject::ElementAppend(int layer, int element, int* seq)
{
    if (seq)
        *seq = 0;
    AnnotationLayer* found = LayerWithFreshView(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    if (element == 0)
        return QMK_ErrInvalidTool;
    const AnnotationElement* source = FindElement(element);
    if (!source)
        return QMK_ErrInvalidItem;
    const int type = source->Type();
    if (type <= PointerTool || type > ProtractorTool)
        return QMK_ErrInvalidTool;
    try {
        // The host hears of the item as it is made and may destroy the
        // element then: the item is made from a copy.
        const AnnotationElement copy(*source);
        int added = 0;
        const int result = found->AppendElement(copy, &added);
        if (result != QMK_NoError) {
            if (seq)
                *seq = added;
            return result;
        }
        // A sequence number the element asks for is given before anyone
        // hears of the item, when no other item of the layer has it.
        const int wanted = copy.Number(QMK_SequenceNumber);
        if (wanted > 0 && wanted != added && IsLiveItem(layer, added) &&
            FindLayer(layer)->SetItemAttribute(added, QMK_SequenceNumber, wanted) == QMK_NoError)
            added = wanted;
        if (seq)
            *seq = added;
        if (IsLiveItem(layer, added))
            channels_.AnnotateEvent(QMK_AnnotationAdded, added);
        InvalidateHostWindow();
        return QMK_NoError;
    } catch (const std::bad_alloc&) {
        return QMK_ErrOutOfMemory;
    } catch (...) {
        return QMK_ErrOutOfMemory;
    }
}

int __stdcall EngineObject::PrgGetItemAttributes(int layer, int seq, int element)
{
    // The element takes pixels: the view is asked for first (the host may
    // change the layers while it answers). Without one, only geometry still
    // waiting in pixels can go (the layer says so).
    int ready = ItemWithView(layer, seq, false);
    if (ready == QMK_ErrInvalidContext && FindLayer(layer) && FindLayer(layer)->FindItem(seq))
        ready = QMK_NoError;
    if (ready != QMK_NoError)
        return ready;
    AnnotationLayer* found = FindLayer(layer);
    ELEMENT_OR_RETURN(element, target);
    try {
        return found->GetItemAttributes(seq, *target);
    } catch (...) {
        return QMK_ErrOutOfMemory;
    }
}
