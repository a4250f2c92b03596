#include "layer_reading.h"

#include <gtest/gtest.h>

#include "dib_canvas.h"
#include "packed_images.h"

namespace engine_test {

namespace {
constexpr size_t kMostItems = 100;
} // namespace

ChannelCall Event(int code, int data)
{
    return {Channel_AnnotateEvent, {code, data}};
}

std::vector<int> ItemOrder(AnnotationEngine* engine, int layer)
{
    std::vector<int> order;
    int seq = 0;
    for (engine->PrgGetFirstItem(layer, &seq); seq != 0 && order.size() < kMostItems;
         engine->PrgGetNextItem(layer, &seq))
        order.push_back(seq);
    return order;
}

std::vector<int> SelectedItems(AnnotationEngine* engine, int layer)
{
    std::vector<int> selected;
    int seq = 0;
    for (engine->PrgGetFirstSelected(layer, &seq); seq != 0 && selected.size() < kMostItems;
         engine->PrgGetNextSelected(layer, &seq))
        selected.push_back(seq);
    return selected;
}

RECT ItemRectOf(AnnotationEngine* engine, int layer, int seq)
{
    RECT rect = {};
    EXPECT_EQ(0, engine->PrgGetItemRect(layer, seq, &rect)) << "item " << seq;
    return rect;
}

int ItemCountOf(AnnotationEngine* engine, int layer)
{
    int count = -1;
    engine->PrgGetItemCount(layer, &count);
    return count;
}

void ExpectRect(const RECT& expected, const RECT& actual, int slack)
{
    EXPECT_NEAR(expected.left, actual.left, slack);
    EXPECT_NEAR(expected.top, actual.top, slack);
    EXPECT_NEAR(expected.right, actual.right, slack);
    EXPECT_NEAR(expected.bottom, actual.bottom, slack);
}

HGLOBAL ExpectPaintedAndBurnt(TestHost& host, const std::vector<ColourProbe>& probes)
{
    testkit::DibCanvas canvas(800, 600);
    EXPECT_EQ(-1, host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0));
    for (const ColourProbe& probe : probes)
        EXPECT_EQ(probe.colour, canvas.At(probe.x, probe.y)) << "painted: " << probe.name;

    host.Services().picture = WhiteImage(800, 600);
    EXPECT_EQ(0, host->Brand(24));
    const size_t received = host.Services().receivedImages.size();
    EXPECT_EQ(1u, received);
    if (received == 0)
        return nullptr;
    HGLOBAL burnt = host.Services().receivedImages.back();
    for (const ColourProbe& probe : probes)
        EXPECT_EQ(probe.colour, PixelOf24(burnt, probe.x, probe.y)) << "burnt: " << probe.name;
    return burnt;
}

} // namespace engine_test
