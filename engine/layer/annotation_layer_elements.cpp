// Items made from elements: the tool of the element's type makes the item,
// which takes the element's values for the attributes it has; and elements
// filled from items.
#include <cstddef>
#include <new>
#include <vector>

#include "layer/annotation_layer.h"
#include "layer/layer_host.h"
#include "objects/annotation_element.h"

namespace {

// Whether an item's attribute takes the element's number as it is.
bool TakesElementNumber(int code)
{
    if ((code >= QMK_PenColor && code <= QMK_PenWidth) ||
        (code >= QMK_EndPtStyle && code <= QMK_TextOrientation) ||
        (code >= QMK_ShowAbbr && code <= QMK_RulerLength))
        return code != QMK_DibPtr;
    switch (code) {
    case QMK_HighlightBack:
    case QMK_HighlightFill:
    case QMK_Sizeable:
    case QMK_TextLocked:
    case QMK_HatchStyle:
    case QMK_HatchColor:
    case QMK_TextJustification:
    case QMK_UserLong:
    case QMK_WangType:
        return true;
    default:
        return false;
    }
}

// Sets one attribute; a value the item refuses leaves its own.
void SetOn(Annotation& item, int code, EngineValue value)
{
    bool changed = false;
    item.SetAttribute(code, value, changed);
}

// The element's values on the item made for it, before it joins the list.
void FillFromElement(Annotation& item, const AnnotationElement& element)
{
    // Setting an attribute never adds or drops a code: the walk goes by place.
    for (size_t i = 0; i < item.Attributes().size(); ++i) {
        const int code = (item.Attributes().begin() + static_cast<std::ptrdiff_t>(i))->first;
        if (TakesElementNumber(code)) {
            SetOn(item, code, element.Number(code));
            continue;
        }
        switch (code) {
        case QMK_DibPtr:
            // An element without a picture makes an item without one, not
            // one with the tool's.
            SetOn(item, code, reinterpret_cast<EngineValue>(element.Picture()));
            break;
        case QMK_UserDraw:
            SetOn(item, code, item.Type() == RectangleTool ? element.Number(code) : 0);
            break;
        case QMK_Text:
        case QMK_ItemName:
        case QMK_UserString: {
            const std::wstring& text = element.Text(code);
            // A new item's name and user string start empty.
            if (text.empty() && code != QMK_Text &&
                (code == QMK_ItemName ? item.Name() : item.UserString()).empty())
                break;
            BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            if (!copy)
                throw std::bad_alloc();
            SetOn(item, code, reinterpret_cast<EngineValue>(copy));
            SysFreeString(copy);
            break;
        }
        case QMK_Logfont:
            SetOn(item, code, reinterpret_cast<EngineValue>(&element.Font()));
            break;
        default:
            break;  // the item keeps its own
        }
    }
    if (item.HasAttribute(QMK_BackStyle) &&
        (element.Number(QMK_HighlightFill) || element.Number(QMK_HighlightBack)))
        SetOn(item, QMK_BackStyle, BackStyle_Translucent);
    if (const int seconds = element.Number(QMK_CreateSeconds))
        item.SetCreationTime(seconds);

    // Geometry in pixels, converted when the item joins the list (or as soon
    // as there is a view). A point-list item without points runs along the
    // rectangle's diagonal.
    const RECT& bounds = element.Bounds();
    if (Annotation::IsPointListKind(item.Type())) {
        std::vector<POINT> points = element.Points();
        if (points.empty())
            points = {POINT{bounds.left, bounds.top}, POINT{bounds.right, bounds.bottom}};
        item.SetPoints(static_cast<int>(points.size()), points.data());
    }
    item.SetPixelGeometry(bounds);
}

} // namespace

int AnnotationLayer::AppendElement(const AnnotationElement& element, int* seq)
{
    if (seq)
        *seq = 0;
    const int type = element.Type();
    if (type <= PointerTool || type >= ProtractorTool)
        return QMK_ErrInvalidTool;
    {
        // The tool change is reported, and the host may change anything then.
        const LayerPresence presence = Presence();
        const int selected = SelectTool(type);
        if (!presence.StillThere())
            return QMK_ErrInvalidLayer;
        if (selected != QMK_NoError)
            return selected;
    }
    if (currentTool_ != type || !pending_ || pending_->Type() != type || pending_->IsCommitted())
        return QMK_ErrUnableToChangeTool;

    FillFromElement(*pending_, element);
    const LayerPresence presence = Presence();
    const int added = AddItem(nullptr, false, false);
    if (seq)
        *seq = added;
    if (!presence.StillThere())
        return QMK_NoError;

    // Selection and z-order as the host would set them; the selection is
    // reported, and the host may then delete the item or the layer.
    if (FindItem(added)) {
        SetItemAttribute(added, QMK_Selected, element.Number(QMK_Selected));
        if (!presence.StillThere())
            return QMK_NoError;
    }
    if (element.Number(QMK_ZOrder) != 0 && FindItem(added))
        SetItemAttribute(added, QMK_ZOrder, element.Number(QMK_ZOrder));
    SelectTool(PointerTool);
    return QMK_NoError;
}

int AnnotationLayer::GetItemAttributes(int seq, AnnotationElement& element) const
{
    Annotation* item = FindItem(seq);
    if (!item)
        return QMK_ErrItemNotFound;
    return item->CopyAttributesToElement(element);
}
