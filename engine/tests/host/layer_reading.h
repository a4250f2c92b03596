#pragma once
// A layer's items as the tests read them back through the interface: the
// items and the selection in order, a rectangle, the count, and what was
// painted and burnt at chosen points. Every walk stops after a bound, so a
// broken list fails the test instead of hanging it.
#include <windows.h>

#include <vector>

#include "engine_test_host.h"

namespace engine_test {

// An annotate event as the recorders log it.
ChannelCall Event(int code, int data);

// The layer's items, bottom first.
std::vector<int> ItemOrder(AnnotationEngine* engine, int layer);
// The selected items, in the order the engine walks them.
std::vector<int> SelectedItems(AnnotationEngine* engine, int layer);
// An item's rectangle in image pixels; a failed read fails the test.
RECT ItemRectOf(AnnotationEngine* engine, int layer, int seq);
// The layer's item count, -1 when it cannot be read.
int ItemCountOf(AnnotationEngine* engine, int layer);

void ExpectRect(const RECT& expected, const RECT& actual, int slack = 0);

// A point of the picture and the colour expected there.
struct ColourProbe {
    const char* name;
    int x, y;
    COLORREF colour;
};
// Paints the host's items into a white 800 x 600 canvas and burns them into
// a white host image, and checks each probe in both. Returns the burnt image
// (the host's to free with the others it received).
HGLOBAL ExpectPaintedAndBurnt(TestHost& host, const std::vector<ColourProbe>& probes);

} // namespace engine_test
