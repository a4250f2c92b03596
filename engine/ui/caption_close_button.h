#pragma once
// The close button of the tool palette's caption, drawn by the engine: a
// cross of lines on a raised (or, while pressed, sunken) button face. The
// frame's own drawing of the button needs a glyph font that not every
// system has, and shows a letter without it; the frame draws the button
// again over it after each caption paint, and tracks a press itself.
#include <windows.h>

namespace caption_close {

// The button's square in window coordinates: at the right end of the
// caption, as high as the caption's face.
RECT ButtonRect(HWND frame);
// Draws a button with its cross into a device.
void Draw(HDC dc, const RECT& rect, bool pressed);
// Paints the button over the caption of the frame; active chooses the
// caption colour around it.
void Paint(HWND frame, bool active, bool pressed);
// A press of the left button on the close button: the button shows itself
// pressed while the mouse is held over it, and a release over it closes
// the frame (WM_SYSCOMMAND SC_CLOSE).
void Track(HWND frame, bool active);

} // namespace caption_close
