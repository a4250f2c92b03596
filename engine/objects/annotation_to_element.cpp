// An item described as an element: what a host reads back to build another
// item like it.
#include <vector>

#include "objects/annotation.h"
#include "objects/annotation_element.h"

int Annotation::CopyAttributesToElement(AnnotationElement& element)
{
    // The element holds pixels. Geometry still waiting for a view is in
    // pixels already; converted geometry goes back through the view.
    ConvertPendingGeometry();
    const bool inPixels = geometryPending_;
    if (!inPixels && !HasView())
        return QMK_ErrInvalidContext;
    std::vector<int> codes;
    codes.reserve(attributes_.size());
    for (const auto& entry : attributes_)
        codes.push_back(entry.first);
    for (int code : codes) {
        // A code the element does not hold (the map's record-only codes, the
        // point list) is refused by the element and left out.
        switch (code) {
        case QMK_BoundingRect: {
            RECT pixels = inPixels ? bounds_ : ToPixels(bounds_);
            element.Set(code, reinterpret_cast<EngineValue>(&pixels));
            continue;
        }
        case QMK_CreateSeconds:
            element.Set(code, creationSeconds_);
            continue;
        case QMK_DibPtr: {
            HGLOBAL picture = nullptr;
            if (GetAttribute(code, &picture) == QMK_NoError)
                element.Set(code, reinterpret_cast<EngineValue>(picture));
            continue;
        }
        default:
            break;
        }
        AttributeValue value(AttributeValue::KindOfItemAttribute(code));
        if (GetAttribute(code, value.OutArgument()) == QMK_NoError)
            element.Set(code, value.AsArgument());
    }
    std::vector<POINT> points = points_;
    if (!inPixels)
        for (POINT& point : points)
            point = ToPixels(point);
    element.ClearPoints(static_cast<int>(points.size()), points.data());
    element.Set(QMK_ElementType, type_);
    return QMK_NoError;
}
