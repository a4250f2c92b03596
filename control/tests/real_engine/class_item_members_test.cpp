// The item members of stamps, pictures and buttons as a compiled host calls
// them through the IQuillmark vtable, with the real engine beside the
// control, on a layer read from a record written out by hand: what each
// class holds of its own, written and read back.
#include "layer_fixture.h"

#include "annotation_engine.h"
#include "layer_records.h"
#include "packed_dib.h"

namespace {

HRESULT Reported(int code)
{
    return static_cast<HRESULT>(0x80040000u + static_cast<unsigned>(code));
}

// Stamp 1 at (100,75)-(300,150), picture 2 at (400,75)-(500,150) and button
// 3 at (100,300)-(300,375), in pixels of an 800 x 600 image.
std::vector<uint8_t> StampPictureButton()
{
    return real_engine_test::LayerOfItems(
        L"Classes", {{StampTool, 1, {2097152, 2097152, 6291456, 4194304}},
                     {ImageTool, 2, {8388608, 2097152, 10485760, 4194304}},
                     {ButtonTool, 3, {2097152, 8388608, 6291456, 10485760}}});
}

class ClassItemMembers : public real_engine_test::ControlWithLayer {
protected:
    void SetUp() override
    {
        ControlWithLayer::SetUp();
        Load(StampPictureButton());
    }
};

TEST_F(ClassItemMembers, EachItemKnowsItsClass)
{
    const annotationTOOL types[] = {StampTool, ImageTool, ButtonTool};
    for (long seq = 1; seq <= 3; ++seq) {
        annotationTOOL type = PointerTool;
        EXPECT_EQ(S_OK, control->PrgGetItemType(layer, seq, &type));
        EXPECT_EQ(types[seq - 1], type) << seq;
    }
}

TEST_F(ClassItemMembers, TextsOrientationsAndColoursOfStampsAndButtons)
{
    for (long seq : {1L, 3L}) {
        SCOPED_TRACE(seq);
        Bstr loaded;
        EXPECT_EQ(S_OK, control->PrgGetItemText(layer, seq, loaded.out()));
        EXPECT_EQ(L"", loaded.text()) << "a loaded item has no text of the tool's";
        Bstr text(L"PAID \x20AC 10\r\nin full");
        EXPECT_EQ(S_OK, control->PrgSetItemText(layer, seq, text.get()));
        Bstr read;
        EXPECT_EQ(S_OK, control->PrgGetItemText(layer, seq, read.out()));
        EXPECT_EQ(text.text(), read.text());
    }

    // The stamp turns its text in quarter turns only.
    long orientation = -1;
    EXPECT_EQ(S_OK, control->PrgSetItemTextOrientation(layer, 1, 2700));
    EXPECT_EQ(S_OK, control->PrgGetItemTextOrientation(layer, 1, &orientation));
    EXPECT_EQ(2700, orientation);
    EXPECT_EQ(Reported(1040), control->PrgSetItemTextOrientation(layer, 1, 450));
    EXPECT_EQ(S_OK, control->PrgGetItemTextOrientation(layer, 1, &orientation));
    EXPECT_EQ(2700, orientation);

    struct Colour {
        long seq;
        annotationATTRIBUTE attribute;
        OLE_COLOR value;
    };
    const Colour colours[] = {
        {1, QMK_TextColor, 0x0000FF}, {1, QMK_BackColor, 0x00C0C0}, {1, QMK_PenColor, 0x102030},
        {3, QMK_TextColor, 0x00FF00}, {3, QMK_BackColor, 0x808080},
        {3, QMK_BevelLightColor, 0xF0F0F0}, {3, QMK_BevelShadowColor, 0x404040},
    };
    for (const Colour& c : colours) {
        OLE_COLOR read = 0;
        EXPECT_EQ(S_OK, control->PrgSetItemColor(layer, c.seq, c.attribute, c.value));
        EXPECT_EQ(S_OK, control->PrgGetItemColor(layer, c.seq, c.attribute, &read));
        EXPECT_EQ(c.value, read) << c.seq << ": " << c.attribute;
    }

    // The stamp's back style in the host's numbers.
    for (AnnBackstyle style : {static_cast<AnnBackstyle>(2), static_cast<AnnBackstyle>(1)}) {
        AnnBackstyle read = static_cast<AnnBackstyle>(0);
        EXPECT_EQ(S_OK, control->PrgSetItemBackstyle(layer, 1, style));
        EXPECT_EQ(S_OK, control->PrgGetItemBackstyle(layer, 1, &read));
        EXPECT_EQ(style, read);
    }
}

TEST_F(ClassItemMembers, StampsAndButtonsTakeAFontAndPicturesRefuseOne)
{
    FONTDESC desc = {sizeof(FONTDESC), const_cast<LPOLESTR>(L"Times New Roman"), {}, FW_BOLD,
                     ANSI_CHARSET, TRUE, FALSE, FALSE};
    desc.cySize.int64 = 200000;  // 20 points
    IFontDisp* font = nullptr;
    ASSERT_EQ(S_OK, OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font)));
    for (long seq : {1L, 3L}) {
        SCOPED_TRACE(seq);
        EXPECT_EQ(S_OK, control->PrgSetItemFont(layer, seq, font));
        IFontDisp* back = nullptr;
        ASSERT_EQ(S_OK, control->PrgGetItemFont(layer, seq, &back));
        ASSERT_NE(nullptr, back);
        IFont* asFont = nullptr;
        ASSERT_EQ(S_OK, back->QueryInterface(IID_IFont, reinterpret_cast<void**>(&asFont)));
        Bstr name;
        BOOL bold = FALSE, italic = FALSE;
        EXPECT_EQ(S_OK, asFont->get_Name(name.out()));
        EXPECT_EQ(S_OK, asFont->get_Bold(&bold));
        EXPECT_EQ(S_OK, asFont->get_Italic(&italic));
        EXPECT_EQ(L"Times New Roman", name.text());
        EXPECT_TRUE(bold);
        EXPECT_TRUE(italic);
        asFont->Release();
        back->Release();
    }
    // A turned stamp keeps its turn whatever font it gets.
    EXPECT_EQ(S_OK, control->PrgSetItemTextOrientation(layer, 1, 900));
    EXPECT_EQ(S_OK, control->PrgSetItemFont(layer, 1, font));
    long orientation = 0;
    EXPECT_EQ(S_OK, control->PrgGetItemTextOrientation(layer, 1, &orientation));
    EXPECT_EQ(900, orientation);
    font->Release();

    // The font dialog is for items with text: a picture is refused before it opens.
    VARIANT_BOOL chosen = VARIANT_TRUE;
    Bstr title(L"Font");
    EXPECT_EQ(S_FALSE, control->UserItemFontSelect(layer, 2, title.get(), 0, &chosen));
    EXPECT_EQ(VARIANT_FALSE, chosen);
}

TEST_F(ClassItemMembers, APictureIsTheItemsOwnCopyAndEveryReadIsTheCallers)
{
    long handle = -1;
    EXPECT_EQ(S_OK, control->PrgGetItemDIB(layer, 2, &handle));
    EXPECT_EQ(0, handle) << "a loaded picture item holds no picture of the tool's";

    // 4 x 2 pixels of 24 bits.
    const size_t size = sizeof(BITMAPINFOHEADER) + 2 * 12;
    HGLOBAL given = testkit::CountingPackedDib(24, 4, 2, 2 * 12);
    const std::vector<BYTE> bytes = testkit::BlockBytes(given, size);
    EXPECT_EQ(S_OK, control->PrgSetItemDIB(layer, 2, static_cast<long>(reinterpret_cast<intptr_t>(given))));
    // The caller's block stays the caller's.
    EXPECT_EQ(bytes, testkit::BlockBytes(given, size));
    GlobalFree(given);

    long first = 0, second = 0;
    EXPECT_EQ(S_OK, control->PrgGetItemDIB(layer, 2, &first));
    EXPECT_EQ(S_OK, control->PrgGetItemDIB(layer, 2, &second));
    HGLOBAL a = reinterpret_cast<HGLOBAL>(static_cast<intptr_t>(first));
    HGLOBAL b = reinterpret_cast<HGLOBAL>(static_cast<intptr_t>(second));
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_EQ(bytes, testkit::BlockBytes(a, size));
    EXPECT_EQ(bytes, testkit::BlockBytes(b, size));
    GlobalFree(a);
    GlobalFree(b);

    OLE_COLOR key = 0;
    EXPECT_EQ(S_OK, control->PrgSetItemTransparentColor(layer, 2, 0xFF00FF));
    EXPECT_EQ(S_OK, control->PrgGetItemTransparentColor(layer, 2, &key));
    EXPECT_EQ(0xFF00FFu, key);
    AnnBackstyle style = static_cast<AnnBackstyle>(0);
    EXPECT_EQ(S_OK, control->PrgSetItemBackstyle(layer, 2, static_cast<AnnBackstyle>(2)));
    EXPECT_EQ(S_OK, control->PrgGetItemBackstyle(layer, 2, &style));
    EXPECT_EQ(static_cast<AnnBackstyle>(2), style);

    // The picture goes with the layer and comes back whole.
    VARIANT saved;
    VariantInit(&saved);
    long count = 0;
    ASSERT_EQ(S_OK, control->GetLayerIntoVariant(&saved, layer, &count));
    long again = 0;
    ASSERT_EQ(S_OK, control->SetLayerFromVariant(&saved, &again));
    VariantClear(&saved);
    ASSERT_NE(0, again);
    EXPECT_EQ(S_OK, control->PrgGetItemDIB(again, 2, &first));
    a = reinterpret_cast<HGLOBAL>(static_cast<intptr_t>(first));
    EXPECT_EQ(bytes, testkit::BlockBytes(a, size));
    if (a)
        GlobalFree(a);
}

TEST_F(ClassItemMembers, ClassMembersOnTheWrongKindOfItemAreRefused)
{
    // A picture has no text to turn, a stamp no picture and no transparent colour.
    EXPECT_EQ(Reported(QMK_ErrInvalidAttribute), control->PrgSetItemTextOrientation(layer, 2, 900));
    long handle = -1;
    EXPECT_EQ(Reported(QMK_ErrInvalidAttribute), control->PrgGetItemDIB(layer, 1, &handle));
    OLE_COLOR key = 0;
    EXPECT_EQ(Reported(QMK_ErrInvalidAttribute), control->PrgGetItemTransparentColor(layer, 1, &key));
    // A button turns its caption with the image alone.
    EXPECT_EQ(Reported(QMK_ErrInvalidAttribute), control->PrgSetItemTextOrientation(layer, 3, 900));
    // An item that is not there.
    annotationTOOL type = PointerTool;
    EXPECT_EQ(Reported(QMK_ErrItemNotFound), control->PrgGetItemType(layer, 9, &type));
}

} // namespace
