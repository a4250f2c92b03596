// The attribute properties of the current tool with the real engine beside
// the registered control: what a host puts for the current layer's tool is
// what it reads back, through the property and through the per-tool getters.
#include "layer_fixture.h"

#include "annotation_engine.h"
#include "layer_records.h"

namespace {

using real_engine_test::ByteArray;
using real_engine_test::TwoRectangles;

class ToolMembers : public real_engine_test::ControlWithLayer {
protected:
    void SetUp() override
    {
        ControlWithLayer::SetUp();
        Load(TwoRectangles());
        if (HasFatalFailure())
            return;
        ASSERT_EQ(S_OK, control->SetCurrentLayer(layer));
    }
};

TEST_F(ToolMembers, ColoursAndWidthsOfTheCurrentToolReadBack)
{
    struct Case {
        annotationTOOL tool;
        HRESULT (STDMETHODCALLTYPE IQuillmark::*put)(OLE_COLOR);
        HRESULT (STDMETHODCALLTYPE IQuillmark::*get)(OLE_COLOR*);
        HRESULT (STDMETHODCALLTYPE IQuillmark::*perTool)(long, annotationTOOL, OLE_COLOR*);
        OLE_COLOR value;
    };
    const Case cases[] = {
        {RectangleTool, &IQuillmark::put_PenColor, &IQuillmark::get_PenColor,
         &IQuillmark::GetPenColor, 0x0000FF},
        {RectangleTool, &IQuillmark::put_FillColor, &IQuillmark::get_FillColor,
         &IQuillmark::GetFillColor, 0x00FF00},
        {TextTool, &IQuillmark::put_TextColor, &IQuillmark::get_TextColor,
         &IQuillmark::GetTextColor, 0x123456},
        {TextTool, &IQuillmark::put_BackColor, &IQuillmark::get_BackColor,
         &IQuillmark::GetBackColor, 0x00FFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tool << " " << c.value);
        ASSERT_EQ(S_OK, control->SetTool(layer, c.tool));
        EXPECT_EQ(S_OK, (control->*c.put)(c.value));
        OLE_COLOR got = 0;
        EXPECT_EQ(S_OK, (control->*c.get)(&got));
        EXPECT_EQ(c.value, got);
        got = 0;
        EXPECT_EQ(S_OK, (control->*c.perTool)(layer, c.tool, &got));
        EXPECT_EQ(c.value, got);
    }

    ASSERT_EQ(S_OK, control->SetTool(layer, LineTool));
    EXPECT_EQ(S_OK, control->put_PenWidth(9));
    long width = 0;
    EXPECT_EQ(S_OK, control->get_PenWidth(&width));
    EXPECT_EQ(9, width);
    EXPECT_EQ(S_OK, control->put_LineEndStyle(LineStyle_Arrow));
    LineEndStyle end = LineStyle_Plain;
    EXPECT_EQ(S_OK, control->get_LineEndStyle(&end));
    EXPECT_EQ(LineStyle_Arrow, end);
}

TEST_F(ToolMembers, FlagsAndTextOfTheCurrentToolReadBack)
{
    ASSERT_EQ(S_OK, control->SetTool(layer, TextTool));
    EXPECT_EQ(S_OK, control->put_HighlightBack(VARIANT_TRUE));
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(S_OK, control->get_HighlightBack(&flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    EXPECT_EQ(S_OK, control->GetHighlightBack(layer, TextTool, &flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    EXPECT_EQ(S_OK, control->put_HighlightBack(VARIANT_FALSE));
    EXPECT_EQ(S_OK, control->get_HighlightBack(&flag));
    EXPECT_EQ(VARIANT_FALSE, flag);

    ASSERT_EQ(S_OK, control->SetTool(layer, StampTool));
    BSTR text = SysAllocString(L"RECEIVED");
    EXPECT_EQ(S_OK, control->put_Text(text));
    SysFreeString(text);
    text = nullptr;
    EXPECT_EQ(S_OK, control->get_Text(&text));
    EXPECT_STREQ(L"RECEIVED", text);
    SysFreeString(text);
    // The attributes belong to the tool: the text tool's own text is not it.
    text = nullptr;
    control->GetText(layer, TextTool, &text);
    EXPECT_TRUE(text == nullptr || wcscmp(text, L"RECEIVED") != 0);
    SysFreeString(text);
}

} // namespace
