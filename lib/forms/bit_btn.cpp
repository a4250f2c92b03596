#include "forms/bit_btn.h"

#include "forms/bitmap_file.h"

namespace forms {

BitBtn::BitBtn(Control& parent, const std::string& name, const Rect& bounds, const std::string& caption)
    : Button(parent, name)
{
    CreateStandard("BUTTON", WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, bounds, caption);
}

BitBtn::~BitBtn()
{
    if (glyph_)
        DeleteObject(glyph_);
}

void BitBtn::Replace(HBITMAP glyph)
{
    if (glyph_)
        DeleteObject(glyph_);
    glyph_ = glyph;
    InvalidateRect(Handle(), nullptr, TRUE);
}

bool BitBtn::LoadGlyph(const std::string& path)
{
    HBITMAP glyph = LoadBitmapFile(path);
    Replace(glyph);
    return glyph != nullptr;
}

void BitBtn::SetGlyph(HBITMAP glyph)
{
    Replace(glyph ? static_cast<HBITMAP>(CopyImage(glyph, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)) : nullptr);
}

bool BitBtn::DrawItem(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    bool pushed = (item.itemState & ODS_SELECTED) != 0;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    int shift = pushed ? 1 : 0;

    std::string caption = Caption();
    HGDIOBJ oldFont = SelectObject(dc, StandardFont());
    SIZE text = {};
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    BITMAP bm = {};
    if (glyph_)
        GetObjectA(glyph_, sizeof bm, &bm);
    int gap = glyph_ && !caption.empty() ? 4 : 0;
    int total = bm.bmWidth + gap + text.cx;
    int x = r.left + (r.right - r.left - total) / 2 + shift;
    int midY = (r.top + r.bottom) / 2 + shift;

    if (glyph_) {
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, glyph_);
        BitBlt(dc, x, midY - bm.bmHeight / 2, bm.bmWidth, bm.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    RECT t = {x + bm.bmWidth + gap, r.top, r.right, r.bottom};
    OffsetRect(&t, 0, shift);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    if (item.itemState & ODS_FOCUS) {
        RECT f = r;
        InflateRect(&f, -4, -4);
        DrawFocusRect(dc, &f);
    }
    return true;
}

} // namespace forms
