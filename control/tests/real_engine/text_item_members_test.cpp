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

// A host reads the item into an element and appends the element again: the
// element carries the item's text, colours and rectangle in image pixels,
// and the new item lies where the first one lies.
TEST_F(TextItemMembers, PrgGetItemAttributesFillsAnElementThatMakesTheItemAgain)
{
    Bstr text(L"Noch einmal");
    ASSERT_EQ(S_OK, control->PrgSetItemText(layer, 1, text.get()));
    ASSERT_EQ(S_OK, control->PrgSetItemColor(layer, 1, QMK_TextColor, 0x0000FF));
    long element = 0;
    ASSERT_EQ(S_OK, control->ElementCreate(&element));
    ASSERT_EQ(S_OK, control->PrgGetItemAttributes(layer, 1, element));

    annotationTOOL type = PointerTool;
    EXPECT_EQ(S_OK, control->ElementGetType(element, &type));
    EXPECT_EQ(TextTool, type);
    Bstr read;
    EXPECT_EQ(S_OK, control->ElementGetText(element, read.out()));
    EXPECT_EQ(L"Noch einmal", read.text());
    OLE_COLOR colour = 0;
    EXPECT_EQ(S_OK, control->ElementGetTextColor(element, &colour));
    EXPECT_EQ(0x0000FFu, colour);
    long l = 0, t = 0, r = 0, b = 0;
    EXPECT_EQ(S_OK, control->ElementGetBoundingRect(element, &l, &t, &r, &b));
    EXPECT_EQ(100, l);
    EXPECT_EQ(75, t);
    EXPECT_EQ(300, r);
    EXPECT_EQ(225, b);

    ASSERT_EQ(S_OK, control->put_CurrentLayer(layer));
    long seq = 0;
    ASSERT_EQ(S_OK, control->ElementAppend(element, &seq));
    ASSERT_NE(0, seq);
    ASSERT_NE(1, seq);
    Bstr again;
    EXPECT_EQ(S_OK, control->PrgGetItemText(layer, seq, again.out()));
    EXPECT_EQ(L"Noch einmal", again.text());
    long first[4] = {}, second[4] = {};
    EXPECT_EQ(S_OK, control->PrgGetItemRect(layer, 1, &first[0], &first[1], &first[2], &first[3]));
    EXPECT_EQ(S_OK, control->PrgGetItemRect(layer, seq, &second[0], &second[1], &second[2], &second[3]));
    EXPECT_EQ(0, std::memcmp(first, second, sizeof(first)));

    // Errors come from the engine as every member's do.
    struct Row {
        const char* what;
        long layer;
        long seq;
        long element;
        unsigned code;
    };
    const Row rows[] = {
        {"unknown layer", layer + 1000, 1, element, 1013},
        {"unknown item", layer, 99, element, 1026},
        {"unknown element", layer, 1, element + 1000, 1048},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(static_cast<HRESULT>(0x80040000u + row.code),
                  control->PrgGetItemAttributes(row.layer, row.seq, row.element));
        EXPECT_EQ(row.code, TakeErrorInfo().helpContext);
    }
    EXPECT_EQ(S_OK, control->ElementDestroy(element));
}

} // namespace
