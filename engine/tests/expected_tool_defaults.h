#pragma once
// The default attributes of every tool after start, as the tests expect
// them: one row per attribute code, one cell per tool 4097 (text) to 4107
// (ruler). Written out by hand; shared by the tests of the settings unit and
// of the engine's interface.
#include <climits>

namespace expected_tools {

// Cells of the tool table.
constexpr int NA = INT_MIN;           // the tool has no such attribute
constexpr int TXT = INT_MIN + 1;      // an empty text
constexpr int FONT = INT_MIN + 2;     // the tool's default font
constexpr int BTNTEXT = INT_MIN + 3;  // system colours at start
constexpr int BTNFACE = INT_MIN + 4;
constexpr int LIGHT3D = INT_MIN + 5;
constexpr int SHADOW = INT_MIN + 6;

struct ToolRow {
    int attribute;
    int cells[11];  // tools 4097 text .. 4107 ruler
};

inline const ToolRow kToolTable[] = {
    {1, {0xFF10FF, 0xFF0000, 0xFF0000, 0xFFFF00, 0x8020FF, 0xFF0000, 0xFF00FF, 0xFF00FF, 0xFF0000, NA, 0xFF0000}},
    {2, {0, NA, NA, NA, NA, NA, NA, 255, NA, BTNTEXT, 0}},
    {3, {0xFFFFFF, NA, NA, NA, NA, NA, NA, 0xC00000, NA, BTNFACE, 0xFFFFFF}},
    {4, {NA, 0x00FF00, 0xFFFF00, 255, NA, NA, NA, NA, 0x00FF00, NA, NA}},
    {5, {0, 1, 1, 2, 2, 2, 2, 0, 1, 4, 2}},
    {7, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {8, {0, NA, NA, NA, NA, NA, NA, 0, NA, NA, NA}},
    {9, {NA, 0, 0, 0, NA, NA, NA, NA, NA, NA, NA}},
    {10, {TXT, NA, NA, NA, NA, NA, NA, TXT, NA, TXT, NA}},
    {11, {FONT, NA, NA, NA, NA, NA, NA, FONT, NA, FONT, FONT}},
    {13, {NA, NA, NA, NA, NA, 0, NA, NA, NA, NA, 0}},
    {14, {NA, NA, NA, NA, NA, 0, NA, NA, NA, NA, 0}},
    {15, {NA, NA, NA, NA, NA, NA, NA, NA, 0xFFFFFF, NA, NA}},
    {16, {3002, 3002, 3002, 3002, NA, NA, NA, 3001, 3002, NA, 3001}},
    {17, {NA, NA, NA, NA, NA, NA, NA, NA, 0, NA, NA}},
    {18, {1, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}},
    {19, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {20, {0, NA, NA, NA, NA, NA, NA, 1, 0, 0, NA}},
    {21, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {22, {NA, NA, NA, NA, NA, NA, NA, NA, NA, LIGHT3D, NA}},
    {23, {NA, NA, NA, NA, NA, NA, NA, NA, NA, SHADOW, NA}},
    {24, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {25, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {26, {NA, NA, NA, NA, 0, 0, 0, NA, NA, NA, 0}},
    {27, {NA, NA, NA, NA, 5513, 5513, 5513, NA, NA, NA, 5513}},
    {28, {0, NA, NA, NA, NA, NA, NA, 0, NA, NA, NA}},
    {29, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {33, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {34, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {36, {NA, 0, NA, NA, NA, NA, NA, NA, NA, NA, NA}},
    {37, {0, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}},
    {38, {5999, 5999, 5999, 5999, NA, NA, NA, 5999, 5999, NA, NA}},
    {39, {0, 0, 0, 0, NA, NA, NA, 0, 0, NA, NA}},
    {41, {7000, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}},
    {640, {TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT}},
    {1024, {NA, NA, NA, 0, 0, 0, 0, NA, NA, NA, 0}},
    {1280, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {1281, {TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT}},
    {1800, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {2112, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 0}},
    {2113, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 2049}},
    {2114, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, -1}},
    {2115, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 30}},
    {2116, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 2}},
    {2117, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, -1}},
    {2118, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 0}},
    {36719, {7, 6, NA, NA, NA, NA, NA, 9, NA, NA, NA}},
    {36721, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {36751, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {36764, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
};

} // namespace expected_tools
