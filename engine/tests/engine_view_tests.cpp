// The view through the interface: the image mapping dimensions, and which
// host view services a mouse message, key message or paint asks, in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_test_host.h"

using namespace engine_test;

namespace {

TEST(ImageMapping, DimensionsFollowTheSetAndTheImageChanges)
{
    EngineLibrary library;
    TestHost host(library);
    struct Step {
        const char* what;
        int width;
        int height;
    };
    int width = -1;
    int height = -1;
    host->PrgGetImageMappingDimensions(&width, &height);
    EXPECT_EQ(0, width);
    EXPECT_EQ(0, height);

    std::vector<Step> seen;
    host->PrgSetImageMappingDimensions(800, 600);
    host->PrgGetImageMappingDimensions(&width, &height);
    seen.push_back({"set", width, height});
    host->ImageRotated(0, 0, 90.0f);
    host->PrgGetImageMappingDimensions(&width, &height);
    seen.push_back({"rotated 90", width, height});
    host->ImageRotated(0, 0, 45.0f);
    host->PrgGetImageMappingDimensions(&width, &height);
    seen.push_back({"rotated 45", width, height});
    host->ImageRotated(0, 0, -270.0f);
    host->PrgGetImageMappingDimensions(&width, &height);
    seen.push_back({"rotated -270", width, height});
    RECT crop = {10, 20, 110, 70};
    host->ImageCropped(&crop, 0, 0);
    host->PrgGetImageMappingDimensions(&width, &height);
    seen.push_back({"cropped", width, height});

    const Step expected[] = {
        {"set", 800, 600},
        {"rotated 90", 600, 800},
        {"rotated 45", 600, 800},
        {"rotated -270", 800, 600},
        {"cropped", 100, 50},
    };
    ASSERT_EQ(sizeof(expected) / sizeof(expected[0]), seen.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(expected[i].width, seen[i].width) << expected[i].what;
        EXPECT_EQ(expected[i].height, seen[i].height) << expected[i].what;
    }
    // Null outs are skipped.
    host->PrgGetImageMappingDimensions(nullptr, nullptr);
}

// What a case does before it sends its message.
enum class Layers { None, NotCurrent, Current };
enum class Message { Mouse, Key, Paint, PaintToDevice };

struct RefreshCase {
    const char* name;
    Layers layers;
    bool interactive;
    int viewMode;
    Message message;
    std::vector<ServiceCall> expected;
};

using S = ServiceCall;

std::string NameOf(const testing::TestParamInfo<RefreshCase>& info)
{
    return info.param.name;
}

class ViewRefresh : public testing::TestWithParam<RefreshCase> {};

TEST_P(ViewRefresh, AsksTheHostsServicesInTheirOrder)
{
    const RefreshCase& c = GetParam();
    EngineLibrary library;
    TestHost host(library);
    host->PrgSetImageMappingDimensions(800, 600);
    host->SetViewMode(c.viewMode);
    if (c.layers != Layers::None)
        host->CreateLayer(c.layers == Layers::Current ? 1 : 0);
    if (c.interactive) {
        ASSERT_EQ(0, host->SetProperty(QMK_InteractMode, 1));
    }
    host.Services().log.clear();

    HWND window = nullptr;
    switch (c.message) {
    case Message::Mouse:
        // The layers' editing is not there yet: nothing takes the message.
        EXPECT_EQ(-1, host->MouseMessage(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20)));
        break;
    case Message::Key:
        EXPECT_EQ(-1, host->KeyMessage(window, WM_KEYDOWN, VK_LEFT, 0));
        break;
    case Message::Paint: {
        RECT view = {0, 0, 800, 600};
        EXPECT_EQ(-1, host->Paint(nullptr, &view, &view, 0, 0, 0, 0));
        break;
    }
    case Message::PaintToDevice: {
        HDC device = CreateCompatibleDC(nullptr);
        RECT view = {0, 0, 800, 600};
        EXPECT_EQ(-1, host->Paint(device, &view, &view, 0, 0, 0, 1));
        DeleteDC(device);
        break;
    }
    }
    EXPECT_EQ(c.expected, host.Services().log);
    // An engine-laid-out view is reported to the host at 100 percent.
    std::vector<int> reported;
    for (S call : c.expected)
        if (call == S::SetViewGeometry)
            reported.push_back(100);
    EXPECT_EQ(reported, host.Services().setViewGeometryValues);
}

const S kHostView[] = {S::GetResolution, S::GetViewGeometry, S::GetResolution};
const S kEngineView[] = {S::GetResolution, S::SetViewGeometry, S::GetResolution};
const S kFixedView[] = {S::GetResolution, S::GetFixedViewGeometry, S::GetResolution};

std::vector<S> Calls(const S (&calls)[3])
{
    return std::vector<S>(calls, calls + 3);
}

INSTANTIATE_TEST_SUITE_P(
    EveryMessage, ViewRefresh,
    testing::Values(
        RefreshCase{"MouseWithCurrentLayer", Layers::Current, false, 0, Message::Mouse, Calls(kHostView)},
        RefreshCase{"MouseWithoutLayers", Layers::None, false, 0, Message::Mouse, {}},
        RefreshCase{"MouseWithoutCurrentLayer", Layers::NotCurrent, false, 0, Message::Mouse, {}},
        RefreshCase{"MouseInteractiveWithoutCurrentLayer", Layers::NotCurrent, true, 0, Message::Mouse,
                    Calls(kHostView)},
        RefreshCase{"MouseInteractiveWithoutLayers", Layers::None, true, 0, Message::Mouse, {}},
        RefreshCase{"MouseInEngineLaidOutView", Layers::Current, false, 2, Message::Mouse,
                    Calls(kEngineView)},
        RefreshCase{"KeyWithCurrentLayer", Layers::Current, false, 0, Message::Key, Calls(kHostView)},
        RefreshCase{"KeyWithoutCurrentLayer", Layers::NotCurrent, false, 0, Message::Key, {}},
        RefreshCase{"PaintWithoutLayers", Layers::None, false, 0, Message::Paint, {}},
        RefreshCase{"PaintWithALayer", Layers::NotCurrent, false, 0, Message::Paint, Calls(kHostView)},
        RefreshCase{"PaintToAnotherDevice", Layers::NotCurrent, false, 0, Message::PaintToDevice,
                    Calls(kFixedView)},
        RefreshCase{"PaintToAnotherDeviceInEngineLaidOutView", Layers::Current, false, 2,
                    Message::PaintToDevice, Calls(kFixedView)}),
    NameOf);

TEST(ViewRefreshServices, TheLastServiceCookieIsUsedAndMissingServicesAreSkipped)
{
    EngineLibrary library;
    TestHost host(library);
    TestHost other(library);
    host->CreateLayer(1);
    // Services registered with another host's cookie are called with it.
    host->SetHostGetResolution(other.Cookie(), nullptr);
    host.Services().log.clear();
    other.Services().log.clear();
    host->MouseMessage(nullptr, WM_MOUSEMOVE, 0, 0);
    EXPECT_TRUE(host.Services().log.empty());
    EXPECT_EQ((std::vector<S>{S::GetViewGeometry}), other.Services().log);

    // Without any service the mapping dimensions are the view: nothing is asked.
    TestHost bare(library, false);
    bare->CreateLayer(1);
    bare->PrgSetImageMappingDimensions(640, 480);
    EXPECT_EQ(-1, bare->MouseMessage(nullptr, WM_MOUSEMOVE, 0, 0));
    EXPECT_EQ(-1, bare->KeyMessage(nullptr, WM_KEYDOWN, VK_UP, 0));
    EXPECT_TRUE(bare.Services().log.empty());
}

} // namespace
