// The item members of a text item as a compiled host calls them through the
// IQuillmark vtable, with the real engine beside the control, on a layer
// read from a record written out by hand.
#include "layer_fixture.h"

#include "annotation_engine.h"
#include "layer_records.h"
#include "testkit.h"

namespace {

using formats_test::Hand;
using real_engine_test::ByteArray;

// A layer record with text item 1 at (100,75)-(300,225) in pixels of an
// 800 x 600 image.
std::vector<uint8_t> OneTextItem()
{
    Hand body;
    body.D(36762).R(36753, 1).D(36763);
    body.D(TextTool).D(36756).R(36765, 0x17);
    body.D(7).D(2097152).D(2097152).D(6291456).D(6291456);
    body.R(36751, 1).D(36757);
    Hand record;
    record.D(36754).D(36752).D(0).D(0).D(static_cast<uint32_t>(body.Size())).Str(L"Text");
    record.Raw(body.bytes()).D(36755);
    return record.bytes();
}

class TextItemMembers : public real_engine_test::ControlWithLayer {
protected:
    void SetUp() override
    {
        ControlWithLayer::SetUp();
        Load(OneTextItem());
    }
};

TEST_F(TextItemMembers, TextOrientationJustificationColoursAndFontReachTheEngine)
{
    const wchar_t* texts[] = {L"Plain", L"\x041C\x0438\x0440 \x4E16\x754C\r\nzwei"};
    for (const wchar_t* text : texts) {
        Bstr value(text);
        EXPECT_EQ(S_OK, control->PrgSetItemText(layer, 1, value.get()));
        Bstr read;
        EXPECT_EQ(S_OK, control->PrgGetItemText(layer, 1, read.out()));
        EXPECT_EQ(std::wstring(text), read.text());
    }

    long orientation = 0;
    EXPECT_EQ(S_OK, control->PrgSetItemTextOrientation(layer, 1, 900));
    EXPECT_EQ(S_OK, control->PrgGetItemTextOrientation(layer, 1, &orientation));
    EXPECT_EQ(900, orientation);
    EXPECT_TRUE(FAILED(control->PrgSetItemTextOrientation(layer, 1, 450)));
    EXPECT_EQ(S_OK, control->PrgGetItemTextOrientation(layer, 1, &orientation));
    EXPECT_EQ(900, orientation) << "a refused orientation changes nothing";

    textJustification justification = QMK_LeftJustify;
    EXPECT_EQ(S_OK, control->PrgSetItemTextJustification(layer, 1, QMK_CenterJustify));
    EXPECT_EQ(S_OK, control->PrgGetItemTextJustification(layer, 1, &justification));
    EXPECT_EQ(QMK_CenterJustify, justification);

    struct Colour {
        annotationATTRIBUTE attribute;
        OLE_COLOR value;
    };
    for (const Colour c : {Colour{QMK_TextColor, 0x0000FF}, Colour{QMK_BackColor, 0x00C0C0}}) {
        OLE_COLOR read = 0;
        EXPECT_EQ(S_OK, control->PrgSetItemColor(layer, 1, c.attribute, c.value));
        EXPECT_EQ(S_OK, control->PrgGetItemColor(layer, 1, c.attribute, &read));
        EXPECT_EQ(c.value, read) << c.attribute;
    }

    FONTDESC desc = {sizeof(FONTDESC), const_cast<LPOLESTR>(L"Times New Roman"), {}, FW_BOLD,
                     ANSI_CHARSET, FALSE, FALSE, FALSE};
    desc.cySize.int64 = 180000;  // 18 points
    IFontDisp* font = nullptr;
    ASSERT_EQ(S_OK, OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font)));
    EXPECT_EQ(S_OK, control->PrgSetItemFont(layer, 1, font));
    font->Release();
    IFontDisp* back = nullptr;
    ASSERT_EQ(S_OK, control->PrgGetItemFont(layer, 1, &back));
    ASSERT_NE(nullptr, back);
    IFont* asFont = nullptr;
    ASSERT_EQ(S_OK, back->QueryInterface(IID_IFont, reinterpret_cast<void**>(&asFont)));
    Bstr name;
    BOOL bold = FALSE;
    EXPECT_EQ(S_OK, asFont->get_Name(name.out()));
    EXPECT_EQ(S_OK, asFont->get_Bold(&bold));
    EXPECT_EQ(L"Times New Roman", name.text());
    EXPECT_TRUE(bold);
    asFont->Release();
    back->Release();
    // The text keeps its orientation whatever font it gets.
    EXPECT_EQ(S_OK, control->PrgGetItemTextOrientation(layer, 1, &orientation));
    EXPECT_EQ(900, orientation);
}

} // namespace
