#pragma once
// One named set of annotations over the image: its items in z-order (the
// first is the bottom-most, painted first), the selection, the current tool
// with the object pending for it, the 13 per-tool attribute maps copied from
// the engine, per-tool palette flags, the layer properties, name, description
// and password. It keeps the items' sequence numbers unique, reports changes
// through the engine (LayerHost) and paints its items.
//
// Points and rectangles that cross the interface are in image pixels; the
// items hold layer units (see ViewMapping).
//
// Every report to the host may re-enter the engine and delete this layer, its
// items or the selection. After each one the layer asks whether it is still
// there (LayerPresence) and finds its items again by sequence number; a path
// whose layer or item went stops there.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "objects/annotation.h"
#include "annotation_engine.h"
#include "layer/annotation_group.h"
#include "layer/layer_presence.h"
#include "layer/sequence_counts.h"
#include "settings/tool_defaults.h"

class AnnotationElement;
class ByteReader;
class ByteWriter;
class LayerHost;
class ViewMapping;

class AnnotationLayer : private AnnotationOwner {
public:
    // Attribute code -> value of one tool; the values are the layer's own copies.
    using AttributeMap = ToolDefaults::Map;
    // The creation time of every new object while the layer's name is the
    // access name (seconds since 1970).
    static constexpr int kFixedCreationSeconds = 22968;
    // The creation time a new object of this layer gets now: the fixed time
    // or the current time in seconds since 1970 (UTC).
    int NewObjectSeconds() const;

    explicit AnnotationLayer(LayerHost& host);
    // Destruction reports nothing (the engine goes, or a layer that was
    // never shown is dropped).
    ~AnnotationLayer();
    AnnotationLayer(const AnnotationLayer&) = delete;
    AnnotationLayer& operator=(const AnnotationLayer&) = delete;

    // The handle that names this layer across the interface: unique within the
    // process, never 0, never reused.
    int Handle() const { return handle_; }

    // What the engine hands over when it creates the layer.
    void Attach(ViewMapping* mapping, int screenUnit, HWND helperWindow, HWND hostWindow);
    void SetHostWindow(HWND hostWindow) { hostWindow_ = hostWindow; }

    // ---- tools -------------------------------------------------------------------
    // The tool's attributes become copies of these (texts, fonts and images
    // included). A tool outside 4096..4108 is ignored.
    void SetToolAttributes(int tool, const AttributeMap& attributes);
    // The tool's attributes, or null for a tool outside 4096..4108.
    const AttributeMap* ToolAttributes(int tool) const;
    // One attribute of a tool: QMK_ErrInvalidTool for a tool outside
    // 4096..4108, QMK_ErrInvalidAttribute for an attribute the tool does not
    // have. A set copies what the value refers to (see AttributeValue::Assign)
    // and reaches the pending object of that tool; a get writes the value to
    // the out argument in its own form.
    int SetToolAttribute(int tool, int attribute, EngineValue value);
    int GetToolAttribute(int tool, int attribute, EngineValue* value) const;

    // Sets the current tool and makes its pending object: 0 (no tool), 4096
    // (pointer) or a drawing tool. QMK_ErrInvalidTool outside 0 and
    // 4096..4108; QMK_ErrOutOfMemory when the pending object cannot be
    // made (nothing changes). 4108 has no items: the tool
    // and the pending object stay as they are. QMK_ErrInvalidLayer when the
    // host deleted the layer while the old pending object was let go.
    int SelectTool(int tool);
    int CurrentTool() const { return currentTool_; }
    // The object drawn with the current tool, not yet in the list; or null.
    Annotation* PendingObject() const { return pending_.get(); }

    // Palette flags of a tool (enabled, deleted, visible): QMK_ErrInvalidTool
    // outside 4096..4108. A deleted tool stays deleted.
    int GetToolEnabled(int tool, unsigned char* flag) const;
    int SetToolEnabled(int tool, bool enabled);
    int DeleteTool(int tool);
    int GetToolVisible(int tool, unsigned char* flag) const;
    int SetToolVisible(int tool, bool visible);

    // The engine makes this layer current or not. Made current, the layer
    // makes its tool's pending object again and reports the tool.
    void Activate(bool current);
    // The engine deletes the layer, which it has already taken out of its
    // list: the pending object, the groups and the items go, and each item
    // that was in the list is reported deleted.
    void TearDown();
    bool IsCurrent() const { return current_; }

    // ---- layer properties ----------------------------------------------------
    // 512 name and 772 description (BSTR), and the codes of the layer's
    // property map; QMK_ErrInvalidAttribute for any other code.
    int SetProperty(int code, EngineValue value);
    int GetProperty(int code, EngineValue* value) const;
    void SetActive(bool active);
    bool Active() const { return active_; }
    bool Visible() const { return visible_; }
    const std::wstring& Name() const { return name_; }
    void SetPassword(BSTR password);
    BSTR Password() const;  // a new copy
    // Sets the updates flag (painting and invalidation happen only while set)
    // and invalidates the whole view. Returns the flag as it was.
    bool SetUpdates(bool updates);
    bool Updates() const { return updates_; }

    bool PaletteVisible() const { return paletteVisible_; }
    bool PaletteEnabled() const { return paletteEnabled_; }
    void SetPaletteVisible(bool visible) { paletteVisible_ = visible; }
    void SetPaletteEnabled(bool enabled) { paletteEnabled_ = enabled; }

    // ---- items ---------------------------------------------------------------------
    // Adds an item at the top (with null: the pending object). Its sequence
    // number is kept when free and not 0, else it gets the next free number
    // after the last used. notify reports QMK_AnnotationAdded; recreate makes
    // a new pending object when the current tool is the item's type. Returns
    // the sequence number, 0 when there was nothing to add.
    int AddItem(std::unique_ptr<Annotation> item, bool recreate, bool notify);
    Annotation* FindItem(int seq) const;
    int ItemCount() const { return static_cast<int>(items_.size()); }
    int LastSequenceNumber() const { return lastSequence_; }
    // The last number given out as a saved layer records it; never below the
    // highest number an item of the list has, so that no number repeats.
    void SetLastSequenceNumber(int seq);
    // Whether seq names an item that is complete and in this layer's list.
    bool HasLiveItem(int seq) const { return FindItem(seq) != nullptr; }
    // The walks: 0 when the list is empty or the walk has passed its end.
    int FirstItem();
    int NextItem();
    int FirstSelected();
    int NextSelected();
    // The seq of the item at a 1-based position from the bottom.
    int SequenceFromEntry(int entry, int* seq) const;
    // The item at a 1-based position from the bottom, or null.
    Annotation* ItemAtEntry(int entry) const
    {
        return entry > 0 && entry <= ItemCount() ? items_[entry - 1].get() : nullptr;
    }
    bool IsSelection() const { return !selection_.empty(); }

    // Attributes of an item: 40 its 1-based position, 36751 its sequence
    // number, 29 the selection; every other code the item's own.
    int GetItemAttribute(int seq, int attribute, void* out) const;
    int SetItemAttribute(int seq, int attribute, EngineValue value);
    int GetItemPoint(int seq, int index, POINT* point) const;
    int SetItemPoint(int seq, int index, const POINT* point);

    // Adds an item made from an element with the tool of its type (reported
    // as the tool changes to it and back to the pointer; a selected element's
    // item is selected and reported so). The element's rectangle and points
    // are pixels, converted when there is a view. seq receives the item's
    // number. 0; QMK_ErrInvalidTool for a type without a class of items;
    // QMK_ErrUnableToChangeTool when the host changed the tool meanwhile;
    // QMK_ErrInvalidLayer when the host deleted the layer before the item
    // was added (annotation_layer_elements.cpp).
    int AppendElement(const AnnotationElement& element, int* seq);
    // Fills an element from an item (Annotation::CopyAttributesToElement):
    // QMK_ErrItemNotFound when no item has seq.
    int GetItemAttributes(int seq, AnnotationElement& element) const;

    // Moves an item so that its bounding rectangle's top-left corner lands on
    // (x, y) image pixels (kept inside the image by the item).
    int MoveItem(int seq, int x, int y);

    int DeleteItem(int seq);
    void DeleteSelected();
    // Deletes the pending object and every item, then selects the pointer tool.
    void DeleteAll();

    void SelectAll(bool select);
    // False when the host deleted the layer when told of the deselection.
    bool DeselectAll();

    // Z-order.
    int BringItemToFront(int seq);
    int SendItemToBack(int seq);
    int NudgeUp(int seq);
    int NudgeDown(int seq);
    int BringSelectedToFront();
    int SendSelectedToBack();
    void Reverse();

    // The host's image was mirrored, flipped, turned (90, 180, 270 or their
    // negatives), resized or cropped (the crop in image pixels): the items
    // follow it. A crop leaves each item's geometry in pixels of the new
    // image, converted with the next mapping.
    void ImageMirrored();
    void ImageFlipped();
    void ImageRotated(int angle);
    void ImageResized(int a, int b);
    void ImageCropped(const RECT& crop);

    // The host window lost the focus: the current object ends its tracking
    // (an unfinished drawing is dropped, the object stays pending).
    void FocusLost();

    // ---- editing (annotation_layer_editing.cpp) ---------------------------------
    // A mouse message in edit mode (x, y in layer units): 0 when the layer
    // consumed it, 1 when it set the cursor, -1 to let the host go on. With
    // the pointer tool items are selected, dragged and resized by their
    // handles; with a drawing tool the pending object draws itself out and
    // joins the list when it is done. Drags and drawings take messages only
    // while the screen cursor is over the image in the window.
    int HandleMouse(HWND window, UINT message, WPARAM keys, int x, int y);
    // A mouse message in interactive mode: the host hears of presses, releases,
    // clicks, double clicks and moves over items. 1 when an item was under the
    // pointer, else 0.
    int HandleInteractiveMouse(HWND window, UINT message, WPARAM keys, int x, int y);
    // A key message: the current object's answer, -1 without one.
    int HandleKey(HWND window, UINT message, WPARAM key, LPARAM data);
    // Entering interactive mode: no item stays pressed.
    void ResetPressedButtons();
    // The object pending for the drawing tool, else the item being edited, or null.
    Annotation* CurrentObject() const { return pending_ ? pending_.get() : editing_; }

    // Paints the items oldest first, then the pending object; nothing while
    // the layer is hidden or updates are off.
    void Paint(HDC dc, const PaintArguments& args);

    // ---- the saved layer (annotation_layer_body.cpp) -------------------------
    // Writes the layer as a LayerRecord: the head with the name, the body
    // (scrambled with the password when there is one) and the end word. With
    // selectionOnly only the selected items go, in selection order; the groups
    // all go. 0 or QMK_ErrStorageStream.
    int SaveRecord(ByteWriter& out, bool selectionOnly);
    // Reads one LayerRecord. A scrambled body asks the host for the password
    // first (with the layer's password as the answer it may replace). The
    // layer changes only when the whole record reads well: then the items
    // join the list without being announced (added receives their sequence
    // numbers, bottom first; may be null), those saved selected join the
    // selection, and the layer keeps the password it was given. pasting: the
    // record's name, description and properties are passed over and its
    // groups get new ids. 0, QMK_ErrStorageStream, QMK_ErrInvalidPassword
    // (the reader then stands after the record), QMK_ErrOutOfMemory, or
    // QMK_ErrInvalidLayer when the host deleted this layer while asked for
    // the password (then nothing of the layer may be touched).
    int LoadRecord(ByteReader& in, bool pasting, std::vector<int>* added);
    const std::vector<AnnotationGroup>& Groups() const { return groups_; }
    int LastGroupId() const { return lastGroupId_; }
    // Appends a group; the last group id is raised to its id when lower.
    void AppendGroup(const AnnotationGroup& group);

    // ---- groups (annotation_layer_groups.cpp) -----------------------------------
    // Named sets of the layer's items. An item is a member of one group at
    // most; a yoked group is selected, moved, resized, mirrored and flipped as
    // one unit, and its members then stay out of the layer's selection. Every
    // operation that names a group the layer lacks gives
    // QMK_ErrInvalidGroupId and changes nothing. Rectangles cross in image
    // pixels and need a view (QMK_ErrInvalidContext without one).
    //
    // The id for a new group, after the layer's last one (which it becomes),
    // never 0 and never one a group of the layer has; 0 when none is left.
    // Groups that arrive from outside (pasted) take their ids from here.
    int NewGroupId();
    AnnotationGroup* FindGroup(int id);
    int CreateGroup(BSTR name, int userLong, int* id);
    int DestroyGroup(int id);
    int GroupAddItem(int id, int seq);
    int GroupAddSelected(int id);
    int GroupRemoveItem(int id, int seq);
    int GroupRemoveAll(int id);
    int GroupAddType(int id, int tool);
    int GroupRemoveType(int id, int tool);
    int GroupItemCount(int id, int* count);
    // The member walk in member order: 0 when empty or past the end.
    int GroupFirstItem(int id, int* seq);
    int GroupNextItem(int id, int* seq);
    int GroupMembers(int id, std::vector<int>* members);
    int GetGroupName(int id, BSTR* name);
    int SetGroupName(int id, BSTR name);
    int GetGroupUserString(int id, BSTR* text);
    int SetGroupUserString(int id, BSTR text);
    int GetGroupUserLong(int id, int* value);
    int SetGroupUserLong(int id, int value);
    int GetGroupYoked(int id, unsigned char* flag);
    int SetGroupYoked(int id, bool yoked);
    // Only a yoked group is ever selected.
    int GetGroupSelected(int id, unsigned char* flag);
    int SetGroupSelected(int id, bool selected);
    // The walk over the groups in creation order: 0 when none or past the end.
    int FirstGroupId();
    int NextGroupId();
    // The first group of that name (case counts), 0 for none.
    int GroupIdFromName(BSTR name) const;
    // The group the item is a member of; an id the item carries for a group
    // that is gone (or that does not list it) is cleared and 0 given.
    int ItemGroupId(int seq, int* id);
    int GroupCount() const { return static_cast<int>(groups_.size()); }
    int GetGroupRect(int id, RECT* pixels);
    int SetGroupRect(int id, const RECT& pixels);
    // Mirrors (or with flip: flips) every member within the group's rectangle.
    int MirrorGroup(int id, bool flip);

private:
    // AnnotationOwner
    void ItemCompleted(Annotation& item, bool recreate, bool notify) override;
    void InvalidateLayerRect(const RECT& layerRect) override;
    bool UserDraw(HDC dc, int x, int y, int width, int height, int seq, int userLong) override;
    void SelectBrush(HDC dc, COLORREF fill, bool hollow, int hatchStyle,
                     COLORREF hatchColor) override;
    void SelectPen(HDC dc, int width, COLORREF color, int style) override;
    void DeviceToolsChanged(HDC dc) override;
    UnitNames* TextSettings() override;
    bool SetItemCursor(int tool, int kind) override;
    bool Stamping(Annotation& item) override;
    bool HostDraw(Annotation& item, const int (&values)[12]) override;
    bool MapPicture(Annotation& item, HGLOBAL picture, int code, HGLOBAL* result) override;
    // Whether the item of that number (0: the pending object) is still the
    // object of that identity.
    bool StillHolds(int seq, uint64_t identity) const;
    bool ItemEvent(Annotation& item, int code) override;
    bool ItemAttributeChanged(Annotation& item, int attribute) override;
    void SetItemMouseHook(MouseHookFn hook, void* context) override;

    // The functions below that call out to the host return false when the
    // layer is gone afterwards: the caller then returns at once.
    LayerPresence Presence() const { return LayerPresence(host_, handle_); }

    AttributeValue* FindToolAttribute(int tool, int attribute);
    const AttributeValue* FindToolAttribute(int tool, int attribute) const;
    std::unique_ptr<Annotation> MakeToolObject(int tool) const;
    bool LetPendingGo();
    int IndexOf(int seq) const;
    bool IsSequenceTaken(int seq, const Annotation* except) const;
    int NextFreeSequence();
    // Every number an item of the list has is at most this one, so a number
    // above it is free without a walk of the list.
    void NoteSequenceGiven(int seq) { highestSequence_ = std::max(highestSequence_, seq); }
    void NumberTaken(int seq) { numbersInUse_.Add(seq); }
    void NumberLeft(int seq) { numbersInUse_.Remove(seq); }
    bool IsItemSelected(const Annotation* item) const;
    bool Select(Annotation& item);
    void Deselect(Annotation& item);
    void SetSelectedFlag(Annotation& item, bool selected);
    int MoveToPosition(int seq, int position);
    bool DestroyItem(std::unique_ptr<Annotation> item);
    // Gives each item of the list one turn (the transforms of the image);
    // false when the layer went meanwhile.
    bool TurnEachItem(const std::function<void(Annotation&)>& turn);
    RECT ItemArea(Annotation& item) const;
    int HandleSize() const;
    bool CursorOverImage(HWND window) const;
    // Editing.
    int PointerMouse(HWND window, UINT message, WPARAM keys, int x, int y);
    int DrawingToolMouse(HWND window, UINT message, WPARAM keys, int x, int y);
    int PointerSetCursor(int x, int y);
    int PointerMove(HWND window, WPARAM keys, int x, int y);
    int PointerLeftDown(HWND window, WPARAM keys, int x, int y);
    int PointerLeftUp(HWND window, WPARAM keys, int x, int y);
    int PointerRightDown(HWND window, int x, int y);
    int PointerRightUp(int x, int y);
    // The item under a point, top-most first (locked items only when
    // included); handle receives the selected item's handle there, or -1.
    Annotation* ItemAtPoint(int x, int y, bool includeLocked, int* handle);
    // The cursor for an item and a handle under the pointer: 1 over its body,
    // a system cursor over a handle of a sizeable item, 2 over a handle of a
    // moveable one, 0 for none.
    static int CursorCode(const Annotation& item, int handle);
    // Selects an item for the pointer tool (its area joins the dirty rectangle).
    bool SelectForEdit(Annotation& item);
    // Hands an event code an item returned to the host with its sequence number,
    // while the item is still in the list.
    bool ReportItemEvent(int code, const Annotation* item);
    // An item handles a mouse message (result receives its answer) and the
    // event code it gives is reported.
    bool ItemMouse(Annotation& item, HWND window, UINT message, WPARAM keys, int x, int y,
                   int* result);
    bool MouseEventRelay(int code, int seq, int button, int shift, int x, int y);
    // A button item shows itself pressed or raised; false when the layer went
    // while its area was invalidated.
    bool ShowButtonPressed(Annotation& item, bool pressed);
    std::vector<int> SelectedSequenceNumbers() const;
    void AddDirty(const RECT& layerRect);
    bool InvalidateDirty(bool updateNow);
    // Drops every reference the editing state holds to an item that leaves the list.
    void ForgetItem(const Annotation* item);
    bool Notify(int code, int data);
    // The conversion to the window may ask the host for its view, and with
    // updateNow the host window paints at once: both are call outs.
    bool Invalidate(const RECT& layerRect, bool updateNow = false);
    void InvalidateAll();

    using ItemList = std::vector<std::unique_ptr<Annotation>>;

    LayerHost& host_;
    int handle_;
    ViewMapping* mapping_ = nullptr;
    int screenUnit_ = 0;
    HWND helperWindow_ = nullptr;
    HWND hostWindow_ = nullptr;
    AttributeMap toolAttributes_[kToolCount];
    // Frozen copies of the tool maps that new items share; dropped whenever
    // a tool map may change, made again when next needed.
    mutable std::shared_ptr<const AttributeMap> sharedToolAttributes_[kToolCount];
    unsigned char toolEnabled_[kToolCount];
    unsigned char toolDeleted_[kToolCount];
    unsigned char toolVisible_[kToolCount];
    ItemList items_;
    std::vector<Annotation*> selection_;  // in the order of selection
    std::unique_ptr<Annotation> pending_;
    Annotation* editing_ = nullptr;     // the item the pointer tool picked
    Annotation* rightPress_ = nullptr;  // the item under the last right press
    Annotation* captured_ = nullptr;    // the item pressed in interactive mode
    POINT lastDrag_ = {-1, -1};         // x -1: no drag under way
    RECT dirty_ = {};                   // layer units, to invalidate after an edit
    int currentTool_ = 0;
    int lastSequence_ = 0;
    int highestSequence_ = 0;
    // The numbers the items of the list have: every change of the list or
    // of an item's number there goes through NumberTaken and NumberLeft.
    SequenceCounts numbersInUse_;
    size_t itemWalk_ = 0;
    size_t selectionWalk_ = 0;
    std::map<int, int> properties_;
    std::wstring name_;
    std::wstring description_;
    std::wstring password_;
    bool current_ = false;
    bool active_ = false;
    bool visible_ = true;
    bool updates_ = true;
    bool fixedTime_ = false;
    bool destroying_ = false;
    bool changingTool_ = false;  // a tool change lets the pending object go
    bool paletteVisible_ = false;
    bool paletteEnabled_ = true;

    // The saved layer (annotation_layer_body.cpp).
    struct LoadedBody;
    bool WriteBody(ByteWriter& out, bool selectionOnly);
    int ReadBody(ByteReader& in, LoadedBody& body);
    void ApplyBody(LoadedBody& body, bool pasting, std::vector<int>* added);
    std::vector<AnnotationGroup> groups_;  // in creation order
    int lastGroupId_ = 0;

    // Groups (annotation_layer_groups.cpp).
    bool AnyGroupSelected() const;
    void ComputeGroupRect(AnnotationGroup& group);
    // The group's rectangle enlarged by times the handle size.
    RECT GroupArea(const AnnotationGroup& group, int times) const;
    static bool RemoveMember(AnnotationGroup& group, int seq);
    // An item leaving the list leaves its group.
    void LeaveGroup(const Annotation& item);
    // An item took another sequence number: its group lists the new one.
    void MemberRenumbered(const Annotation& item, int oldSeq);
    // Loaded groups from index first on: each member item carries its
    // group's id, a member named by two groups stays with the first, and a
    // group not yoked is not selected.
    void ReconcileGroups(size_t first);
    // A yoked group the item is a member of, or null.
    AnnotationGroup* YokedGroupOf(const Annotation& item);
    // Selects a yoked group as a unit: its members leave the selection and
    // its area joins the dirty rectangle.
    void SelectGroupAsUnit(AnnotationGroup& group);
    // Every selected group loses its selection; their areas join dirty.
    void DeselectGroups(RECT& dirty);
    // A handle of a selected group under a point, or null.
    AnnotationGroup* GroupHandleAtPoint(int x, int y, int* handle);
    // The drag of the pointer tool, by (dx, dy) layer units: the group under
    // resize is resized, or every selected group moves. False when the layer
    // went while the host was told.
    bool DragGroups(int dx, int dy);
    bool MoveGroupBy(int id, int dx, int dy);
    // A left press on a handle of a selected group starts its resize.
    bool StartGroupResize(HWND window, int x, int y);
    void EndGroupResize();
    // Control+G and Control+U. False when the layer went.
    bool GroupingKey(WPARAM key);
    void PaintGroupHandles(HDC dc);
    // Sets the cursor of a selected group's handle under a point: 1, else 0.
    int GroupHandleCursor(int x, int y);
    // The groups' rectangles as the members lie now.
    void RefreshGroupRects();
    int resizingGroup_ = 0;  // id of the group under resize, 0 for none
    size_t groupWalk_ = 0;
};
