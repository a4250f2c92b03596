// The engine link with the real engine beside the program.
#include "../units/test_control.h"

#include <gtest/gtest.h>

using quillmark_test::RecordingSink;
using quillmark_test::TestControl;
using Lines = std::vector<std::string>;

TEST(RealEngine, LoadsWiresReportsItsOwnDefaultsAndFiresItsCallbacks)
{
    CoInitialize(nullptr);
    TestControl* control = TestControl::Create();
    ASSERT_EQ(S_OK, control->LoadEngine());
    ASSERT_NE(nullptr, control->Engine());
    // The engine's own default tool, not the control's table value.
    long tool = 0;
    EXPECT_EQ(S_OK, control->defaults.GetLong(QMK_DefaultTool, &tool));
    EXPECT_EQ(FreehandTool, tool);
    long interactMode = -1;
    EXPECT_EQ(S_OK, control->defaults.GetLong(QMK_InteractMode, &interactMode));
    EXPECT_EQ(0, interactMode);

    // A layer made current reports its tool (none yet) and reaches the host
    // as CurrentLayerChange.
    Lines events;
    RecordingSink* sink = quillmark_test::AdviseSink(control, &events);
    const int layer = control->Engine()->CreateLayer(1);
    ASSERT_NE(0, layer);
    EXPECT_EQ((Lines{"1(I4 1015,I4 0)", "5(I4 " + std::to_string(layer) + ")"}), events);

    // A default font change reaches the engine.
    IFont* font = nullptr;
    control->fonts.Font(quillmark::DefaultFont::Text)->QueryInterface(IID_IFont,
                                                                     reinterpret_cast<void**>(&font));
    font->put_Italic(TRUE);
    font->Release();
    LOGFONTA read = {};
    ASSERT_EQ(0, control->Engine()->GetProperty(QMK_DefaultTextFont,
                                                reinterpret_cast<EngineValue*>(&read)));
    EXPECT_EQ(1, read.lfItalic);
    EXPECT_STREQ("Arial", read.lfFaceName);

    sink->Unadvise();
    sink->Release();
    control->Release();
    EXPECT_EQ(nullptr, GetModuleHandleW(L"inkcore7.dll"));
    CoUninitialize();
}
