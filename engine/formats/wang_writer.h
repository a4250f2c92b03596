#pragma once
// Builds Wang/Oi annotation data (TIFF tag 32932, laid out in wang_layout.h)
// from mark records, in the block order of this system's two writers:
//
//   header;
//   per layer, oldest first: with layers preserved its group block (type 2
//   for the first layer, else 6; "OiGroup" with the name in ANSI, or from
//   the Unicode writer "OIUGROUP", whose unnamed layer has the 42-byte
//   form); then per mark: without layers preserved [Unicode: "OiUGroup"]
//   and "OiGroup" "[Untitled]", then "OiIndex", the mark block and the
//   mark's own blocks (type 6): for text marks [Unicode: "OiUGroup",
//   "OiUText"] and "OiAnText"; for lines "OiAnoDat" with the points; for
//   pictures "OiDIB" and the "OiAnoDat" rotation record;
//   closing: "OiGroup" "[Untitled]" and "OiIndex" with the next free index.
//
// The group and index blocks before the first mark written from the first
// layer carry type 2; every other block type 6.
#include "formats/wang_reader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wang {

enum class Form { kAnsi, kUnicode };

struct MarkToWrite {
    // The attributes, and by type the text (7, 9, 10: text, orientation and
    // creation scale), the points (3, 4: relative to the bounds' left and
    // top), or the picture and its resolution (1: dib, resolution[0..1]
    // horizontal and vertical dots per inch).
    Mark mark;
    uint32_t index = 0;
};

struct LayerToWrite {
    std::wstring name;
    std::vector<MarkToWrite> marks;
};

// Appends the whole data to out. False when memory ran short (out is then
// left empty).
bool WriteData(const std::vector<LayerToWrite>& layersOldestFirst, Form form, bool preserveLayers,
               uint32_t nextFreeIndex, std::vector<uint8_t>& out);

} // namespace wang
