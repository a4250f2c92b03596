#pragma once
// The small pictures of the result viewers' buttons, drawn in code: the four
// zoom buttons of the view tool bars and the previous/next result buttons.
#include <windows.h>

namespace platform {

enum class ViewerGlyph { ZoomIn, ZoomOut, ActualSize, Fit, Previous, Next };

// A new 16 x 16 bitmap of the glyph on the button face colour (the bottom-left
// pixel is always that colour, so tool bars see through it). The caller
// deletes it (DeleteObject).
HBITMAP MakeViewerGlyph(ViewerGlyph glyph);

} // namespace platform
