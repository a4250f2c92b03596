// The group operations: each finds its layer by handle and hands the work to
// the layer's groups. Those that take or give rectangles in pixels bring the
// view up to date first.
#include "engine_object.h"

namespace {
// A group operation on a layer: QMK_ErrInvalidLayer for an unknown one.
template <class Work>
int OnLayer(AnnotationLayer* layer, Work work)
{
    if (!layer)
        return QMK_ErrInvalidLayer;
    return work(*layer);
}
} // namespace

int EngineObject::GroupWithView(int layer, int groupId)
{
    // The group is looked for before the host is asked for its view, and
    // the layer again after (the host may change the layers as it answers).
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    if (!found->FindGroup(groupId))
        return QMK_ErrInvalidGroupId;
    ViewForGeometry(false);
    found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    return found->FindGroup(groupId) ? QMK_NoError : QMK_ErrInvalidGroupId;
}

int __stdcall EngineObject::GrpCreateGroup(int layer, BSTR name, int userLong, int* groupId)
{
    if (groupId)
        *groupId = 0;
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.CreateGroup(name, userLong, groupId); });
}

int __stdcall EngineObject::GrpDestroyGroup(int layer, int groupId)
{
    return OnLayer(FindLayer(layer), [&](AnnotationLayer& l) { return l.DestroyGroup(groupId); });
}

int __stdcall EngineObject::GrpAddItem(int layer, int groupId, int seq)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.GroupAddItem(groupId, seq); });
}

int __stdcall EngineObject::GrpAddSelected(int layer, int groupId)
{
    return OnLayer(LayerWithFreshView(layer),
                   [&](AnnotationLayer& l) { return l.GroupAddSelected(groupId); });
}

int __stdcall EngineObject::GrpRemoveItem(int layer, int groupId, int seq)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.GroupRemoveItem(groupId, seq); });
}

int __stdcall EngineObject::GrpRemoveAll(int layer, int groupId)
{
    return OnLayer(FindLayer(layer), [&](AnnotationLayer& l) { return l.GroupRemoveAll(groupId); });
}

int __stdcall EngineObject::GrpGetItemCount(int layer, int groupId, int* count)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.GroupItemCount(groupId, count); });
}

int __stdcall EngineObject::GrpGetFirstItem(int layer, int groupId, int* seq)
{
    if (seq)
        *seq = 0;
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.GroupFirstItem(groupId, seq); });
}

int __stdcall EngineObject::GrpGetNextItem(int layer, int groupId, int* seq)
{
    if (seq)
        *seq = 0;
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.GroupNextItem(groupId, seq); });
}

int __stdcall EngineObject::GrpGetName(int layer, int groupId, BSTR* name)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.GetGroupName(groupId, name); });
}

int __stdcall EngineObject::GrpGetUserLong(int layer, int groupId, int* value)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.GetGroupUserLong(groupId, value); });
}

int __stdcall EngineObject::GrpSetName(int layer, int groupId, BSTR name)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.SetGroupName(groupId, name); });
}

int __stdcall EngineObject::GrpSetUserLong(int layer, int groupId, int value)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.SetGroupUserLong(groupId, value); });
}

int __stdcall EngineObject::GrpAddType(int layer, int groupId, int tool)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.GroupAddType(groupId, tool); });
}

int __stdcall EngineObject::GrpRemoveType(int layer, int groupId, int tool)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.GroupRemoveType(groupId, tool); });
}

int __stdcall EngineObject::GrpGetFirstGroupID(int layer, int* groupId)
{
    if (groupId)
        *groupId = 0;
    return OnLayer(FindLayer(layer), [&](AnnotationLayer& l) {
        const int id = l.FirstGroupId();
        if (groupId)
            *groupId = id;
        return QMK_NoError;
    });
}

int __stdcall EngineObject::GrpGetNextGroupID(int layer, int* groupId)
{
    if (groupId)
        *groupId = 0;
    return OnLayer(FindLayer(layer), [&](AnnotationLayer& l) {
        const int id = l.NextGroupId();
        if (groupId)
            *groupId = id;
        return QMK_NoError;
    });
}

int __stdcall EngineObject::GrpSetUserString(int layer, int groupId, BSTR text)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.SetGroupUserString(groupId, text); });
}

int __stdcall EngineObject::GrpGetUserString(int layer, int groupId, BSTR* text)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.GetGroupUserString(groupId, text); });
}

int __stdcall EngineObject::GrpSetYoked(int layer, int groupId, int flag)
{
    // A byte flag: the low byte counts.
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.SetGroupYoked(groupId, (flag & 0xFF) != 0); });
}

int __stdcall EngineObject::GrpGetYoked(int layer, int groupId, unsigned char* flag)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.GetGroupYoked(groupId, flag); });
}

int __stdcall EngineObject::GrpGetSelected(int layer, int groupId, unsigned char* flag)
{
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.GetGroupSelected(groupId, flag); });
}

int __stdcall EngineObject::GrpSetSelected(int layer, int groupId, int flag)
{
    return OnLayer(FindLayer(layer), [&](AnnotationLayer& l) {
        return l.SetGroupSelected(groupId, (flag & 0xFF) != 0);
    });
}

int __stdcall EngineObject::PrgGetItemGroupID(int layer, int seq, int* groupId)
{
    if (groupId)
        *groupId = 0;
    return OnLayer(FindLayer(layer),
                   [&](AnnotationLayer& l) { return l.ItemGroupId(seq, groupId); });
}

int __stdcall EngineObject::GrpGroupIDFromName(int layer, BSTR name, int* groupId)
{
    if (groupId)
        *groupId = 0;
    return OnLayer(FindLayer(layer), [&](AnnotationLayer& l) {
        const int id = l.GroupIdFromName(name);
        if (groupId)
            *groupId = id;
        return QMK_NoError;
    });
}

int __stdcall EngineObject::GrpSetAttribute(int layer, int groupId, int attribute,
                                            EngineValue value)
{
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    std::vector<int> members;
    const int result = found->GroupMembers(groupId, &members);
    if (result != QMK_NoError)
        return result;
    // As set on each member by the host, each change told on its own; what a
    // member refuses is not reported.
    for (int seq : members)
        PrgSetItemAttribute(layer, seq, attribute, value);
    return QMK_NoError;
}

int __stdcall EngineObject::PrgGetGroupCount(int layer, int* count)
{
    return OnLayer(FindLayer(layer), [&](AnnotationLayer& l) {
        if (count)
            *count = l.GroupCount();
        return QMK_NoError;
    });
}

int __stdcall EngineObject::GrpSetRect(int layer, int groupId, int left, int top, int width,
                                       int height)
{
    const int ready = GroupWithView(layer, groupId);
    if (ready != QMK_NoError)
        return ready;
    return FindLayer(layer)->SetGroupRect(groupId, RECT{left, top, left + width, top + height});
}

int __stdcall EngineObject::GrpMirror(int layer, int groupId)
{
    const int ready = GroupWithView(layer, groupId);
    if (ready != QMK_NoError)
        return ready;
    return FindLayer(layer)->MirrorGroup(groupId, false);
}

int __stdcall EngineObject::GrpInvert(int layer, int groupId)
{
    const int ready = GroupWithView(layer, groupId);
    if (ready != QMK_NoError)
        return ready;
    return FindLayer(layer)->MirrorGroup(groupId, true);
}

int __stdcall EngineObject::GrpGetRect(int layer, int groupId, RECT* rect)
{
    const int ready = GroupWithView(layer, groupId);
    if (ready != QMK_NoError)
        return ready;
    return FindLayer(layer)->GetGroupRect(groupId, rect);
}
