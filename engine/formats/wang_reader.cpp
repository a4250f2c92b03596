#include "formats/wang_reader.h"

#include "formats/wang_layout.h"
#include "settings/tool_defaults_packed_dib.h"

#include <cstring>
#include <utility>

namespace wang {
namespace {

constexpr int kInvalidFile = 1006;  // QMK_ErrInvalidFile

// A run of bytes that every read stays inside.
class Span {
public:
    Span(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Size() const { return size_; }
    const uint8_t* Data() const { return data_; }
    // The dword at offset; false when it does not lie wholly inside.
    bool Dword(size_t offset, uint32_t& value) const
    {
        if (offset > size_ || size_ - offset < 4) return false;
        value = static_cast<uint32_t>(data_[offset]) | static_cast<uint32_t>(data_[offset + 1]) << 8 |
                static_cast<uint32_t>(data_[offset + 2]) << 16 |
                static_cast<uint32_t>(data_[offset + 3]) << 24;
        return true;
    }
    // The part of count bytes at offset; false when it does not fit.
    bool Part(size_t offset, size_t count, Span& part) const
    {
        if (offset > size_ || size_ - offset < count) return false;
        part = Span(data_ + offset, count);
        return true;
    }
    Span From(size_t offset) const
    {
        return offset >= size_ ? Span(data_ + size_, 0) : Span(data_ + offset, size_ - offset);
    }

private:
    const uint8_t* data_;
    size_t size_;
};

uint32_t DwordAt(const Span& span, size_t offset)
{
    uint32_t value = 0;
    span.Dword(offset, value);
    return value;
}

// ANSI text up to its first NUL or the end of the span, in UTF-16.
std::wstring AnsiText(const Span& span)
{
    const char* text = reinterpret_cast<const char*>(span.Data());
    size_t length = 0;
    while (length < span.Size() && text[length] != '\0') ++length;
    if (length == 0) return std::wstring();
    const int units = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), &wide[0], units);
    return wide;
}

// UTF-16 text up to its first NUL or the end of the span (an odd last byte
// is not part of it).
std::wstring Utf16Text(const Span& span)
{
    std::wstring text;
    for (size_t at = 0; at + 1 < span.Size(); at += 2) {
        const wchar_t unit = static_cast<wchar_t>(span.Data()[at] | span.Data()[at + 1] << 8);
        if (unit == L'\0') break;
        text.push_back(unit);
    }
    return text;
}

COLORREF ColourAt(const Span& record, size_t offset)
{
    const uint8_t* bgr = record.Data() + offset;
    return RGB(bgr[2], bgr[1], bgr[0]);
}

void ReadAttributes(const Span& record, Mark& mark)
{
    mark.type = DwordAt(record, mark::kType);
    mark.bounds.left = static_cast<LONG>(DwordAt(record, mark::kLeft));
    mark.bounds.top = static_cast<LONG>(DwordAt(record, mark::kTop));
    mark.bounds.right = static_cast<LONG>(DwordAt(record, mark::kRight));
    mark.bounds.bottom = static_cast<LONG>(DwordAt(record, mark::kBottom));
    mark.colour1 = ColourAt(record, mark::kColour1);
    mark.colour2 = ColourAt(record, mark::kColour2);
    mark.highlighting = DwordAt(record, mark::kHighlighting);
    mark.transparent = DwordAt(record, mark::kTransparent);
    mark.line_size = DwordAt(record, mark::kLineSize);
    static_assert(sizeof(LOGFONTA) == mark::kFontSize, "a LOGFONTA of the 32-bit platform");
    std::memcpy(&mark.font, record.Data() + mark::kFont, mark::kFontSize);
    mark.font.lfFaceName[LF_FACESIZE - 1] = '\0';
    mark.time = static_cast<int32_t>(DwordAt(record, mark::kTime));
    mark.visible = static_cast<int32_t>(DwordAt(record, mark::kVisible));
}

// {dword n, n ANSI bytes, UTF-16 text}: the UTF-16 text that lies in the
// block (none when n passes it).
std::wstring UnicodeAfterAnsi(const Span& data)
{
    const uint32_t ansiLength = DwordAt(data, 0);
    if (data.Size() < 4 || ansiLength > data.Size() - 4) return std::wstring();
    return Utf16Text(data.From(4 + static_cast<size_t>(ansiLength)));
}

// The data of a group block: ANSI text, or for the Unicode writer's
// unnamed layer the 42-byte form.
std::wstring GroupText(const Span& data, bool perLayerForm)
{
    if (perLayerForm && data.Size() == kUnicodeGroupSize && DwordAt(data, 0) == kUnicodeGroupAnsiSize)
        return UnicodeAfterAnsi(data);
    return AnsiText(data);
}

// "OiIndex": the text read as a decimal number the way atol reads it
// (leading white space, a sign, digits), inside the block. A value past 32
// bits gives no index.
uint32_t IndexOf(const Span& data, bool& hasDigits)
{
    size_t at = 0;
    const uint8_t* bytes = data.Data();
    while (at < data.Size() && (bytes[at] == ' ' || (bytes[at] >= '\t' && bytes[at] <= '\r'))) ++at;
    bool negative = false;
    if (at < data.Size() && (bytes[at] == '-' || bytes[at] == '+')) negative = bytes[at++] == '-';
    uint64_t value = 0;
    hasDigits = false;
    for (; at < data.Size() && bytes[at] >= '0' && bytes[at] <= '9'; ++at) {
        value = value * 10u + static_cast<uint32_t>(bytes[at] - '0');
        hasDigits = true;
        if (value > 0xFFFFFFFFu) {
            hasDigits = false;
            return 0;
        }
    }
    return negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
}

void VisitText(const Span& data, BlockVisitor& visitor)
{
    // The text is read up to its NUL, within its stated length and the block.
    const size_t stated = DwordAt(data, text::kLength);
    const Span rest = data.From(text::kText);
    Span textBytes(rest.Data(), stated < rest.Size() ? stated : rest.Size());
    std::wstring text = AnsiText(textBytes);
    visitor.Text(static_cast<int32_t>(DwordAt(data, text::kOrientation)), DwordAt(data, text::kReserved),
                 DwordAt(data, text::kCreationScale), text);
}

void VisitPoints(const Span& data, std::vector<POINT>& points, BlockVisitor& visitor)
{
    const uint32_t count = DwordAt(data, points::kCount);
    const size_t held = data.Size() < points::kPoints ? 0 : (data.Size() - points::kPoints) / points::kPointSize;
    const size_t n = count < held ? count : held;
    points.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t at = points::kPoints + i * points::kPointSize;
        points[i].x = static_cast<LONG>(DwordAt(data, at));
        points[i].y = static_cast<LONG>(DwordAt(data, at + 4));
    }
    visitor.Points(DwordAt(data, points::kMaxPoints), points);
}

void VisitRotation(const Span& data, BlockVisitor& visitor)
{
    if (data.Size() < rotation::kSize) {
        visitor.Skipped();
        return;
    }
    int32_t resolution[4];
    for (int i = 0; i < 4; ++i) resolution[i] = static_cast<int32_t>(DwordAt(data, 8 + 4 * i));
    visitor.Rotation(DwordAt(data, 0), DwordAt(data, 4), resolution);
}

void VisitPicture(const Span& data, BlockVisitor& visitor)
{
    const size_t size = PackedDib::SizeOf(data.Data(), data.Size());
    visitor.Picture(size == 0 ? nullptr : data.Data(), size);
}

// Collects the walk into plain records.
class Collector : public BlockVisitor {
public:
    explicit Collector(Data& out) : out_(out) {}

    void MarkBlock(Mark& attributes) override
    {
        out_.marks.emplace_back(std::move(attributes));
        out_.marks.back().before = std::move(between_);
        between_ = GroupAndIndex();
    }
    void Group(std::wstring& name, bool perLayerForm, int32_t blockType) override
    {
        between_.has_group = true;
        between_.group_per_layer_form = perLayerForm;
        between_.group = std::move(name);
        between_.group_block_type = blockType;
    }
    void UnicodeGroup(std::wstring& name) override
    {
        between_.has_unicode_group = true;
        between_.unicode_group = std::move(name);
    }
    void Index(uint32_t index, bool hasDigits, int32_t blockType) override
    {
        if (!hasDigits) return;
        between_.has_index = true;
        between_.index_block_type = blockType;
        between_.index = index;
    }
    void Text(int32_t orientation, uint32_t reserved, uint32_t creationScale, std::wstring& text) override
    {
        if (Mark* mark = Last()) {
            mark->has_text = true;
            mark->text_orientation = orientation;
            mark->text_reserved = reserved;
            mark->creation_scale = creationScale;
            mark->text = std::move(text);
        }
    }
    void UnicodeText(std::wstring& text) override
    {
        if (Mark* mark = Last()) {
            mark->has_unicode_text = true;
            mark->unicode_text = std::move(text);
        }
    }
    void Points(uint32_t maxPoints, std::vector<POINT>& points) override
    {
        if (Mark* mark = Last()) {
            mark->has_points = true;
            mark->max_points = maxPoints;
            mark->points = points;
        }
    }
    void Rotation(uint32_t rotation, uint32_t scale, const int32_t resolution[4]) override
    {
        if (Mark* mark = Last()) {
            mark->has_rotation = true;
            mark->rotation = rotation;
            mark->rotation_scale = scale;
            std::memcpy(mark->resolution, resolution, sizeof(mark->resolution));
        }
    }
    void Picture(const uint8_t* dib, size_t size) override
    {
        if (Mark* mark = Last()) {
            mark->dib.assign(dib, dib + size);
            mark->dib_refused = dib == nullptr;
        }
    }
    void Skipped() override { ++out_.skipped_blocks; }

    void Finish() { out_.after_last = std::move(between_); }

private:
    // The mark a block belongs to; a block before any mark is not read.
    Mark* Last()
    {
        if (out_.marks.empty()) {
            ++out_.skipped_blocks;
            return nullptr;
        }
        return &out_.marks.back();
    }

    Data& out_;
    GroupAndIndex between_;
};

} // namespace

int WalkData(const void* data, size_t size, BlockVisitor& visitor, size_t* damageOffset, uint32_t* headerWord)
{
    const Span all(static_cast<const uint8_t*>(data), data ? size : 0);
    uint32_t header = 0, format = 0;
    if (!all.Dword(0, header) || !all.Dword(4, format) || format != kIntelFormat32) return kInvalidFile;
    if (headerWord) *headerWord = header;
    if (damageOffset) *damageOffset = all.Size();

    Mark mark;
    std::vector<POINT> points;
    uint32_t lastMarkType = 0;
    size_t position = kHeaderSize;
    while (position < all.Size()) {
        const Span rest = all.From(position);
        const int32_t blockType = static_cast<int32_t>(DwordAt(rest, 0));
        size_t advance = 0;
        if (rest.Size() >= 4 && blockType == kMarkBlock) {
            if (rest.Size() < kMarkBlockSize) break;
            mark = Mark();
            ReadAttributes(rest.From(8), mark);
            lastMarkType = mark.type;
            visitor.MarkBlock(mark);
            advance = kMarkBlockSize;
        } else if (rest.Size() >= 4 && (blockType == kDefaultNamedBlock || blockType == kMarkNamedBlock)) {
            uint32_t length = 0;
            Span blockData(nullptr, 0);
            if (!rest.Dword(16, length) || !rest.Part(kNamedBlockFixedSize, length, blockData)) break;
            char name[kNameSize + 1] = {};
            std::memcpy(name, rest.Data() + 8, kNameSize);
            if (std::strcmp(name, kGroupName) == 0 || std::strcmp(name, kLayerGroupUnicodeName) == 0) {
                const bool perLayer = std::strcmp(name, kLayerGroupUnicodeName) == 0;
                std::wstring text = GroupText(blockData, perLayer);
                visitor.Group(text, perLayer, blockType);
            } else if (std::strcmp(name, kUnicodeGroupName) == 0) {
                std::wstring text = UnicodeAfterAnsi(blockData);
                visitor.UnicodeGroup(text);
            } else if (std::strcmp(name, kIndexName) == 0) {
                bool hasDigits = false;
                const uint32_t index = IndexOf(blockData, hasDigits);
                visitor.Index(index, hasDigits, blockType);
            } else if (std::strcmp(name, kTextName) == 0) {
                VisitText(blockData, visitor);
            } else if (std::strcmp(name, kUnicodeTextName) == 0) {
                std::wstring text = UnicodeAfterAnsi(blockData);
                visitor.UnicodeText(text);
            } else if (std::strcmp(name, kMarkDataName) == 0 &&
                       (lastMarkType == kStraightLine || lastMarkType == kFreehandLine)) {
                VisitPoints(blockData, points, visitor);
            } else if (std::strcmp(name, kMarkDataName) == 0 && lastMarkType == kImageEmbedded) {
                VisitRotation(blockData, visitor);
            } else if (std::strcmp(name, kDibName) == 0) {
                VisitPicture(blockData, visitor);
            } else {
                visitor.Skipped();
            }
            advance = kNamedBlockFixedSize + static_cast<size_t>(length);
        } else {
            break;
        }
        position += advance;
    }
    if (damageOffset && position < all.Size()) *damageOffset = position;
    return 0;
}

int ReadData(const void* data, size_t size, Data& out)
{
    out = Data();
    size_t stop = 0;
    Collector collector(out);
    const int result = WalkData(data, size, collector, &stop, &out.header_word);
    if (result != 0) {
        out = Data();
        return result;
    }
    collector.Finish();
    out.damaged = stop < size;
    out.damage_offset = out.damaged ? stop : 0;
    return 0;
}

} // namespace wang
