#pragma once
// Reads Wang/Oi annotation data (TIFF tag 32932, laid out in wang_layout.h)
// into plain mark records. The data is untrusted: every read stays inside
// its block, every named block advances by its stated length, and a block
// that does not fit ends the walk with the data marked damaged. Nothing is
// interpreted beyond the layout: which layer a mark goes to and which index
// it carries are the caller's rules.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wang {

// The group and index blocks found between two marks (or before the first,
// or after the last). This system's writers put a mark's own group and
// index before it; other writers put them after it.
struct GroupAndIndex {
    bool has_group = false;
    int32_t group_block_type = 0;
    // The group came in the Unicode writer's per-layer block ("OIUGROUP").
    bool group_per_layer_form = false;
    std::wstring group;
    bool has_unicode_group = false;  // "OiUGroup"
    std::wstring unicode_group;
    bool has_index = false;
    int32_t index_block_type = 0;
    uint32_t index = 0;
};

struct Mark {
    GroupAndIndex before;

    // The mark attributes.
    uint32_t type = 0;
    RECT bounds = {};
    COLORREF colour1 = 0;  // 0x00BBGGRR
    COLORREF colour2 = 0;
    uint32_t highlighting = 0;
    uint32_t transparent = 0;
    uint32_t line_size = 0;
    LOGFONTA font = {};  // the face name always ends in a NUL
    int32_t time = 0;
    int32_t visible = 0;

    // "OiAnText".
    bool has_text = false;
    int32_t text_orientation = 0;
    uint32_t text_reserved = 0;
    uint32_t creation_scale = 0;
    std::wstring text;  // from the ANSI code page
    // "OiUText".
    bool has_unicode_text = false;
    std::wstring unicode_text;
    // "OiAnoDat" of a line or freehand mark: points in image pixels
    // relative to the left and top of the bounds.
    bool has_points = false;
    uint32_t max_points = 0;
    std::vector<POINT> points;
    // "OiAnoDat" of an image mark.
    bool has_rotation = false;
    uint32_t rotation = 0;
    uint32_t rotation_scale = 0;
    int32_t resolution[4] = {};
    // "OiDIB": a packed DIB that passed the checks, exactly its computed size.
    std::vector<uint8_t> dib;
    bool dib_refused = false;
};

struct Data {
    uint32_t header_word = 0;
    std::vector<Mark> marks;
    GroupAndIndex after_last;
    size_t skipped_blocks = 0;  // named blocks of names not read
    // A block that did not fit, or of an unknown block type, ended the walk
    // at damage_offset; the marks before it are kept.
    bool damaged = false;
    size_t damage_offset = 0;
};

// What the walk meets, block by block, in the order of the data. Every
// text, point list and picture handed over lies inside its block.
class BlockVisitor {
public:
    virtual ~BlockVisitor() = default;
    // A mark block: the attributes of its record (the other fields of mark
    // stay as they were).
    virtual void MarkBlock(Mark& mark) = 0;
    // "OiGroup", or with perLayerForm the Unicode writer's per-layer block.
    virtual void Group(std::wstring& name, bool perLayerForm, int32_t blockType) = 0;
    virtual void UnicodeGroup(std::wstring& name) = 0;  // "OiUGroup"
    // "OiIndex": the leading decimal number of its text, 0 when there is none.
    virtual void Index(uint32_t index, bool hasDigits, int32_t blockType) = 0;
    // "OiAnText": the ANSI text that fits in the block, up to its NUL.
    virtual void Text(int32_t orientation, uint32_t reserved, uint32_t creationScale, std::wstring& text) = 0;
    virtual void UnicodeText(std::wstring& text) = 0;  // "OiUText"
    // "OiAnoDat" after a line or freehand mark: the points the block holds,
    // at most the count it gives, relative to the mark's left and top.
    virtual void Points(uint32_t maxPoints, std::vector<POINT>& points) = 0;
    // "OiAnoDat" after an image mark, when it holds the whole record.
    virtual void Rotation(uint32_t rotation, uint32_t scale, const int32_t resolution[4]) = 0;
    // "OiDIB": a packed DIB that passed the checks (exactly its computed
    // size), or null and 0 for one that did not.
    virtual void Picture(const uint8_t* dib, size_t size) = 0;
    // Any other named block.
    virtual void Skipped() {}
};

// Walks size bytes at data. Returns 0, or QMK_ErrInvalidFile (1006) for
// data shorter than the header or not in the 32-bit Intel format, with no
// block visited. A mark block takes 172 bytes whatever its second dword
// says; a named block takes 20 bytes and its stated data length. A block
// that does not fit, or of a type other than 2, 5 or 6, ends the walk:
// damageOffset (when given) is then its position, else the size.
int WalkData(const void* data, size_t size, BlockVisitor& visitor, size_t* damageOffset = nullptr,
             uint32_t* headerWord = nullptr);

// Reads size bytes at data into out (cleared first): each mark with the
// blocks that follow it, the group and index blocks before it with it.
// Returns what WalkData returns; out is empty for 1006.
int ReadData(const void* data, size_t size, Data& out);

} // namespace wang
