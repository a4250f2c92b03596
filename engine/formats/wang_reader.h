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

// Reads size bytes at data into out (cleared first). Returns 0, or
// QMK_ErrInvalidFile (1006) for data shorter than the header or not in the
// 32-bit Intel format; out is then empty.
int ReadData(const void* data, size_t size, Data& out);

} // namespace wang
