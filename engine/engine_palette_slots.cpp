// The tool palette and its menus: the palette's operations, the palette's
// calls back into the engine, and the context menu's entry from the layers.
#include "engine_object.h"

namespace {
bool InToolRange(int tool)
{
    return tool >= kFirstTool && tool <= kLastTool;
}
} // namespace

ToolPalette::Button* EngineObject::PaletteButton(int tool) const
{
    ToolPalette* palette = Palette();
    return palette ? palette->ButtonOf(tool) : nullptr;
}

void EngineObject::ApplyPaletteLook()
{
    ToolPalette* palette = Palette();
    if (!palette)
        return;
    AnnotationLayer* current = FindLayer(currentLayer_);
    if (!current) {
        palette->Show(false);
        return;
    }
    if (settings_->InteractMode() || palette->HiddenByHost())
        return;
    palette->Show(current->PaletteVisible());
    palette->Enable(current->PaletteEnabled());
}

void EngineObject::DeleteLayerLater(int handle)
{
    if (HWND helper = HelperWindowHandle())
        PostMessageA(helper, HelperWindow::kDeleteLayerMessage, static_cast<WPARAM>(handle), 0);
}

// ---- the palette's calls ----------------------------------------------------------------

void EngineObject::PaletteToolClicked(int tool)
{
    const int layer = currentLayer_;
    if (!layer)
        return;
    channels_.ToolbarSelect(tool, layer);
    // The host may have changed the current layer meanwhile; SetTool finds out.
    SetTool(layer, tool);
}

void EngineObject::PaletteMenuChosen(int tool, const PopupMenuChoice& choice)
{
    channels_.PaletteMenuSelect(tool, choice.id, choice.subId, choice.user1, choice.user2);
    MenuSelect(2, tool, choice.id, choice.subId, choice.user1, choice.user2, 0, 0);
}

// ---- what the layers tell the palette ------------------------------------------------------

void EngineObject::ToolShown(int layer, int tool)
{
    if (layer == currentLayer_)
        if (ToolPalette* palette = Palette())
            palette->CheckTool(tool);
}

void EngineObject::PaletteToolEnabled(int tool, bool enabled)
{
    if (ToolPalette* palette = Palette())
        palette->SetToolEnabled(tool, enabled);
}

void EngineObject::PaletteToolDeleted(int tool, bool deleted)
{
    // A deleted tool stays off the palette while its layer is current.
    if (deleted)
        if (ToolPalette* palette = Palette())
            palette->SetToolHidden(tool, true);
}

void EngineObject::PaletteToolVisible(int tool, bool visible)
{
    if (ToolPalette* palette = Palette())
        palette->SetToolHidden(tool, !visible);
}

void EngineObject::ShowContextMenu(int layer, int seq)
{
    contextMenuBuilder_.Show(layer, seq);
}

void EngineObject::UsePaletteMenuSet(bool on)
{
    if (palette_)
        palette_->SetMenusInUse(on);
}

// ---- the palette's window ----------------------------------------------------------------

int __stdcall EngineObject::ActivateToolbar(unsigned char flag)
{
    if (!flag) {
        if (ToolPalette* palette = Palette()) {
            palette->Show(false);
            palette->SetHiddenByHost(true);
        }
        return 0;
    }
    if (ToolPalette* palette = Palette()) {
        palette->SetHiddenByHost(false);
        palette->Show(true);
        return 0;
    }
    if (!palette_)
        palette_ = std::make_unique<ToolPalette>(*static_cast<ToolPaletteHost*>(this),
                                                 static_cast<AnnotationEngine*>(this));
    if (!palette_->Create(tips_))
        return 0;
    palette_->SetMenusInUse(settings_->UsePaletteMenu());
    // The palette starts with the look of the current layer's tools.
    if (AnnotationLayer* current = FindLayer(currentLayer_))
        for (int tool = kFirstTool; tool <= kLastTool; ++tool) {
            unsigned char enabled = 1;
            unsigned char visible = 1;
            current->GetToolEnabled(tool, &enabled);
            current->GetToolVisible(tool, &visible);
            palette_->SetToolEnabled(tool, enabled != 0);
            if (!visible)
                palette_->SetToolHidden(tool, true);
            palette_->CheckTool(current->CurrentTool());
        }
    ApplyPaletteLook();
    return 0;
}

int __stdcall EngineObject::ToolbarSetToolTip(int tool, BSTR text)
{
    if (!InToolRange(tool))
        return QMK_ErrInvalidTool;
    BSTR copy = SysAllocStringLen(text, text ? SysStringLen(text) : 0);
    if (!copy)
        return QMK_ErrOutOfMemory;
    SysFreeString(tips_[tool - kFirstTool]);
    tips_[tool - kFirstTool] = copy;
    if (ToolPalette* palette = Palette())
        palette->SetTip(tool, text);
    return 0;
}

int __stdcall EngineObject::ToolbarGetToolTip(int tool, BSTR* text)
{
    if (!InToolRange(tool))
        return QMK_ErrInvalidTool;
    if (!text)
        return 0;
    const ToolPalette::Button* button = PaletteButton(tool);
    BSTR tip = button ? button->tip : tips_[tool - kFirstTool];
    *text = SysAllocStringLen(tip, tip ? SysStringLen(tip) : 0);
    return 0;
}

int __stdcall EngineObject::SetToolbarHeight(int rows)
{
    ToolPalette* palette = Palette();
    if (!palette)
        return QMK_ErrInvalidItem;
    palette->SetRows(rows);
    return 0;
}

int __stdcall EngineObject::GetToolbarHeight()
{
    ToolPalette* palette = Palette();
    return palette ? palette->Rows() : QMK_ErrInvalidItem;
}

int __stdcall EngineObject::SetToolbarWidth(int columns)
{
    ToolPalette* palette = Palette();
    if (!palette)
        return QMK_ErrInvalidItem;
    palette->SetColumns(columns);
    return 0;
}

int __stdcall EngineObject::GetToolbarWidth()
{
    ToolPalette* palette = Palette();
    return palette ? palette->Columns() : QMK_ErrInvalidItem;
}

int __stdcall EngineObject::GetToolbarHwnd()
{
    ToolPalette* palette = Palette();
    return palette ? static_cast<int>(reinterpret_cast<intptr_t>(palette->Frame())) : 0;
}

// ---- the buttons' menus ----------------------------------------------------------------------
// A tool outside 4096..4108 gives QMK_ErrInvalidTool; a tool without a
// button (4108, or no palette) QMK_ErrInvalidMenuId where a list is needed.

int __stdcall EngineObject::MenuSetEnabled(int tool, int flag)
{
    ToolPalette::Button* button = PaletteButton(tool);
    if (!button)
        return QMK_ErrInvalidTool;
    button->menuEnabled = static_cast<unsigned char>(flag) != 0;
    return 0;
}

int __stdcall EngineObject::MenuGetEnabled(int tool, unsigned char* flag)
{
    ToolPalette::Button* button = PaletteButton(tool);
    if (!button)
        return QMK_ErrInvalidTool;
    if (flag)
        *flag = button->menuEnabled ? 1 : 0;
    return 0;
}

int __stdcall EngineObject::ToolbarMenuAddItem(int tool, int item, int subItem, BSTR caption,
                                                int user1, int user2)
{
    if (!InToolRange(tool))
        return QMK_ErrInvalidTool;
    ToolPalette::Button* button = PaletteButton(tool);
    return button ? button->menu.Add(item, subItem, caption, user1, user2) : QMK_ErrInvalidMenuId;
}

int __stdcall EngineObject::ToolbarMenuDeleteItem(int tool, int item, int subItem)
{
    if (!InToolRange(tool))
        return QMK_ErrInvalidTool;
    ToolPalette::Button* button = PaletteButton(tool);
    return button ? button->menu.Delete(item, subItem) : QMK_ErrInvalidMenuId;
}

namespace {
int SetMenuFlag(ToolPalette::Button* button, PopupMenuList::Flag flag, int item, int subItem,
                int value, int exclusive)
{
    if (!button)
        return E_FAIL;
    button->menu.Set(flag, item, subItem, static_cast<unsigned char>(value) != 0 ? 1 : 0,
                     static_cast<unsigned char>(exclusive) != 0);
    return 0;
}

// An item that is not there reads as set.
int GetMenuFlag(ToolPalette::Button* button, PopupMenuList::Flag flag, int item, int subItem,
                unsigned char* out)
{
    const int value = button ? button->menu.Get(flag, item, subItem) : -1;
    if (out)
        *out = value != 0 ? 1 : 0;
    return 0;
}
} // namespace

// The three flags of a button's menu items: for each, its setter and getter,
// which refuse a tool outside 4096..4108, and the older setter of a
// sub-item, which answers any tool without a button with E_FAIL.
#define PALETTE_MENU_FLAGS(X) X(Checked) X(Enabled) X(Visible)

#define PALETTE_MENU_FLAG_SLOTS(flag)                                                            \
    int __stdcall EngineObject::ToolbarMenuSetItem##flag(int tool, int item, int subItem,        \
                                                         int value, int exclusive)               \
    {                                                                                            \
        if (!InToolRange(tool))                                                                  \
            return QMK_ErrInvalidTool;                                                           \
        return SetMenuFlag(PaletteButton(tool), PopupMenuList::Flag::flag, item, subItem, value, \
                           exclusive);                                                           \
    }                                                                                            \
    int __stdcall EngineObject::ToolbarMenuGetItem##flag(int tool, int item, int subItem,        \
                                                         unsigned char* out)                     \
    {                                                                                            \
        if (!InToolRange(tool))                                                                  \
            return QMK_ErrInvalidTool;                                                           \
        return GetMenuFlag(PaletteButton(tool), PopupMenuList::Flag::flag, item, subItem, out);  \
    }                                                                                            \
    int __stdcall EngineObject::SetPaletteMenuSubitem##flag(int tool, int item, int subItem,     \
                                                            int value, int exclusive)            \
    {                                                                                            \
        return SetMenuFlag(PaletteButton(tool), PopupMenuList::Flag::flag, item, subItem, value, \
                           exclusive);                                                           \
    }
PALETTE_MENU_FLAGS(PALETTE_MENU_FLAG_SLOTS)
#undef PALETTE_MENU_FLAG_SLOTS
#undef PALETTE_MENU_FLAGS

int __stdcall EngineObject::ToolbarMenuChangeItem(int tool, int item, int subItem, BSTR caption,
                                                   unsigned char* changed)
{
    if (!InToolRange(tool))
        return QMK_ErrInvalidTool;
    ToolPalette::Button* button = PaletteButton(tool);
    const bool done = button && button->menu.ChangeCaption(item, subItem, caption);
    if (changed)
        *changed = done ? 1 : 0;
    return 0;
}

int __stdcall EngineObject::ToolbarMenuGetItem(int tool, int item, int subItem, BSTR* caption)
{
    if (!InToolRange(tool))
        return QMK_ErrInvalidTool;
    ToolPalette::Button* button = PaletteButton(tool);
    if (caption)
        *caption = button ? button->menu.Caption(item, subItem) : nullptr;
    return 0;
}

namespace {
// One step of the walk over a button's menu (First or Next), the outputs
// zeroed first.
int StepMenuWalk(int tool, ToolPalette::Button* button, void (PopupMenuList::*step)(int*, int*),
                 int* item, int* subItem)
{
    if (item)
        *item = 0;
    if (subItem)
        *subItem = 0;
    if (!InToolRange(tool))
        return QMK_ErrInvalidTool;
    if (!button)
        return QMK_ErrInvalidMenuId;
    (button->menu.*step)(item, subItem);
    return 0;
}
} // namespace

int __stdcall EngineObject::ToolbarMenuGetFirstItemID(int tool, int* item, int* subItem)
{
    return StepMenuWalk(tool, PaletteButton(tool), &PopupMenuList::First, item, subItem);
}

int __stdcall EngineObject::ToolbarMenuGetNextItemID(int tool, int* item, int* subItem)
{
    return StepMenuWalk(tool, PaletteButton(tool), &PopupMenuList::Next, item, subItem);
}

int __stdcall EngineObject::AddPaletteMenuItem(int tool, int item, BSTR caption, int user1,
                                                int user2)
{
    return ToolbarMenuAddItem(tool, item, 0, caption, user1, user2);
}

int __stdcall EngineObject::DeletePaletteMenuItem(int tool, int item)
{
    ToolPalette::Button* button = PaletteButton(tool);
    return button ? button->menu.Delete(item, 0) : QMK_ErrInvalidMenuId;
}

int __stdcall EngineObject::AddPaletteSubmenuItem(int tool, int item, int subItem, BSTR caption,
                                                   int user1, int user2)
{
    return ToolbarMenuAddItem(tool, item, subItem, caption, user1, user2);
}

int __stdcall EngineObject::DeletePaletteMenuSubitem(int tool, int item, int subItem)
{
    ToolPalette::Button* button = PaletteButton(tool);
    return button ? button->menu.Delete(item, subItem) : QMK_ErrInvalidMenuId;
}
