#pragma once
// The base of every annotation item a layer owns: text, rectangle, ellipse,
// polygon, polyline, line, freehand, stamp, image, button and ruler.
//
// It holds what every kind shares (type, sequence number, group, bounds and
// points in layer units, the attribute map, name, user string, creation time,
// the editing flags) and the virtual operations through which a layer draws,
// hit-tests, edits, transforms, saves and loads an item without knowing its
// kind. Geometry is in layer units (see ViewMapping); "pixels" below means
// image pixels as the view mapping converts them.
//
// The attribute map holds exactly the codes of the tool map the item was made
// from: a code that is not in it is not an attribute of this item. It shares
// the tool's values until the item changes them (ItemAttributeMap).
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "annotation_engine.h"
#include "layer/layer_host.h"
#include "objects/drawing_primitives.h"
#include "settings/attribute_map.h"

class Annotation;
class AnnotationElement;
class ByteReader;
class ByteWriter;
class UnitNames;
class ViewMapping;

// What an item may ask of the layer that owns it. The layer implements it and
// links every item it creates or loads.
class AnnotationOwner {
public:
    // The item's creation by mouse has ended well: the layer adds it to its
    // list (recreate: make a new pending object for the tool; notify: report
    // the new item).
    virtual void ItemCompleted(Annotation& item, bool recreate, bool notify) = 0;
    // Invalidates a rectangle in layer units in the host's window.
    virtual void InvalidateLayerRect(const RECT& layerRect) = 0;
    // The host draws an item itself: its device rectangle, sequence number
    // and user long. The host may delete the item (or its layer) meanwhile:
    // false when the item is gone, and then the item must not touch itself.
    virtual bool UserDraw(HDC dc, int x, int y, int width, int height, int seq, int userLong) = 0;
    // The brush and pen an item draws with, made from its attribute values
    // and selected into the device of the paint (dc): the engine makes and
    // keeps them, the same way for every class. Brush: hollow, else solid in
    // the fill colour for hatch style 5999, else hatched in the hatch colour.
    // Pen: width in image pixels (0 or colour -1 a null pen, -1 one pixel)
    // scaled to the view; styles from 5000 count from 5000.
    virtual void SelectBrush(HDC dc, COLORREF fill, bool hollow, int hatchStyle,
                             COLORREF hatchColor) = 0;
    virtual void SelectPen(HDC dc, int width, COLORREF color, int style) = 0;
    // The device's pen or brush changed other than through the two above
    // (the item selected its own, or restored an earlier state after they
    // selected theirs): the next selection looks at the device.
    virtual void DeviceToolsChanged(HDC dc) { (void)dc; }
    // Sets the cursor of a kind (0 creating, 1 selecting, 2 moving, or a
    // system cursor id) for an item of a tool; true when one was set.
    virtual bool SetItemCursor(int tool, int kind)
    {
        (void)tool;
        (void)kind;
        return false;
    }
    // The engine's text settings and its font cache (null without an engine).
    virtual UnitNames* TextSettings() { return nullptr; }
    // The host is asked on its stamping channel to supply the text of the
    // pending stamp. False when the item is no longer there afterwards (the
    // host may change the tool or delete the layer meanwhile): then the item
    // must not touch itself.
    virtual bool Stamping(Annotation& item) {
        (void)item;
        return true;
    }
    // The host draws a picture through its draw service with twelve values
    // (see HostDrawCallFn). False when the item is gone afterwards.
    virtual bool HostDraw(Annotation& item, const int (&values)[12]) {
        (void)item;
        (void)values;
        return true;
    }
    // The host turns a picture through its mapping service (code 1, 2, 3: a
    // quarter, half or three-quarter turn; 4 flip; 5 mirror). result
    // receives the new packed DIB the host made, which the caller owns, or
    // null when none came (no service, or the host gave the picture itself
    // back). False when the item is gone afterwards.
    virtual bool MapPicture(Annotation& item, HGLOBAL picture, int code, HGLOBAL* result) {
        (void)item;
        (void)picture;
        (void)code;
        *result = nullptr;
        return true;
    }
    // An annotationEVENT about the item (channel 1) and a change of one of
    // its attributes by the user (channel 8). The host may delete the item
    // when told: false when the item is gone afterwards.
    virtual bool ItemEvent(Annotation& item, int code) { (void)item; (void)code; return true; }
    virtual bool ItemAttributeChanged(Annotation& item, int attribute) {
        (void)item;
        (void)attribute;
        return true;
    }
    // Installs an item's mouse hook, which sees every mouse message first;
    // a null function removes it.
    virtual void SetItemMouseHook(MouseHookFn hook, void* context) { (void)hook; (void)context; }

protected:
    ~AnnotationOwner() = default;
};

// The drawing arguments a layer hands to every item it paints.
struct PaintArguments {
    RECT view = {};
    RECT image = {};
    int value1 = 0;  // passed on from the host's paint, not read by items
    int value2 = 0;
    int value3 = 0;
    int flags = 0;
};

class Annotation {
public:
    using AttributeMap = ::AttributeMap;
    static constexpr int kLayerUnitsFull = 16777216;  // 2^24
    // Markers of the saved record.
    static constexpr uint32_t kRecordStart = 36756;
    static constexpr uint32_t kRecordEnd = 36757;
    static constexpr uint32_t kRecordFlags = 36765;
    // FILETIME of 1 January 1970 UTC.
    static constexpr uint64_t kUnixEpochFileTime = 116444736000000000ull;

    // Bits of the saved flags word and the attributes they carry.
    struct FlagBit {
        int attribute;
        uint32_t bit;
    };
    static const FlagBit kFlagBits[8];

    Annotation();
    virtual ~Annotation();
    // Items come from blocks the process keeps for them (annotation.cpp).
    static void* operator new(size_t size);
    static void* operator new(size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* item) noexcept;
    static void operator delete(void* item, const std::nothrow_t&) noexcept;
    Annotation(const Annotation&) = delete;
    Annotation& operator=(const Annotation&) = delete;

    // ---- virtual operations, in the order every class shares ---------------
    // message: WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK; x,
    // y in layer units. eventCode receives an annotationEVENT to report with
    // the item's sequence number, or 0.
    virtual int HandleMouse(HWND window, UINT message, WPARAM keys, int x, int y,
                            int* eventCode) = 0;
    // -1: not handled.
    virtual int HandleKey(HWND window, UINT message, WPARAM key, LPARAM data);
    // 1 drawn, 0 drawn by the host, -1 nothing drawn.
    virtual int Draw(HDC dc, const PaintArguments& args) = 0;
    virtual void ResetAnchor(int value);
    // Ends any capture or edit of the item; out (may be null) receives an
    // event code for the layer to report, or 0.
    virtual void CancelTracking(int* out);
    virtual void ViewChanged(int a, int b);
    // Maps the start-of-drag geometry from one frame to another (pixels).
    // ratioX and ratioY are not read. commit stores the result.
    virtual void ScaleInto(double ratioX, double ratioY, const RECT& from, const RECT& to,
                           int handle, bool commit);
    virtual void GrowBy(int dx, int dy);
    // Writes one attribute record: the code and its value. False when the
    // stream failed.
    virtual bool WriteAttributeRecord(ByteWriter& stream, int code);
    virtual void RecomputeBounds() = 0;
    virtual void GetPaintRect(RECT& out);
    virtual void MoveBy(int dx, int dy, RECT& invalid) = 0;
    virtual void MirrorInImage();
    virtual void FlipInImage();
    virtual void RotateInImage(int angle);
    virtual void MirrorInRect(const RECT& frame);
    virtual void FlipInRect(const RECT& frame);
    virtual HANDLE GetCachedHandle();
    virtual void Attach();
    virtual bool HitTest(int x, int y) = 0;
    virtual int HitHandle(HWND window, UINT message, int x, int y) = 0;
    // The value of an attribute as a plain value: 640 a new BSTR copy of the
    // name (the caller frees it), 1800 the group id, any other code the map's.
    virtual EngineValue GetAttributeValue(int code, bool& found);
    // changed: whether a value was stored. 0 or an EngineError.
    virtual int SetAttribute(int code, EngineValue value, bool& changed);
    // out: where the value goes in the form of its kind (see AttributeValue::CopyTo).
    virtual int GetAttribute(int code, void* out);
    virtual void SetPoints(int count, const POINT* points);

    // ---- links, set by the layer ----------------------------------------------
    void Link(AnnotationOwner* owner, ViewMapping* mapping) {
        owner_ = owner;
        mapping_ = mapping;
    }
    AnnotationOwner* Owner() const { return owner_; }
    ViewMapping* Mapping() const { return mapping_; }

    // ---- plain state ------------------------------------------------------------
    int Type() const { return type_; }
    int SequenceNumber() const { return sequenceNumber_; }
    void SetSequenceNumber(int seq) { sequenceNumber_ = seq; }
    // A number of this object alone, never given to another in the process:
    // what a caller keeps across a call out to tell the object from one made
    // later at the same address.
    uint64_t Identity() const { return identity_; }
    int GroupId() const { return groupId_; }
    void SetGroupId(int id) { groupId_ = id; }
    const RECT& Bounds() const { return bounds_; }
    const std::vector<POINT>& Points() const { return points_; }
    const ItemAttributeMap& Attributes() const { return attributes_; }
    bool HasAttribute(int code) const { return attributes_.count(code) != 0; }
    // The map's number for a code, or fallback when the map lacks it.
    int MapNumber(int code, int fallback = 0) const;
    bool IsVisible() const { return visible_; }
    bool IsAttached() const { return attached_; }
    bool IsTracking() const { return tracking_; }
    bool IsCommitted() const { return committed_; }
    void SetCommitted(bool committed) { committed_ = committed; }
    bool IsSelected() const { return MapNumber(QMK_Selected) != 0; }
    // The button (1 left, 2 right, 4 middle) pressed on the item in
    // interactive mode, 0 for none.
    int PressedButton() const { return pressedButton_; }
    void SetPressedButton(int button) { pressedButton_ = button; }
    const std::wstring& Name() const { return name_; }
    const std::wstring& UserString() const { return userString_; }

    // Creation time in seconds since 1970 (UTC); the FILETIME follows.
    void SetCreationTime(int seconds);
    int CreationSeconds() const { return creationSeconds_; }
    uint64_t CreationFileTime() const { return creationFileTime_; }

    // Geometry given in pixels, to convert to layer units before the next
    // bounds query, draw, save or change of the geometry.
    void SetPixelGeometry(const RECT& pixelBounds);
    bool GeometryPending() const { return geometryPending_; }
    // Converts pending geometry with the view as it is. False when geometry
    // is pending and there is no view to convert it with (it stays pending).
    bool ConvertPendingGeometry();
    // The host's image was cropped to crop (pixels of the image as it was):
    // the bounds and points become pixels of the cropped image, pending until
    // the next conversion. False (and nothing changes) without a view.
    bool TakeCrop(const RECT& crop);
    // Whether there is a view to convert between pixels and layer units.
    bool HasView() const;

    // ---- common operations --------------------------------------------------
    // Points in pixels: rectangle kinds take index 0 (top-left) and 1
    // (bottom-right), point-list kinds an index below the point count; any
    // other index gives QMK_ErrInvalidPoint. Without a view to convert with:
    // QMK_ErrInvalidContext, and nothing changes.
    int GetPoint(int index, POINT& out);
    int SetPoint(int index, POINT point);
    // Keeps the bounds and points as the start of a group resize.
    void SnapshotGeometry();
    // The group resize is over: the point snapshot goes and no handle is
    // under a drag.
    void ReleaseSnapshot()
    {
        std::vector<POINT>().swap(pointSnapshot_);
        dragHandle_ = pressHandle_ = -1;
    }
    std::vector<POINT> CopyPoints(bool inPixels);
    // The common part of the saved record. 0 or QMK_ErrStorageStream.
    int SaveCommon(ByteWriter& stream);
    int LoadCommon(ByteReader& stream);
    // Fills an element with this item: every attribute of the map that the
    // element holds, in ascending code order, then the element type. The
    // rectangle and the points go in image pixels and the creation time as
    // the item has it, so that appending the element makes an equal item
    // (annotation_to_element.cpp). QMK_ErrInvalidContext, and the element
    // stays as it was, when geometry in layer units has no view to convert
    // it with.
    int CopyAttributesToElement(AnnotationElement& element);

    static bool IsRectangleKind(int type);
    static bool IsPointListKind(int type);
    // Orientation in tenths of a degree (0, 900, 1800, 2700) turned by an
    // angle of 90, 180 or 270 (or their negatives); anything else unchanged.
    static int RotateOrientation(int orientation, int angle);
    // Space and hyphen-minus.
    static bool IsBreakChar(wchar_t c) { return c == L' ' || c == L'-'; }
    // Whether a point in pixels lies in the bounds, every edge included.
    bool ContainsPoint(POINT pixel);

protected:
    // Fills the map from a tool's attribute set and takes the visible flag
    // from its entry.
    void TakeToolAttributes(int type, const AttributeMap& tool);
    void SetType(int type) { type_ = type; }
    // Bounds in layer units (pixels waiting for conversion are replaced).
    void SetBounds(const RECT& rect) {
        bounds_ = rect;
        geometryPending_ = false;
    }
    // The value of a code to change (null when the map lacks it); a value
    // only read is found with Attributes().Find, which shares it.
    AttributeValue* FindAttribute(int code);
    // The bounds, enlarged on every side by the handle size in layer units.
    RECT InflatedByHandle(const RECT& rect, int times = 1) const;
    int HandleSize() const;
    void InvalidateRect(const RECT& layerRect);
    DrawingPrimitives Primitives() const { return DrawingPrimitives(*mapping_); }
    // The image width and height in pixels (1 when unknown, so that a
    // conversion never divides by zero).
    int ImageWidth() const;
    int ImageHeight() const;
    // An x mirrored (a y flipped) inside a frame in pixels, in layer units.
    int MirroredX(int x, int frameLeft, int frameRight) const;
    int FlippedY(int y, int frameTop, int frameBottom) const;
    RECT ToPixels(const RECT& layer) const;
    RECT ToLayer(const RECT& pixels) const;
    POINT ToPixels(POINT layer) const;
    POINT ToLayer(POINT pixels) const;

    std::vector<POINT> points_;
    std::vector<POINT> pointSnapshot_;
    RECT startRect_ = {};
    int pressedButton_ = 0;
    int dragHandle_ = -1;
    int pressHandle_ = -1;
    bool tracking_ = false;

private:
    bool WriteAttributeRecords(ByteWriter& stream);
    int LoadRecord(ByteReader& stream, uint32_t code);
    void SetString(std::wstring& field, EngineValue value);

    const uint64_t identity_;
    int type_ = 0;
    int sequenceNumber_ = 0;
    int groupId_ = 0;
    ViewMapping* mapping_ = nullptr;
    AnnotationOwner* owner_ = nullptr;
    bool geometryPending_ = false;
    bool attached_ = false;
    bool visible_ = false;
    int creationSeconds_ = 0;
    uint64_t creationFileTime_ = 0;
    uint64_t reservedTime_ = 0;
    std::wstring name_;
    RECT bounds_ = {};
    bool committed_ = false;
    ItemAttributeMap attributes_;
    std::wstring userString_;
};
