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

// "OiIndex": leading decimal digits; false when there are none or the value
// does not fit in 32 bits.
bool ReadIndex(const Span& data, uint32_t& index)
{
    uint64_t value = 0;
    size_t at = 0;
    while (at < data.Size() && data.Data()[at] == ' ') ++at;
    const size_t first = at;
    for (; at < data.Size() && data.Data()[at] >= '0' && data.Data()[at] <= '9'; ++at) {
        value = value * 10 + (data.Data()[at] - '0');
        if (value > 0xFFFFFFFFu) return false;
    }
    if (at == first) return false;
    index = static_cast<uint32_t>(value);
    return true;
}

// {dword n, n ANSI bytes, UTF-16 text}: the UTF-16 text; false when n
// passes the block.
bool ReadUnicodeAfterAnsi(const Span& data, std::wstring& text)
{
    uint32_t ansiLength = 0;
    if (!data.Dword(0, ansiLength)) return false;
    if (ansiLength > data.Size() - 4) return false;
    text = Utf16Text(data.From(4 + static_cast<size_t>(ansiLength)));
    return true;
}

// The data of a group block: ANSI text, or for the Unicode writer's
// unnamed layer the 42-byte form.
void ReadGroup(const Span& data, bool perLayerForm, GroupAndIndex& into)
{
    into.has_group = true;
    into.group_per_layer_form = perLayerForm;
    if (perLayerForm && data.Size() == kUnicodeGroupSize && DwordAt(data, 0) == kUnicodeGroupAnsiSize &&
        ReadUnicodeAfterAnsi(data, into.group))
        return;
    into.group = AnsiText(data);
}

bool ReadText(const Span& data, Mark& mark)
{
    uint32_t length = 0;
    if (!data.Dword(text::kLength, length)) return false;
    Span textBytes(nullptr, 0);
    if (!data.Part(text::kText, length, textBytes)) return false;
    mark.has_text = true;
    mark.text_orientation = static_cast<int32_t>(DwordAt(data, text::kOrientation));
    mark.text_reserved = DwordAt(data, text::kReserved);
    mark.creation_scale = DwordAt(data, text::kCreationScale);
    mark.text = AnsiText(textBytes);
    return true;
}

bool ReadPoints(const Span& data, Mark& mark)
{
    uint32_t maxPoints = 0, count = 0;
    if (!data.Dword(points::kMaxPoints, maxPoints) || !data.Dword(points::kCount, count)) return false;
    if (count > (data.Size() - points::kPoints) / points::kPointSize) return false;
    mark.has_points = true;
    mark.max_points = maxPoints;
    mark.points.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = points::kPoints + static_cast<size_t>(i) * points::kPointSize;
        mark.points[i].x = static_cast<LONG>(DwordAt(data, at));
        mark.points[i].y = static_cast<LONG>(DwordAt(data, at + 4));
    }
    return true;
}

void ReadRotation(const Span& data, Mark& mark)
{
    if (data.Size() < rotation::kSize) return;
    mark.has_rotation = true;
    mark.rotation = DwordAt(data, 0);
    mark.rotation_scale = DwordAt(data, 4);
    for (int i = 0; i < 4; ++i) mark.resolution[i] = static_cast<int32_t>(DwordAt(data, 8 + 4 * i));
}

void ReadDib(const Span& data, Mark& mark)
{
    const size_t size = PackedDib::SizeOf(data.Data(), data.Size());
    if (size == 0) {
        mark.dib.clear();
        mark.dib_refused = true;
        return;
    }
    mark.dib.assign(data.Data(), data.Data() + size);
    mark.dib_refused = false;
}

class Walk {
public:
    explicit Walk(Data& out) : out_(out) {}

    // One named block; false when its data contradicts its own length.
    bool Named(const char* name, int32_t blockType, const Span& data)
    {
        Mark* mark = out_.marks.empty() ? nullptr : &out_.marks.back();
        if (std::strcmp(name, kGroupName) == 0) {
            ReadGroup(data, false, between_);
            between_.group_block_type = blockType;
        } else if (std::strcmp(name, kLayerGroupUnicodeName) == 0) {
            ReadGroup(data, true, between_);
            between_.group_block_type = blockType;
        } else if (std::strcmp(name, kUnicodeGroupName) == 0) {
            std::wstring group;
            if (!ReadUnicodeAfterAnsi(data, group)) return false;
            between_.has_unicode_group = true;
            between_.unicode_group = group;
        } else if (std::strcmp(name, kIndexName) == 0) {
            uint32_t index = 0;
            if (ReadIndex(data, index)) {
                between_.has_index = true;
                between_.index_block_type = blockType;
                between_.index = index;
            }
        } else if (mark && std::strcmp(name, kTextName) == 0) {
            return ReadText(data, *mark);
        } else if (mark && std::strcmp(name, kUnicodeTextName) == 0) {
            std::wstring text;
            if (!ReadUnicodeAfterAnsi(data, text)) return false;
            mark->has_unicode_text = true;
            mark->unicode_text = text;
        } else if (mark && std::strcmp(name, kMarkDataName) == 0) {
            if (mark->type == kStraightLine || mark->type == kFreehandLine) return ReadPoints(data, *mark);
            if (mark->type == kImageEmbedded) ReadRotation(data, *mark);
            else ++out_.skipped_blocks;
        } else if (mark && std::strcmp(name, kDibName) == 0) {
            ReadDib(data, *mark);
        } else {
            ++out_.skipped_blocks;
        }
        return true;
    }

    void MarkRecord(const Span& record)
    {
        out_.marks.emplace_back();
        Mark& mark = out_.marks.back();
        mark.before = std::move(between_);
        between_ = GroupAndIndex();
        ReadAttributes(record, mark);
    }

    void Finish() { out_.after_last = between_; }

private:
    Data& out_;
    GroupAndIndex between_;
};

} // namespace

int ReadData(const void* data, size_t size, Data& out)
{
    out = Data();
    const Span all(static_cast<const uint8_t*>(data), data ? size : 0);
    uint32_t headerWord = 0, format = 0;
    if (!all.Dword(0, headerWord) || !all.Dword(4, format) || format != kIntelFormat32) return kInvalidFile;
    out.header_word = headerWord;

    // Each mark takes a block of its own: the data holds at most this many.
    out.marks.reserve((all.Size() - kHeaderSize) / kMarkBlockSize);
    Walk walk(out);
    size_t position = kHeaderSize;
    while (position < all.Size()) {
        const Span rest = all.From(position);
        uint32_t blockType = 0, blockSize = 0;
        bool whole = rest.Dword(0, blockType) && rest.Dword(4, blockSize);
        size_t advance = 0;
        if (whole && static_cast<int32_t>(blockType) == kMarkBlock) {
            Span record(nullptr, 0);
            whole = blockSize >= kMarkAttributesSize && rest.Part(8, blockSize, record);
            if (whole) {
                walk.MarkRecord(record);
                advance = 8 + static_cast<size_t>(blockSize);
            }
        } else if (whole && (static_cast<int32_t>(blockType) == kDefaultNamedBlock ||
                             static_cast<int32_t>(blockType) == kMarkNamedBlock)) {
            uint32_t length = 0;
            Span blockData(nullptr, 0);
            whole = blockSize == kNamedHeaderSize && rest.Dword(16, length) &&
                    rest.Part(kNamedBlockFixedSize, length, blockData);
            if (whole) {
                char name[kNameSize + 1] = {};
                std::memcpy(name, rest.Data() + 8, kNameSize);
                whole = walk.Named(name, static_cast<int32_t>(blockType), blockData);
                advance = kNamedBlockFixedSize + static_cast<size_t>(length);
            }
        } else {
            whole = false;
        }
        if (!whole) {
            out.damaged = true;
            out.damage_offset = position;
            break;
        }
        position += advance;
    }
    walk.Finish();
    return 0;
}

} // namespace wang
