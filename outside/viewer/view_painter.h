#pragma once
// Painting a picture as the view shows it: zoomed, scrolled, the rest of the
// area in the workspace colour.
#include "picture.h"

#include <windows.h>

namespace viewer {

// Paints into bounds of dc: the picture at zoom with its zoomed pixel
// (scrollX, scrollY) at the top-left corner of bounds. Grey and colour pages
// shown smaller are halftoned; 1-bit pages too, so thin lines stay visible.
// A very large image shown small is reduced from a fixed number of samples
// per shown pixel, so that painting stays quick and its memory bounded.
void PaintPicture(HDC dc, const RECT& bounds, const Picture& picture, double zoom, int scrollX,
                  int scrollY);

} // namespace viewer
