#include "objects/annotation.h"

#include <cstring>

#include "formats/byte_stream.h"
#include "objects/item_blocks.h"
#include "settings/tool_defaults_packed_dib.h"
#include "view/view_mapping.h"

namespace {

constexpr int kFull = Annotation::kLayerUnitsFull;
constexpr uint64_t kFileTimeTicksPerSecond = 10000000ull;
constexpr int kRectangleKindPoints = 2;

void Normalize(RECT& rect) { ViewMapping::NormalizeRect(rect); }

// Old files kept some drawing-mode values without their offset: such a value
// (compared unsigned) at or below the last one gets the offset added.
struct LiftedCode {
    int code;
    uint32_t lastOldValue;
    int offset;
};
const LiftedCode kLiftedCodes[] = {
    {QMK_BackStyle, 3, 3000},
    {QMK_PenStyle, 4, 5000},
    {QMK_PenFillStyle, 13, 5500},
    {QMK_HatchStyle, 5, 6000},
    {QMK_TextJustification, 2, 7000},
};

const LiftedCode* FindLift(uint32_t code) {
    // Every record that is a plain number asks: most are none of these.
    switch (code) {
    case QMK_BackStyle:
    case QMK_PenStyle:
    case QMK_PenFillStyle:
    case QMK_HatchStyle:
    case QMK_TextJustification: break;
    default: return nullptr;
    }
    for (const LiftedCode& lift : kLiftedCodes)
        if (static_cast<uint32_t>(lift.code) == code) return &lift;
    return nullptr;
}

// The records that are not a plain number stored as read (LoadRecord's
// cases before its last one).
bool IsSpecialRecord(uint32_t code) {
    switch (code) {
    case QMK_BoundingRect:
    case QMK_Text:
    case QMK_UserString:
    case QMK_ItemName:
    case QMK_Logfont:
    case QMK_DibPtr:
    case QMK_CreateTime:
    case QMK_ReservedTime:
    case QMK_CreateSeconds:
    case QMK_GroupId:
    case QMK_Attribute1024:
    case QMK_SequenceNumber:
    case Annotation::kRecordFlags:
    case QMK_BackStyle:
    case QMK_PenStyle:
    case QMK_PenFillStyle:
    case QMK_HatchStyle:
    case QMK_TextJustification:
    case QMK_TextOrientation:
    case QMK_Selected: return true;
    default: return code > 0x7FFFFFFFu;
    }
}

// Every record asks: the codes below 2048 are answered from a table.
struct PlainRecordTable {
    static constexpr uint32_t kCodes = 2048;
    bool plain[kCodes];
    PlainRecordTable() {
        for (uint32_t code = 0; code < kCodes; ++code) plain[code] = !IsSpecialRecord(code);
    }
};
const PlainRecordTable kPlainRecords;

bool IsPlainNumberRecord(uint32_t code) {
    return code < PlainRecordTable::kCodes ? kPlainRecords.plain[code] : !IsSpecialRecord(code);
}

bool IsFlagCode(int code) {
    for (const Annotation::FlagBit& flag : Annotation::kFlagBits)
        if (flag.attribute == code) return true;
    return false;
}

bool WriteCode(ByteWriter& stream, int code) { return stream.WriteUInt32(static_cast<uint32_t>(code)); }

bool WriteText(ByteWriter& stream, int code, const wchar_t* text, size_t length) {
    if (length == 0) return !stream.Failed();
    return WriteCode(stream, code) && stream.WriteString(text, length);
}

} // namespace

const Annotation::FlagBit Annotation::kFlagBits[8] = {
    {QMK_Visible, 0x01},    {QMK_Moveable, 0x02}, {QMK_Sizeable, 0x04},
    {QMK_Locked, 0x08},     {QMK_ShowHandles, 0x10}, {QMK_Selected, 0x20},
    {QMK_HighlightFill, 0x40}, {QMK_HighlightBack, 0x80},
};

namespace {
uint64_t NextIdentity() {
    static uint64_t last = 0;
    return ++last;
}
} // namespace

// ---- where items live: item_blocks.h ------------------------------------------

void* Annotation::operator new(size_t size) {
    void* item = item_blocks::Take(size);
    if (!item) throw std::bad_alloc();
    return item;
}

void* Annotation::operator new(size_t size, const std::nothrow_t&) noexcept { return item_blocks::Take(size); }

void Annotation::operator delete(void* item) noexcept { item_blocks::Give(item); }

void Annotation::operator delete(void* item, const std::nothrow_t&) noexcept { item_blocks::Give(item); }

Annotation::Annotation() : identity_(NextIdentity()) {}
Annotation::~Annotation() = default;

// ---- base behaviour of the virtual operations ---------------------------------

int Annotation::HandleKey(HWND, UINT, WPARAM, LPARAM) { return -1; }
void Annotation::ResetAnchor(int) {}
void Annotation::CancelTracking(int* out) {
    if (out) *out = 0;
}
void Annotation::ViewChanged(int, int) {}
HANDLE Annotation::GetCachedHandle() { return nullptr; }
void Annotation::Attach() { attached_ = true; }
void Annotation::SetPoints(int, const POINT*) {}

void Annotation::GetPaintRect(RECT& out) {
    ConvertPendingGeometry();
    out = IsSelected() ? InflatedByHandle(bounds_) : bounds_;
}

bool Annotation::IsRectangleKind(int type) {
    switch (type) {
    case TextTool:
    case RectangleTool:
    case EllipseTool:
    case StampTool:
    case ImageTool:
    case ButtonTool: return true;
    default: return false;
    }
}

bool Annotation::IsPointListKind(int type) {
    return (type >= PolygonTool && type <= FreehandTool) || type == RulerTool;
}

// ---- conversions ------------------------------------------------------------------

int Annotation::ImageWidth() const {
    if (!mapping_) return 1;
    mapping_->EnsureFresh();
    return mapping_->ImageWidth() > 0 ? mapping_->ImageWidth() : 1;
}

int Annotation::ImageHeight() const {
    if (!mapping_) return 1;
    mapping_->EnsureFresh();
    return mapping_->ImageHeight() > 0 ? mapping_->ImageHeight() : 1;
}

POINT Annotation::ToPixels(POINT layer) const {
    return {MulDiv(layer.x, ImageWidth(), kFull), MulDiv(layer.y, ImageHeight(), kFull)};
}

POINT Annotation::ToLayer(POINT pixels) const {
    return {MulDiv(pixels.x, kFull, ImageWidth()), MulDiv(pixels.y, kFull, ImageHeight())};
}

RECT Annotation::ToPixels(const RECT& layer) const {
    const POINT a = ToPixels(POINT{layer.left, layer.top});
    const POINT b = ToPixels(POINT{layer.right, layer.bottom});
    return {a.x, a.y, b.x, b.y};
}

RECT Annotation::ToLayer(const RECT& pixels) const {
    const POINT a = ToLayer(POINT{pixels.left, pixels.top});
    const POINT b = ToLayer(POINT{pixels.right, pixels.bottom});
    return {a.x, a.y, b.x, b.y};
}

int Annotation::HandleSize() const {
    if (!mapping_) return 0;
    mapping_->EnsureFresh();
    return mapping_->HandleRatio();
}

RECT Annotation::InflatedByHandle(const RECT& rect, int times) const {
    RECT result = rect;
    InflateRect(&result, HandleSize() * times, HandleSize() * times);
    return result;
}

void Annotation::InvalidateRect(const RECT& layerRect) {
    if (owner_) owner_->InvalidateLayerRect(layerRect);
}

// ---- attributes ---------------------------------------------------------------------

void Annotation::TakeToolAttributes(int type, const AttributeMap& tool) {
    type_ = type;
    attributes_.Take(tool);
    visible_ = MapNumber(QMK_Visible) != 0;
}

AttributeValue* Annotation::FindAttribute(int code) { return attributes_.Mutable(code); }

int Annotation::MapNumber(int code, int fallback) const {
    const AttributeValue* value = attributes_.Find(code);
    return value ? value->Integer() : fallback;
}

void Annotation::SetString(std::wstring& field, EngineValue value) {
    BSTR text = reinterpret_cast<BSTR>(value);
    if (text)
        field.assign(text, SysStringLen(text));
    else
        field.clear();
}

int Annotation::SetAttribute(int code, EngineValue value, bool& changed) {
    changed = false;
    switch (code) {
    case QMK_BoundingRect:
        if (!value) return QMK_ErrInvalidAttribute;
        std::memcpy(&bounds_, reinterpret_cast<const void*>(value), sizeof(bounds_));
        geometryPending_ = false;  // a rectangle in layer units replaces pixels waiting
        changed = true;
        return QMK_NoError;
    case QMK_Visible:
        visible_ = value != 0;
        changed = true;
        if (attached_) InvalidateRect(bounds_);
        return QMK_NoError;
    case QMK_ItemName:
        SetString(name_, value);
        changed = true;
        return QMK_NoError;
    case QMK_UserString:
        SetString(userString_, value);
        changed = true;
        return QMK_NoError;
    case QMK_HatchStyle:
        if (!HasAttribute(code)) return QMK_ErrInvalidAttribute;
        if (value < HatchStyle_None || value > HatchStyle_None + 7) return QMK_ErrInvalidHatchStyle;
        break;
    case QMK_BackStyle:
        if (value >= 0 && value <= 3) value += 3000;
        break;
    default: break;
    }

    const AttributeValue* held = attributes_.Find(code);
    if (!held) return QMK_ErrInvalidAttribute;
    if (held->kind() == AttributeValue::Kind::Integer && held->Integer() == static_cast<int>(value)) {
        changed = true;  // stored as it is: the value stays shared
    } else {
        AttributeValue* entry = FindAttribute(code);
        changed = entry->Assign(value);
        // A picture block that holds no whole picture is refused; the old one stays.
        if (!changed && value && entry->kind() == AttributeValue::Kind::Image) return QMK_ErrInvalidAttribute;
    }

    if (code == QMK_HighlightBack || code == QMK_HighlightFill) {
        if (const AttributeValue* backStyle = attributes_.Find(QMK_BackStyle)) {
            const int current = backStyle->Integer();
            if (value != 0 && current != BackStyle_Translucent)
                *FindAttribute(QMK_BackStyle) = AttributeValue::Number(BackStyle_Translucent);
            else if (value == 0 && current == BackStyle_Translucent)
                *FindAttribute(QMK_BackStyle) = AttributeValue::Number(BackStyle_Opaque);
        }
    }
    return QMK_NoError;
}

int Annotation::GetAttribute(int code, void* out) {
    if (!out) return QMK_ErrInvalidAttribute;
    switch (code) {
    case QMK_BoundingRect:
        ConvertPendingGeometry();
        std::memcpy(out, &bounds_, sizeof(bounds_));
        return QMK_NoError;
    case QMK_NumPoints:
        if (type_ == PolygonTool || type_ == PolyLineTool || type_ == FreehandTool)
            *static_cast<int*>(out) = static_cast<int>(points_.size());
        else if (type_ >= TextTool && type_ <= RulerTool)
            *static_cast<int*>(out) = kRectangleKindPoints;
        return QMK_NoError;
    case QMK_Visible: *static_cast<int*>(out) = visible_ ? 1 : 0; return QMK_NoError;
    case QMK_ToolType: *static_cast<int*>(out) = type_; return QMK_NoError;
    case QMK_GroupId: *static_cast<int*>(out) = groupId_; return QMK_NoError;
    case QMK_CreateTime: {
        VARIANT* date = static_cast<VARIANT*>(out);
        VariantInit(date);
        FILETIME fileTime = {static_cast<DWORD>(creationFileTime_),
                             static_cast<DWORD>(creationFileTime_ >> 32)};
        SYSTEMTIME system = {};
        double oleDate = 0;
        if (FileTimeToSystemTime(&fileTime, &system)) SystemTimeToVariantTime(&system, &oleDate);
        date->vt = VT_DATE;
        date->date = oleDate;
        return QMK_NoError;
    }
    case QMK_ItemName:
        *static_cast<BSTR*>(out) = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
        return QMK_NoError;
    case QMK_UserString:
        *static_cast<BSTR*>(out) =
            SysAllocStringLen(userString_.data(), static_cast<UINT>(userString_.size()));
        return QMK_NoError;
    default: break;
    }
    const AttributeValue* entry = attributes_.Find(code);
    if (!entry) return QMK_ErrInvalidAttribute;
    entry->CopyTo(out);
    return QMK_NoError;
}

EngineValue Annotation::GetAttributeValue(int code, bool& found) {
    if (code == QMK_ItemName) {
        found = true;
        return reinterpret_cast<EngineValue>(
            SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size())));
    }
    if (code == QMK_GroupId) {
        found = true;
        return groupId_;
    }
    const AttributeValue* entry = attributes_.Find(code);
    found = entry != nullptr;
    return entry ? entry->AsArgument() : 0;
}

// ---- time and pending geometry ----------------------------------------------------

void Annotation::SetCreationTime(int seconds) {
    creationSeconds_ = seconds;
    creationFileTime_ =
        static_cast<uint64_t>(static_cast<int64_t>(seconds) * static_cast<int64_t>(kFileTimeTicksPerSecond)) +
        kUnixEpochFileTime;
}

void Annotation::SetPixelGeometry(const RECT& pixelBounds) {
    bounds_ = pixelBounds;
    geometryPending_ = true;
}

bool Annotation::HasView() const {
    if (!mapping_) return false;
    mapping_->EnsureFresh();
    return mapping_->Usable();
}

bool Annotation::ConvertPendingGeometry() {
    if (!geometryPending_) return true;
    // Pixels converted without an image size would be lost: they wait.
    if (!HasView()) return false;
    bounds_ = ToLayer(bounds_);
    if (IsPointListKind(type_)) {
        for (POINT& point : points_) point = ToLayer(point);
        RecomputeBounds();
    }
    geometryPending_ = false;
    return true;
}

bool Annotation::TakeCrop(const RECT& crop) {
    if (!ConvertPendingGeometry() || !HasView()) return false;
    RECT pixels = ToPixels(bounds_);
    OffsetRect(&pixels, -crop.left, -crop.top);
    for (POINT& point : points_) {
        point = ToPixels(point);
        point.x -= crop.left;
        point.y -= crop.top;
    }
    bounds_ = pixels;
    geometryPending_ = true;
    return true;
}

// ---- geometry ------------------------------------------------------------------------

// Mirroring and flipping go through pixels along their own axis only: the
// other axis keeps its layer units exactly.
int Annotation::MirroredX(int x, int frameLeft, int frameRight) const {
    const int width = ImageWidth();
    return MulDiv(frameLeft + frameRight - MulDiv(x, width, kFull) - 1, kFull, width);
}

int Annotation::FlippedY(int y, int frameTop, int frameBottom) const {
    const int height = ImageHeight();
    return MulDiv(frameTop + frameBottom - MulDiv(y, height, kFull) - 1, kFull, height);
}

void Annotation::MirrorInImage() {
    if (!ConvertPendingGeometry() || !HasView()) return;
    const int width = ImageWidth();
    bounds_.left = MirroredX(bounds_.left, 0, width);
    bounds_.right = MirroredX(bounds_.right, 0, width);
    Normalize(bounds_);
}

void Annotation::FlipInImage() {
    if (!ConvertPendingGeometry() || !HasView()) return;
    const int height = ImageHeight();
    bounds_.top = FlippedY(bounds_.top, 0, height);
    bounds_.bottom = FlippedY(bounds_.bottom, 0, height);
    Normalize(bounds_);
}

void Annotation::RotateInImage(int angle) {
    if (!ConvertPendingGeometry()) return;
    const RECT r = bounds_;
    if (angle == 90 || angle == -270)
        bounds_ = {r.top, kFull - r.right, r.bottom, kFull - r.left};
    else if (angle == 180 || angle == -180)
        bounds_ = {kFull - r.left - 1, kFull - r.top - 1, kFull - r.right - 1, kFull - r.bottom - 1};
    else if (angle == 270 || angle == -90)
        bounds_ = {kFull - r.bottom, r.left, kFull - r.top, r.right};
    Normalize(bounds_);
}

void Annotation::MirrorInRect(const RECT& frame) {
    if (!ConvertPendingGeometry() || !HasView()) return;
    bounds_.left = MirroredX(bounds_.left, frame.left, frame.right);
    bounds_.right = MirroredX(bounds_.right, frame.left, frame.right);
    Normalize(bounds_);
}

void Annotation::FlipInRect(const RECT& frame) {
    if (!ConvertPendingGeometry() || !HasView()) return;
    bounds_.top = FlippedY(bounds_.top, frame.top, frame.bottom);
    bounds_.bottom = FlippedY(bounds_.bottom, frame.top, frame.bottom);
    Normalize(bounds_);
}

void Annotation::GrowBy(int dx, int dy) {
    if (!ConvertPendingGeometry()) return;
    if (IsPointListKind(type_)) {
        for (size_t i = 1; i < points_.size(); ++i) {
            points_[i].x += dx;
            points_[i].y += dy;
        }
    } else {
        bounds_.right += dx;
        bounds_.bottom += dy;
    }
    Normalize(bounds_);
}

void Annotation::SnapshotGeometry() {
    ConvertPendingGeometry();
    startRect_ = bounds_;
    pointSnapshot_ = points_;
}

std::vector<POINT> Annotation::CopyPoints(bool inPixels) {
    ConvertPendingGeometry();
    std::vector<POINT> copy = points_;
    if (inPixels)
        for (POINT& point : copy) point = ToPixels(point);
    return copy;
}

void Annotation::ScaleInto(double, double, const RECT& from, const RECT& to, int handle,
                           bool commit) {
    if (!ConvertPendingGeometry() || !HasView()) return;
    const int fromWidth = from.right - from.left;
    const int fromHeight = from.bottom - from.top;
    // A frame without width or height has no scale to map by.
    if (fromWidth == 0 || fromHeight == 0) return;
    const double sx = static_cast<double>(to.right - to.left) / fromWidth;
    const double sy = static_cast<double>(to.bottom - to.top) / fromHeight;
    const bool flip = from.top >= to.bottom;
    const bool mirror = from.left >= to.right;

    if (IsPointListKind(type_)) {
        std::vector<POINT> points = pointSnapshot_;
        for (POINT& point : points) {
            point = ToPixels(point);
            if (flip) point.y = from.top + from.bottom - point.y - 1;
            if (mirror) point.x = from.left + from.right - point.x - 1;
            const bool scalesX = handle >= 0 && handle <= 5;
            const bool scalesY = (handle >= 0 && handle <= 3) || handle == 6 || handle == 7;
            if (scalesX) point.x = static_cast<int>((point.x - from.left) * sx + 0.5) + to.left;
            if (scalesY) point.y = static_cast<int>((point.y - from.top) * sy + 0.5) + to.top;
        }
        if (commit) {
            for (POINT& point : points) point = ToLayer(point);
            points_ = points;
            RecomputeBounds();
        }
    } else {
        RECT r = ToPixels(startRect_);
        if (flip) {
            const int top = from.top + from.bottom - r.bottom - 1;
            const int bottom = from.top + from.bottom - r.top - 1;
            r.top = top;
            r.bottom = bottom;
        }
        if (mirror) {
            const int left = from.left + from.right - r.right - 1;
            const int right = from.left + from.right - r.left - 1;
            r.left = left;
            r.right = right;
        }
        RECT scaled;
        scaled.left = static_cast<int>((r.left - from.left) * sx) + to.left;
        scaled.top = static_cast<int>((r.top - from.top) * sy) + to.top;
        scaled.right = scaled.left + static_cast<int>((r.right - r.left) * sx);
        scaled.bottom = scaled.top + static_cast<int>((r.bottom - r.top) * sy);
        if (commit) bounds_ = ToLayer(scaled);
    }
    Normalize(bounds_);
}

int Annotation::GetPoint(int index, POINT& out) {
    if (!ConvertPendingGeometry() || !HasView()) return QMK_ErrInvalidContext;
    if (IsPointListKind(type_)) {
        if (index < 0 || static_cast<size_t>(index) >= points_.size()) return QMK_ErrInvalidPoint;
        out = ToPixels(points_[index]);
        return QMK_NoError;
    }
    if (index == 0) out = ToPixels(POINT{bounds_.left, bounds_.top});
    else if (index == 1) out = ToPixels(POINT{bounds_.right, bounds_.bottom});
    else return QMK_ErrInvalidPoint;
    return QMK_NoError;
}

int Annotation::SetPoint(int index, POINT point) {
    if (!ConvertPendingGeometry() || !HasView()) return QMK_ErrInvalidContext;
    const POINT layer = ToLayer(point);
    if (IsPointListKind(type_)) {
        if (index < 0 || static_cast<size_t>(index) >= points_.size()) return QMK_ErrInvalidPoint;
        points_[index] = layer;
        RecomputeBounds();
    } else if (index == 0) {
        bounds_.left = layer.x;
        bounds_.top = layer.y;
    } else if (index == 1) {
        bounds_.right = layer.x;
        bounds_.bottom = layer.y;
    } else {
        return QMK_ErrInvalidPoint;
    }
    InvalidateRect(bounds_);
    return QMK_NoError;
}

int Annotation::RotateOrientation(int orientation, int angle) {
    if (orientation != 0 && orientation != 900 && orientation != 1800 && orientation != 2700)
        return orientation;
    int turn = 0;
    if (angle == 90 || angle == -270) turn = 900;
    else if (angle == 180 || angle == -180) turn = 1800;
    else if (angle == 270 || angle == -90) turn = 2700;
    else return orientation;
    return (orientation + turn) % 3600;
}

bool Annotation::ContainsPoint(POINT pixel) {
    if (!ConvertPendingGeometry() || !HasView()) return false;
    const RECT r = ToPixels(bounds_);
    return pixel.x >= r.left && pixel.x <= r.right && pixel.y >= r.top && pixel.y <= r.bottom;
}

// ---- the saved record -----------------------------------------------------------------

bool Annotation::WriteAttributeRecord(ByteWriter& stream, int code) {
    switch (code) {
    case QMK_BoundingRect:
        return WriteCode(stream, code) && stream.WriteInt32(bounds_.left) &&
               stream.WriteInt32(bounds_.top) && stream.WriteInt32(bounds_.right) &&
               stream.WriteInt32(bounds_.bottom);
    case QMK_Text: {
        const AttributeValue* text = attributes_.Find(code);
        const BSTR value = text ? text->Text() : nullptr;
        return WriteText(stream, code, value, value ? SysStringLen(value) : 0);
    }
    case QMK_UserString: return WriteText(stream, code, userString_.data(), userString_.size());
    case QMK_ItemName: return WriteText(stream, code, name_.data(), name_.size());
    case QMK_Logfont: {
        const AttributeValue* font = attributes_.Find(code);
        LOGFONTA value = {};
        if (font && font->kind() == AttributeValue::Kind::Font) value = font->Font();
        return WriteCode(stream, code) && stream.WriteBytes(&value, sizeof(value));
    }
    case QMK_DibPtr: {
        const AttributeValue* image = attributes_.Find(code);
        HGLOBAL block = image ? image->Image() : nullptr;
        if (!block) return !stream.Failed();
        const void* bytes = GlobalLock(block);
        if (!bytes) return !stream.Failed();
        const size_t size = PackedDib::SizeOf(bytes, GlobalSize(block));
        bool ok = !stream.Failed();
        if (size != 0)
            ok = WriteCode(stream, code) && stream.WriteUInt32(static_cast<uint32_t>(size)) &&
                 stream.WriteBytes(bytes, size);
        GlobalUnlock(block);
        return ok;
    }
    case QMK_CreateTime: return WriteCode(stream, code) && stream.WriteUInt64(creationFileTime_);
    case QMK_ReservedTime: return WriteCode(stream, code) && stream.WriteUInt64(reservedTime_);
    case QMK_Attribute1024: {
        if (!WriteCode(stream, code) || !stream.WriteUInt32(static_cast<uint32_t>(points_.size())))
            return false;
        for (const POINT& point : points_)
            if (!stream.WriteInt32(point.x) || !stream.WriteInt32(point.y)) return false;
        return true;
    }
    case QMK_GroupId:
        if (groupId_ == 0) return !stream.Failed();
        return WriteCode(stream, code) && stream.WriteInt32(groupId_);
    case QMK_SequenceNumber: return WriteCode(stream, code) && stream.WriteInt32(sequenceNumber_);
    case QMK_CreateSeconds: return WriteCode(stream, code) && stream.WriteInt32(creationSeconds_);
    default: return WriteCode(stream, code) && stream.WriteInt32(MapNumber(code));
    }
}

bool Annotation::WriteAttributeRecords(ByteWriter& stream) {
    for (const auto& entry : attributes_) {
        if (IsFlagCode(entry.first)) continue;
        if (!WriteAttributeRecord(stream, entry.first)) return false;
    }
    return true;
}

int Annotation::SaveCommon(ByteWriter& stream) {
    if (!stream.WriteUInt32(kRecordStart)) return QMK_ErrStorageStream;
    ConvertPendingGeometry();
    uint32_t flags = 0;
    for (const FlagBit& flag : kFlagBits) {
        const bool set = flag.attribute == QMK_Visible ? visible_ : MapNumber(flag.attribute) != 0;
        if (set) flags |= flag.bit;
    }
    if (!stream.WriteUInt32(kRecordFlags) || !stream.WriteUInt32(flags) ||
        !WriteAttributeRecords(stream) || !stream.WriteUInt32(kRecordEnd))
        return QMK_ErrStorageStream;
    return QMK_NoError;
}

int Annotation::LoadCommon(ByteReader& stream) {
    uint32_t code = 0;
    if (!stream.ReadUInt32(code) || code != kRecordStart) return QMK_ErrStorageStream;
    for (;;) {
        if (!stream.ReadUInt32(code)) return QMK_ErrStorageStream;
        if (code == kRecordEnd) break;
        if (IsPlainNumberRecord(code)) {
            // Most records: a number the map holds, kept as read.
            uint32_t raw = 0;
            if (!stream.ReadUInt32(raw)) return QMK_ErrStorageStream;
            const size_t place = attributes_.PlaceOf(static_cast<int>(code));
            if (place == ItemAttributeMap::kNone) continue;
            const AttributeValue& held = attributes_.ValueAt(place);
            if (held.kind() == AttributeValue::Kind::Integer && held.Integer() != static_cast<int32_t>(raw))
                *attributes_.MutableAt(place) = AttributeValue::Number(static_cast<int32_t>(raw));
            continue;
        }
        if (LoadRecord(stream, code) != QMK_NoError) return QMK_ErrStorageStream;
    }
    // A drawing mode the record leaves out keeps the tool's value, which may
    // be of the old form: it is lifted as a read one is, so that the item
    // saves what the next load gives.
    for (const LiftedCode& lift : kLiftedCodes) {
        const AttributeValue* entry = attributes_.Find(lift.code);
        if (!entry || entry->kind() != AttributeValue::Kind::Integer) continue;
        const uint32_t held = static_cast<uint32_t>(entry->Integer());
        if (held <= lift.lastOldValue) {
            bool changed = false;
            SetAttribute(lift.code, static_cast<int32_t>(held + static_cast<uint32_t>(lift.offset)), changed);
        }
    }
    return QMK_NoError;
}

int Annotation::LoadRecord(ByteReader& stream, uint32_t code) {
    bool changed = false;
    switch (code) {
    case QMK_BoundingRect: {
        int32_t edges[4] = {};
        for (int32_t& edge : edges)
            if (!stream.ReadInt32(edge)) return QMK_ErrStorageStream;
        const RECT rect = {edges[0], edges[1], edges[2], edges[3]};
        SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&rect), changed);
        return QMK_NoError;
    }
    case QMK_Text:
    case QMK_UserString:
    case QMK_ItemName: {
        std::wstring text;
        bool present = false;
        if (!stream.ReadString(text, present)) return QMK_ErrStorageStream;
        if (code == QMK_ItemName) {
            name_ = text;
            return QMK_NoError;
        }
        BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (value) SetAttribute(static_cast<int>(code), reinterpret_cast<EngineValue>(value), changed);
        SysFreeString(value);
        return QMK_NoError;
    }
    case QMK_Logfont: {
        LOGFONTA font = {};
        if (!stream.ReadBytes(&font, sizeof(font))) return QMK_ErrStorageStream;
        font.lfFaceName[LF_FACESIZE - 1] = 0;
        SetAttribute(QMK_Logfont, reinterpret_cast<EngineValue>(&font), changed);
        return QMK_NoError;
    }
    case QMK_DibPtr: {
        uint32_t size = 0;
        if (!stream.ReadCount(1, size)) return QMK_ErrStorageStream;
        if (size == 0) return QMK_NoError;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        void* bytes = block ? GlobalLock(block) : nullptr;
        if (!bytes) {
            // No memory for the picture: its bytes are passed over.
            if (block) GlobalFree(block);
            return stream.Skip(size) ? QMK_NoError : QMK_ErrStorageStream;
        }
        const bool read = stream.ReadBytes(bytes, size);
        GlobalUnlock(block);
        if (read) SetAttribute(QMK_DibPtr, reinterpret_cast<EngineValue>(block), changed);
        GlobalFree(block);
        return read ? QMK_NoError : QMK_ErrStorageStream;
    }
    case QMK_CreateTime: return stream.ReadUInt64(creationFileTime_) ? QMK_NoError : QMK_ErrStorageStream;
    case QMK_ReservedTime: return stream.ReadUInt64(reservedTime_) ? QMK_NoError : QMK_ErrStorageStream;
    case QMK_CreateSeconds: {
        int32_t seconds = 0;
        if (!stream.ReadInt32(seconds)) return QMK_ErrStorageStream;
        creationSeconds_ = seconds;
        return QMK_NoError;
    }
    case QMK_GroupId: {
        int32_t id = 0;
        if (!stream.ReadInt32(id)) return QMK_ErrStorageStream;
        groupId_ = id;
        return QMK_NoError;
    }
    case QMK_Attribute1024: {
        uint32_t count = 0;
        if (!stream.ReadCount(8, count)) return QMK_ErrStorageStream;
        // Only a kind made of points keeps them; the others pass them over.
        const bool keep = HasAttribute(QMK_Attribute1024);
        if (keep) points_.clear();
        for (uint32_t i = 0; i < count; ++i) {
            int32_t x = 0, y = 0;
            if (!stream.ReadInt32(x) || !stream.ReadInt32(y)) return QMK_ErrStorageStream;
            if (keep) points_.push_back(POINT{x, y});
        }
        if (keep && count != 0) RecomputeBounds();
        return QMK_NoError;
    }
    case QMK_SequenceNumber: {
        int32_t seq = 0;
        if (!stream.ReadInt32(seq)) return QMK_ErrStorageStream;
        sequenceNumber_ = seq;
        SetAttribute(QMK_SequenceNumber, seq, changed);
        return QMK_NoError;
    }
    case kRecordFlags: {
        uint32_t flags = 0;
        if (!stream.ReadUInt32(flags)) return QMK_ErrStorageStream;
        for (const FlagBit& flag : kFlagBits) {
            const size_t place = attributes_.PlaceOf(flag.attribute);
            if (place == ItemAttributeMap::kNone) continue;
            const AttributeValue& held = attributes_.ValueAt(place);
            const int set = (flags & flag.bit) ? 1 : 0;
            // A value read as it is stays shared.
            if (!(held.kind() == AttributeValue::Kind::Integer && held.Integer() == set))
                attributes_.MutableAt(place)->Assign(set);
        }
        visible_ = (flags & 0x01) != 0;
        return QMK_NoError;
    }
    default: break;
    }

    uint32_t raw = 0;
    if (!stream.ReadUInt32(raw)) return QMK_ErrStorageStream;
    if (const LiftedCode* lift = FindLift(code)) {
        if (raw <= lift->lastOldValue) raw += static_cast<uint32_t>(lift->offset);
        SetAttribute(static_cast<int>(code), static_cast<int32_t>(raw), changed);
    } else if (code == QMK_TextOrientation) {
        SetAttribute(QMK_TextOrientation, static_cast<int32_t>(raw), changed);
    } else if (code == QMK_Selected) {
        if (raw != 0) SetAttribute(QMK_Selected, static_cast<int32_t>(raw), changed);
    } else if (code <= 0x7FFFFFFFu) {
        const AttributeValue* entry = attributes_.Find(static_cast<int>(code));
        if (entry && entry->kind() == AttributeValue::Kind::Integer &&
            entry->Integer() != static_cast<int32_t>(raw))
            *FindAttribute(static_cast<int>(code)) = AttributeValue::Number(static_cast<int32_t>(raw));
    }
    return QMK_NoError;
}
