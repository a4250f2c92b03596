#include "ui/context_menu_builder.h"

#include <commdlg.h>

#include <string>

#include "engine_codes.h"
#include "engine_object.h"

namespace {
// Sub-items of the attributes with a list of values: code, sub-item ids.
struct ValueList {
    int code;
    std::vector<int> subIds;
};
const ValueList kValueLists[] = {
    {QMK_BackStyle, {BackStyle_Opaque, BackStyle_Transparent, BackStyle_Translucent}},
    {26, {5000, 5001, 5002, 5003, 5004}},
    {27, {5513, 5509, 5507}},
    {38, {5999, 6000, 6001, 6002, 6003, 6004, 6005}},
    {41, {7000, 7001, 7002}},
    {QMK_MeasureChoice, {2049, 2050, 2051, 2052, 2053, 2054, 2055, 2056, 2057, 2058, 2059, 2061,
                         2062}},
};
constexpr int kBackStyleMenuId = 3000;
constexpr int kPenStyleBase = 5000;
constexpr int kCommandSeparator = 4100;
constexpr int kHostSeparator = 4110;
constexpr int kWidenedMargin = 10000;

const int kFlagCodes[] = {19, 25, 33, 37, QMK_ShowAbbr, QMK_ShowLength, QMK_ShowGauge};
const int kColourCodes[] = {1, 2, 3, 4, 15, 22, 23, 39};

template <size_t N>
bool IsOneOf(int code, const int (&codes)[N])
{
    for (int c : codes)
        if (c == code)
            return true;
    return false;
}

const ValueList* ValueListOf(int code)
{
    for (const ValueList& list : kValueLists)
        if (list.code == code)
            return &list;
    return nullptr;
}

// The commands in menu order.
const int kCommands[] = {QMK_NudgeUp, QMK_NudgeDn, QMK_BringItemToFront, QMK_SendItemToBack,
                         QMK_Cut,     QMK_Copy,    QMK_Paste,            QMK_Delete};

struct Bstr {
    BSTR text = nullptr;
    ~Bstr() { SysFreeString(text); }
    bool Empty() const { return !text || SysStringLen(text) == 0; }
};

BSTR Number(int n)
{
    return SysAllocString(std::to_wstring(n).c_str());
}

// Both dialogs open without a title at the cursor.
UINT_PTR CALLBACK DialogHook(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetWindowTextA(dialog, "");
        POINT cursor = {};
        GetCursorPos(&cursor);
        SetWindowPos(dialog, nullptr, cursor.x, cursor.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    return FALSE;
}
} // namespace

void ContextMenuBuilder::AddOwn(PopupMenuList& list, int id, int subId, BSTR caption, int checked,
                         int flagId, int flagSubId)
{
    const ContextMenuList::Item* entry = engine_.ContextMenu().Find(flagId, flagSubId);
    const int enabled = entry ? entry->enabled : 1;
    const int visible = entry ? entry->visible : 1;
    list.AddWithFlags(id, subId, caption, 0, 0, checked, enabled, visible);
}

int ContextMenuBuilder::ItemValue(int layer, int seq, int code)
{
    // The font is no number: it is read whole, into a LOGFONT, where it is needed.
    if (code == QMK_Logfont)
        return 0;
    EngineValue value = 0;
    engine_.PrgGetItemAttribute(layer, seq, code, &value);
    return static_cast<int>(value);
}

bool ContextMenuBuilder::Build(int layer, int seq, PopupMenuList& list)
{
    list.Clear();
    AnnotationLayer* found = engine_.FindLayer(layer);
    Annotation* item = found ? found->FindItem(seq) : nullptr;
    if (!item)
        return false;
    AddAttributeItems(layer, seq, item->Type(), list);
    AddCommandItems(layer, seq, list);
    AddHostItems(list);
    return true;
}

void ContextMenuBuilder::AddAttributeItems(int layer, int seq, int type, PopupMenuList& list)
{
    const ToolDefaults::Map* defaults = engine_.Settings().Tools().MapOf(type);
    if (!defaults)
        return;
    const ContextMenuList& strings = engine_.ContextMenu();
    for (const auto& entry : *defaults) {
        const int code = entry.first;
        if (!ContextMenuList::IsOwnAttribute(code))
            continue;
        Bstr caption;
        strings.GetString(code, 0, &caption.text);
        if (caption.Empty())
            continue;
        const int value = ItemValue(layer, seq, code);
        if (code == QMK_PenWidth || code == 28) {
            // Numbers: pen widths 0 to 9, orientations 0, 90, 180 and 270.
            AddOwn(list, code, 0, caption.text, 0, code, 0);
            const int count = code == QMK_PenWidth ? 10 : 4;
            for (int i = 0; i < count; ++i) {
                const int shown = code == QMK_PenWidth ? i : i * 90;
                const int subId = code == QMK_PenWidth ? i + 1 : shown + 1;
                const bool ticked = code == QMK_PenWidth ? value == i : value / 10 == shown;
                Bstr number;
                number.text = Number(shown);
                list.AddWithFlags(code, subId, number.text, 0, 0, ticked ? 1 : 0, 1, 1);
            }
            continue;
        }
        if (const ValueList* values = ValueListOf(code)) {
            const bool backStyle = code == QMK_BackStyle;
            const int menuId = backStyle ? kBackStyleMenuId : code;
            struct Sub {
                int id;
                Bstr caption;
            };
            std::vector<Sub> subs(values->subIds.size());
            size_t kept = 0;
            for (int subId : values->subIds) {
                if (backStyle && subId == BackStyle_Translucent && type == RulerTool)
                    continue;
                Sub& sub = subs[kept];
                strings.GetString(code, subId, &sub.caption.text);
                if (sub.caption.Empty())
                    continue;
                sub.id = subId;
                ++kept;
            }
            if (kept == 0)
                continue;
            AddOwn(list, menuId, 0, caption.text, 0, code, 0);
            for (size_t i = 0; i < kept; ++i) {
                const int subId = subs[i].id;
                const bool ticked =
                    code == 26 ? (value == subId - kPenStyleBase || value == subId)
                               : value == subId;
                // The host keeps the flags of the back styles under the attribute's code.
                AddOwn(list, menuId, subId, subs[i].caption.text, ticked ? 1 : 0, code, subId);
            }
            continue;
        }
        const bool ticked = IsOneOf(code, kFlagCodes) && value != 0;
        AddOwn(list, code, 0, caption.text, ticked ? 1 : 0, code, 0);
    }
}

void ContextMenuBuilder::AddCommandItems(int layer, int seq, PopupMenuList& list)
{
    AnnotationLayer* found = engine_.FindLayer(layer);
    if (!found)
        return;
    const int count = found->ItemCount();
    Annotation* top = found->ItemAtEntry(count);
    Annotation* bottom = found->ItemAtEntry(1);
    Annotation* item = found->FindItem(seq);
    const bool frontMost = item && item == top;
    const bool backMost = item && item == bottom;
    const bool pasteAvailable = engine_.IsPasteAvailable() != 0;
    bool first = true;
    for (size_t row = 0; row < sizeof(kCommands) / sizeof(kCommands[0]); ++row) {
        const int command = kCommands[row];
        Bstr caption;
        engine_.ContextMenu().GetString(command, 0, &caption.text);
        if (caption.Empty())
            continue;
        if (command == QMK_Paste && !pasteAvailable)
            continue;
        if ((command == QMK_NudgeUp || command == QMK_BringItemToFront) && frontMost)
            continue;
        if ((command == QMK_NudgeDn || command == QMK_SendItemToBack) && backMost)
            continue;
        if (first) {
            list.Add(kCommandSeparator + static_cast<int>(row), 0, nullptr, 0, 0);
            first = false;
        }
        AddOwn(list, command, 0, caption.text, 0, command, 0);
    }
}

void ContextMenuBuilder::AddHostItems(PopupMenuList& list)
{
    bool first = true;
    const ContextMenuList& strings = engine_.ContextMenu();
    for (size_t i = 0; i < strings.Count(); ++i) {
        const ContextMenuList::Item& entry = strings.At(i);
        if (entry.id < kFirstHostContextMenuId || !entry.caption ||
            SysStringLen(entry.caption) == 0)
            continue;
        if (first) {
            list.Add(kHostSeparator, 0, nullptr, 0, 0);
            first = false;
        }
        list.AddWithFlags(entry.id, entry.subId, entry.caption, entry.user1, entry.user2,
                          entry.checked ? 1 : 0, entry.enabled ? 1 : 0, entry.visible ? 1 : 0);
    }
}

void ContextMenuBuilder::SetAndRepaint(int layer, int seq, int code, EngineValue value, bool widen)
{
    engine_.PrgSetItemAttribute(layer, seq, code, value);
    // The host, told of the change, may have deleted the item.
    AnnotationLayer* found = engine_.FindLayer(layer);
    Annotation* item = found ? found->FindItem(seq) : nullptr;
    if (!item)
        return;
    RECT area = item->Bounds();
    if (widen) {
        const int width = area.right - area.left;
        area.left -= width;
        area.right += width;
        area.top -= kWidenedMargin;
        area.bottom += kWidenedMargin;
    }
    engine_.AsLayerHost().Invalidate(&area);
}

void ContextMenuBuilder::ChooseColour(int layer, int seq, int code)
{
    COLORREF custom[16];
    for (int i = 0; i < 16; ++i)
        custom[i] = GetSysColor(i);
    CHOOSECOLORW choose = {};
    choose.lStructSize = sizeof(choose);
    choose.rgbResult = static_cast<COLORREF>(ItemValue(layer, seq, code));
    choose.lpCustColors = custom;
    choose.Flags = CC_RGBINIT | CC_ENABLEHOOK;
    choose.lpfnHook = &DialogHook;
    if (ChooseColorW(&choose))
        SetAndRepaint(layer, seq, code, static_cast<EngineValue>(choose.rgbResult), false);
}

void ContextMenuBuilder::ChooseItemFont(int layer, int seq)
{
    LOGFONTA font = {};
    if (engine_.PrgGetItemAttribute(layer, seq, QMK_Logfont, reinterpret_cast<EngineValue*>(&font)))
        return;
    font.lfFaceName[LF_FACESIZE - 1] = '\0';
    CHOOSEFONTA choose = {};
    choose.lStructSize = sizeof(choose);
    choose.lpLogFont = &font;
    choose.Flags = CF_SCREENFONTS | CF_ENABLEHOOK | CF_INITTOLOGFONTSTRUCT;
    choose.nFontType = SCREEN_FONTTYPE;
    choose.lpfnHook = &DialogHook;
    if (ChooseFontA(&choose))
        SetAndRepaint(layer, seq, QMK_Logfont, reinterpret_cast<EngineValue>(&font), false);
}

void ContextMenuBuilder::Execute(int layer, int seq, const PopupMenuChoice& choice)
{
    const int id = choice.id;
    const int sub = choice.subId;
    if (IsOneOf(id, kColourCodes)) {
        ChooseColour(layer, seq, id);
    } else if (id == QMK_PenWidth) {
        SetAndRepaint(layer, seq, id, sub - 1, false);
    } else if (id == QMK_Logfont) {
        ChooseItemFont(layer, seq);
    } else if (id == 19 || id == 25 || id == 33 || id == 37) {
        engine_.PrgSetItemAttribute(layer, seq, id, ItemValue(layer, seq, id) == 0 ? 1 : 0);
    } else if (id == 26) {
        SetAndRepaint(layer, seq, id, sub - kPenStyleBase, false);
    } else if (id == 27 || id == 38 || id == 41 || id == QMK_MeasureChoice) {
        SetAndRepaint(layer, seq, id, sub, false);
    } else if (id == 28) {
        SetAndRepaint(layer, seq, id, sub * 10 - 10, false);
    } else if (id == QMK_ShowAbbr || id == QMK_ShowLength || id == QMK_ShowGauge) {
        SetAndRepaint(layer, seq, id, ItemValue(layer, seq, id) == 0 ? 1 : 0, true);
    } else if (id == kBackStyleMenuId) {
        SetAndRepaint(layer, seq, QMK_BackStyle, sub, false);
    } else if (id == QMK_Cut) {
        // Nothing is deleted that did not reach the clipboard.
        if (engine_.CopyToClipboard(layer, 1) == 0)
            if (AnnotationLayer* found = engine_.FindLayer(layer))
                found->DeleteSelected();
    } else if (id == QMK_Copy) {
        engine_.CopyToClipboard(layer, 1);
    } else if (id == QMK_Paste) {
        engine_.Paste(layer);
        engine_.SetTool(engine_.GetCurrentLayer(), PointerTool);
    } else if (id == QMK_PasteLayer) {
        int pasted = 0;
        if (engine_.PasteLayer(&pasted) == 0 && pasted)
            engine_.SetCurrentLayer(pasted);
    } else if (id == QMK_CutLayer) {
        if (engine_.CopyToClipboard(layer, 0) == 0)
            engine_.DeleteLayerLater(layer);
    } else if (id == QMK_CopyLayer) {
        engine_.CopyToClipboard(layer, 0);
    } else if (id == QMK_DeleteLayer) {
        engine_.DeleteLayerLater(layer);
    } else if (id == QMK_Delete) {
        engine_.PrgDeleteItem(layer, seq);
    } else if (id == QMK_NudgeUp) {
        engine_.NudgeUp(layer, seq);
    } else if (id == QMK_NudgeDn) {
        engine_.NudgeDn(layer, seq);
    } else if (id == QMK_BringItemToFront) {
        engine_.BringItemToFront(layer, seq);
    } else if (id == QMK_SendItemToBack) {
        engine_.SendItemToBack(layer, seq);
    } else if (id >= kFirstHostContextMenuId) {
        engine_.AsLayerHost().ContextMenuSelect(id, layer, seq);
    }
    engine_.AsLayerHost().MenuSelect(1, 0, id, sub, choice.user1, choice.user2, layer, seq);
}

void ContextMenuBuilder::Show(int layer, int seq)
{
    // A list of this call's own: a menu opened again from inside a report
    // does not touch it.
    PopupMenuList list;
    if (!Build(layer, seq, list))
        return;
    POINT cursor = {};
    GetCursorPos(&cursor);
    PopupMenuChoice choice;
    list.Track(cursor.x, cursor.y, engine_.HelperWindowHandle(), &choice);
    list.Clear();
    Execute(layer, seq, choice);
}
