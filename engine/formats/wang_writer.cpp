#include "formats/wang_writer.h"

#include "formats/ansi_text.h"
#include "formats/byte_stream.h"
#include "formats/wang_layout.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace wang {
namespace {

void WriteColour(ByteWriter& out, COLORREF colour)
{
    const uint8_t bgr0[4] = {GetBValue(colour), GetGValue(colour), GetRValue(colour), 0};
    out.WriteBytes(bgr0, sizeof bgr0);
}

void WriteZeros(ByteWriter& out, size_t count)
{
    static const uint8_t zeros[64] = {};
    while (count > 0) {
        const size_t part = count < sizeof zeros ? count : sizeof zeros;
        out.WriteBytes(zeros, part);
        count -= part;
    }
}

void WriteNamedHead(ByteWriter& out, int32_t blockType, const char* name, size_t length)
{
    char field[kNameSize] = {};
    std::memcpy(field, name, std::strlen(name) < kNameSize ? std::strlen(name) : kNameSize);
    out.WriteInt32(blockType);
    out.WriteUInt32(kNamedHeaderSize);
    out.WriteBytes(field, kNameSize);
    out.WriteUInt32(static_cast<uint32_t>(length));
}

void WriteNamed(ByteWriter& out, int32_t blockType, const char* name, const void* data, size_t length)
{
    WriteNamedHead(out, blockType, name, length);
    out.WriteBytes(data, length);
}

// ANSI text and its NUL, counted in bytes of the converted text.
std::string AnsiWithNul(const std::wstring& text)
{
    std::string ansi = ToAnsi(text);
    ansi.push_back('\0');
    return ansi;
}

// The 42-byte "OiUGroup" form of "[Untitled]".
void WriteUntitledUnicodeGroup(ByteWriter& out, int32_t blockType, const char* name)
{
    WriteNamedHead(out, blockType, name, kUnicodeGroupSize);
    out.WriteUInt32(kUnicodeGroupAnsiSize);
    out.WriteBytes(kUntitled, kUntitledLength);
    WriteZeros(out, kUnicodeGroupAnsiSize - kUntitledLength);
    for (uint32_t i = 0; i < kUntitledLength; ++i) {
        const uint8_t unit[2] = {static_cast<uint8_t>(kUntitled[i]), 0};
        out.WriteBytes(unit, 2);
    }
    WriteZeros(out, kUnicodeGroupSize - 4 - kUnicodeGroupAnsiSize - 2 * kUntitledLength);
}

void WriteIndex(ByteWriter& out, int32_t blockType, uint32_t index)
{
    // Ten digits at most, NUL-padded to ten bytes.
    char digits[16] = {};
    std::snprintf(digits, sizeof digits, "%lu", static_cast<unsigned long>(index));
    WriteNamed(out, blockType, kIndexName, digits, kIndexSize);
}

void WriteDefaultGroup(ByteWriter& out, int32_t blockType, uint32_t length)
{
    static const char untitled[12] = "[Untitled]";  // and two NULs
    WriteNamed(out, blockType, kGroupName, untitled, length);
}

void WriteAttributes(ByteWriter& out, const Mark& mark)
{
    out.WriteInt32(kMarkBlock);
    out.WriteUInt32(kMarkAttributesSize);
    out.WriteUInt32(mark.type);
    out.WriteInt32(mark.bounds.left);
    out.WriteInt32(mark.bounds.top);
    out.WriteInt32(mark.bounds.right);
    out.WriteInt32(mark.bounds.bottom);
    WriteColour(out, mark.colour1);
    WriteColour(out, mark.colour2);
    out.WriteUInt32(mark.highlighting);
    out.WriteUInt32(mark.transparent);
    out.WriteUInt32(mark.line_size);
    WriteZeros(out, mark::kFont - mark::kLineSize - 4);
    LOGFONTA font = mark.font;
    font.lfFaceName[LF_FACESIZE - 1] = '\0';
    out.WriteBytes(&font, mark::kFontSize);
    WriteZeros(out, mark::kTime - mark::kFont - mark::kFontSize);
    out.WriteInt32(mark.time);
    out.WriteInt32(mark.visible);
    out.WriteUInt32(mark::kPermissionsValue);
    WriteZeros(out, kMarkAttributesSize - mark::kPermissions - 4);
}

bool IsTextMark(uint32_t type)
{
    return type == kTypedText || type == kTextStamp || type == kAttachANote;
}

void WriteMarkBlocks(ByteWriter& out, const Mark& mark, Form form)
{
    if (IsTextMark(mark.type)) {
        const std::string ansi = AnsiWithNul(mark.text);
        if (form == Form::kUnicode) {
            WriteUntitledUnicodeGroup(out, kMarkNamedBlock, kUnicodeGroupName);
            const size_t units = mark.text.size() + 1;
            WriteNamedHead(out, kMarkNamedBlock, kUnicodeTextName, 4 + ansi.size() + 2 * units);
            out.WriteUInt32(static_cast<uint32_t>(ansi.size()));
            out.WriteBytes(ansi.data(), ansi.size());
            for (size_t i = 0; i < units; ++i) {
                const wchar_t c = i < mark.text.size() ? mark.text[i] : L'\0';
                const uint8_t unit[2] = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)};
                out.WriteBytes(unit, 2);
            }
        }
        WriteNamedHead(out, kMarkNamedBlock, kTextName, text::kText + ansi.size());
        out.WriteInt32(mark.text_orientation);
        out.WriteUInt32(text::kReservedValue);
        out.WriteUInt32(mark.creation_scale);
        out.WriteUInt32(static_cast<uint32_t>(ansi.size()));
        out.WriteBytes(ansi.data(), ansi.size());
    } else if (mark.type == kStraightLine || mark.type == kFreehandLine) {
        const size_t count = mark.points.size();
        WriteNamedHead(out, kMarkNamedBlock, kMarkDataName, points::kPoints + points::kPointSize * count);
        out.WriteUInt32(static_cast<uint32_t>(count));
        out.WriteUInt32(static_cast<uint32_t>(count));
        for (const POINT& p : mark.points) {
            out.WriteInt32(p.x);
            out.WriteInt32(p.y);
        }
    } else if (mark.type == kImageEmbedded) {
        WriteNamed(out, kMarkNamedBlock, kDibName, mark.dib.data(), mark.dib.size());
        WriteNamedHead(out, kMarkNamedBlock, kMarkDataName, rotation::kSize);
        out.WriteUInt32(rotation::kUnrotated);
        out.WriteUInt32(rotation::kScale);
        // The current and the first-stored resolution, horizontal then vertical.
        for (int i = 0; i < 4; ++i) out.WriteInt32(mark.resolution[i % 2]);
        WriteZeros(out, rotation::kSize - 24);
    }
}

} // namespace

bool WriteData(const std::vector<LayerToWrite>& layersOldestFirst, Form form, bool preserveLayers,
               uint32_t nextFreeIndex, std::vector<uint8_t>& out)
{
    out.clear();
    try {
        ByteWriter data;
        data.WriteUInt32(form == Form::kUnicode ? kUnicodeHeaderWord : kAnsiHeaderWord);
        data.WriteUInt32(kIntelFormat32);
        bool firstLayer = true;
        for (const LayerToWrite& layer : layersOldestFirst) {
            const int32_t layerBlockType = firstLayer ? kDefaultNamedBlock : kMarkNamedBlock;
            if (preserveLayers) {
                const char* name = form == Form::kUnicode ? kLayerGroupUnicodeName : kGroupName;
                // A layer named as the unnamed form reads back is written
                // in that form, so that a save of what was read is the same.
                const bool untitled =
                    layer.name.empty() || layer.name == std::wstring(kUntitled, kUntitled + kUntitledLength);
                if (!untitled) {
                    const std::string ansi = AnsiWithNul(layer.name);
                    WriteNamed(data, layerBlockType, name, ansi.data(), ansi.size());
                } else if (form == Form::kUnicode) {
                    WriteUntitledUnicodeGroup(data, layerBlockType, name);
                } else {
                    WriteDefaultGroup(data, layerBlockType, kClosingGroupLength);
                }
            }
            bool firstMark = firstLayer;
            for (const MarkToWrite& item : layer.marks) {
                const int32_t leadType = firstMark ? kDefaultNamedBlock : kMarkNamedBlock;
                firstMark = false;
                if (!preserveLayers) {
                    if (form == Form::kUnicode) WriteUntitledUnicodeGroup(data, leadType, kUnicodeGroupName);
                    WriteDefaultGroup(data, leadType,
                                      form == Form::kUnicode ? kClosingGroupLength + 1 : kClosingGroupLength);
                }
                WriteIndex(data, leadType, item.index);
                WriteAttributes(data, item.mark);
                WriteMarkBlocks(data, item.mark, form);
            }
            firstLayer = false;
        }
        WriteDefaultGroup(data, kMarkNamedBlock, kClosingGroupLength);
        WriteIndex(data, kMarkNamedBlock, nextFreeIndex);
        if (data.Failed()) return false;
        out = data.Bytes();
        return true;
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
}

} // namespace wang
