// The palette and menu members against the recording fake engine: which
// engine operation each calls for the context menu (Menu 1) and for a
// palette tool's menu (any other Menu), with what arguments, and what the
// caller gets back, the menus' own failures included.
#include "control_fake_engine_fixture.h"
#include "fake_engine_library.h"

#include "quillmark.h"

#include <gtest/gtest.h>

using quillmark_test::ControlWithFakeEngineTest;
using quillmark_test::Err;
using quillmark_test::Lines;

namespace {

struct Text {
    explicit Text(const wchar_t* text) : bstr(SysAllocString(text)) {}
    ~Text() { SysFreeString(bstr); }
    BSTR bstr;
};

TEST_F(ControlWithFakeEngineTest, PaletteAndMenuMembersCallTheirEngineOperation)
{
    static Text caption(L"Cap");
    struct Case {
        const char* name;
        int slot;     // the slot whose answer is set, -1 for none
        int answer;
        HRESULT (*call)(IQuillmark*);
        HRESULT expected;
        Lines calls;
    };
    const Case cases[] = {
        {"context add", -1, 0,
         [](IQuillmark* c) { return c->MenuAddItem(Context, RectangleTool, 20001, 3, caption.bstr, 4, 5); },
         S_OK, {"AddContextMenuItem(20001,3,\"Cap\",4,5)"}},
        {"context add refused", EngineSlot_AddContextMenuItem, 1036,
         [](IQuillmark* c) { return c->MenuAddItem(Context, RectangleTool, 7, 0, caption.bstr, 0, 0); },
         Err(1036), {"AddContextMenuItem(7,0,\"Cap\",0,0)"}},
        {"palette add", -1, 0,
         [](IQuillmark* c) { return c->MenuAddItem(Toolbar, EllipseTool, 7, 0, caption.bstr, 4, 5); },
         S_OK, {"ToolbarMenuAddItem(4099,7,0,\"Cap\",4,5)"}},
        {"palette add through menu 3", -1, 0,
         [](IQuillmark* c) {
             return c->MenuAddItem(static_cast<enumMenu>(3), EllipseTool, 7, 0, caption.bstr, 4, 5);
         },
         S_OK, {"ToolbarMenuAddItem(4099,7,0,\"Cap\",4,5)"}},
        {"palette add of a list's -1", EngineSlot_ToolbarMenuAddItem, -1,
         [](IQuillmark* c) { return c->MenuAddItem(Toolbar, EllipseTool, 7, 0, caption.bstr, 0, 0); },
         Err(1039), {"ToolbarMenuAddItem(4099,7,0,\"Cap\",0,0)"}},
        {"palette add duplicate", EngineSlot_ToolbarMenuAddItem, 1038,
         [](IQuillmark* c) { return c->MenuAddItem(Toolbar, EllipseTool, 7, 0, caption.bstr, 0, 0); },
         Err(1038), {"ToolbarMenuAddItem(4099,7,0,\"Cap\",0,0)"}},
        {"palette set checked without a button", EngineSlot_ToolbarMenuSetItemChecked, E_FAIL,
         [](IQuillmark* c) {
             return c->MenuSetItemChecked(Toolbar, EllipseTool, 7, 2, VARIANT_TRUE, VARIANT_TRUE);
         },
         E_FAIL, {"ToolbarMenuSetItemChecked(4099,7,2,1,1)"}},
        {"context set visible", -1, 0,
         [](IQuillmark* c) {
             return c->MenuSetItemVisible(Context, EllipseTool, 5, 0, VARIANT_FALSE, VARIANT_TRUE);
         },
         S_OK, {"ContextMenuSetItemVisible(5,0,0,1)"}},
        {"palette get enabled", EngineSlot_ToolbarMenuGetItemEnabled, 1005,
         [](IQuillmark* c) {
             VARIANT_BOOL flag = 7;
             const HRESULT hr = c->MenuGetItemEnabled(Toolbar, static_cast<annotationTOOL>(4200), 1, 0, &flag);
             return flag == VARIANT_FALSE ? hr : E_UNEXPECTED;  // written whatever the result
         },
         S_FALSE, {"ToolbarMenuGetItemEnabled(4200,1,0,ptr)"}},
        {"context delete", -1, 0,
         [](IQuillmark* c) {
             VARIANT_BOOL deleted = VARIANT_TRUE;
             return c->MenuDeleteItem(Context, EllipseTool, 20001, 0, &deleted);
         },
         S_OK, {"ContextMenuDeleteItem(20001,0,ptr)"}},
        {"palette delete of an absent item", EngineSlot_ToolbarMenuDeleteItem, 1039,
         [](IQuillmark* c) {
             VARIANT_BOOL deleted = VARIANT_TRUE;
             const HRESULT hr = c->MenuDeleteItem(Toolbar, EllipseTool, 9, 0, &deleted);
             return deleted == VARIANT_FALSE ? hr : E_UNEXPECTED;
         },
         S_OK, {"ToolbarMenuDeleteItem(4099,9,0)"}},
        {"context change of an absent item", EngineSlot_SetContextMenuString, 1036,
         [](IQuillmark* c) {
             VARIANT_BOOL changed = VARIANT_TRUE;
             const HRESULT hr = c->MenuChangeItem(Context, EllipseTool, 9, 0, caption.bstr, &changed);
             return changed == VARIANT_FALSE ? hr : E_UNEXPECTED;
         },
         Err(1036), {"SetContextMenuString(9,0,\"Cap\",0,0,0)"}},
        {"palette first id", -1, 0,
         [](IQuillmark* c) {
             long top = 5, sub = 5;
             return c->MenuGetFirstItemID(Toolbar, LineTool, &top, &sub);
         },
         S_OK, {"ToolbarMenuGetFirstItemID(4102,ptr,ptr)"}},
        {"context first id", EngineSlot_ContextMenuGetFirstItemID, 1039,
         [](IQuillmark* c) {
             long top = 5, sub = 5;
             const HRESULT hr = c->MenuGetFirstItemID(Context, LineTool, &top, &sub);
             return top == 0 && sub == 0 ? hr : E_UNEXPECTED;
         },
         Err(1039), {"ContextMenuGetFirstItemID(ptr,ptr)"}},
        {"palette next id of a list's -1", EngineSlot_ToolbarMenuGetNextItemID, -1,
         [](IQuillmark* c) {
             long top = 5, sub = 5;
             return c->MenuGetNextItemID(Toolbar, LineTool, &top, &sub);
         },
         Err(1039), {"ToolbarMenuGetNextItemID(4102,ptr,ptr)"}},
        {"context next id", -1, 0,
         [](IQuillmark* c) {
             long top = 5, sub = 5;
             return c->MenuGetNextItemID(Context, LineTool, &top, &sub);
         },
         S_OK, {"ContextMenuGetNextItemID(ptr,ptr)"}},
        {"palette menu switch, result ignored", EngineSlot_MenuSetEnabled, 1005,
         [](IQuillmark* c) { return c->MenuSetEnabled(Toolbar, LineTool, VARIANT_TRUE); },
         S_OK, {"MenuSetEnabled(4102,1)"}},
        {"context menu switch", -1, 0,
         [](IQuillmark* c) { return c->MenuSetEnabled(Context, LineTool, VARIANT_FALSE); },
         S_OK, {"SetProperty(131,0)"}},
        // The context-menu switch reports no engine error, either way in.
        {"context menu switch refused by the engine", EngineSlot_SetProperty, 1015,
         [](IQuillmark* c) { return c->MenuSetEnabled(Context, LineTool, VARIANT_TRUE); },
         S_OK, {"SetProperty(131,1)"}},
        {"context menu switch read, refused by the engine", EngineSlot_GetProperty, 1015,
         [](IQuillmark* c) {
             VARIANT_BOOL on = VARIANT_TRUE;
             return c->MenuGetEnabled(Context, LineTool, &on);
         },
         S_OK, {"GetProperty(131,ptr)"}},
        {"EnableContextMenu put refused by the engine", EngineSlot_SetProperty, 1015,
         [](IQuillmark* c) { return c->put_EnableContextMenu(VARIANT_FALSE); },
         S_OK, {"SetProperty(131,0)"}},
        {"EnableContextMenu get refused by the engine", EngineSlot_GetProperty, 1015,
         [](IQuillmark* c) {
             VARIANT_BOOL on = VARIANT_TRUE;
             return c->get_EnableContextMenu(&on);
         },
         S_OK, {"GetProperty(131,ptr)"}},
        {"old palette item", EngineSlot_AddPaletteMenuItem, -1,
         [](IQuillmark* c) { return c->AddPaletteMenuItem(LineTool, 3, caption.bstr, 1, 2); },
         Err(1039), {"AddPaletteMenuItem(4102,3,\"Cap\",1,2)"}},
        {"old sub-item checked", EngineSlot_SetPaletteMenuSubitemChecked, E_FAIL,
         [](IQuillmark* c) {
             return c->SetPaletteMenuSubitemChecked(LineTool, 3, 4, VARIANT_TRUE, VARIANT_FALSE);
         },
         E_FAIL, {"SetPaletteMenuSubitemChecked(4102,3,4,1,0)"}},
        {"old context item", -1, 0,
         [](IQuillmark* c) { return c->AddContextMenuItem(20005, caption.bstr); },
         S_OK, {"AddContextMenuItem(20005,0,\"Cap\",0,0)"}},
        {"old context string", -1, 0,
         [](IQuillmark* c) { return c->SetContextMenuString(5, caption.bstr); },
         S_OK, {"SetContextMenuString(5,0,\"Cap\",0,0,0)"}},
        {"old context id walk", -1, 0,
         [](IQuillmark* c) {
             long id = 5;
             const HRESULT hr = c->GetFirstContextMenuID(&id);
             return id == 0 ? hr : E_UNEXPECTED;
         },
         S_OK, {}},
        {"rows without a palette", -1, 0,
         [](IQuillmark* c) {
             long rows = 5;
             const HRESULT hr = c->get_ToolbarHeight(&rows);
             return rows == 5 ? hr : E_UNEXPECTED;
         },
         Err(1048), {"GetToolbarHwnd()"}},
        {"columns with a palette", EngineSlot_GetToolbarHwnd, 0x1234,
         [](IQuillmark* c) {
             long columns = 5;
             return c->get_ToolbarWidth(&columns);
         },
         S_OK, {"GetToolbarHwnd()", "GetToolbarWidth()"}},
    };
    CreateControl();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int slot = 0; slot < kEngineSlotCount; ++slot)
            fake.setResult(slot, 0);
        if (c.slot >= 0)
            fake.setResult(c.slot, c.answer);
        mark = fake.LogSize();
        EXPECT_EQ(c.expected, c.call(control));
        EXPECT_EQ(c.calls, EngineCalls());
    }
}

// Each item flag of either menu reaches its own engine operation, with the
// flags as bytes, and the getter's flag comes back whatever the result.
TEST_F(ControlWithFakeEngineTest, MenuItemFlagMembersReachTheirOwnFlagOfEitherMenu)
{
    using Getter = HRESULT (STDMETHODCALLTYPE IQuillmark::*)(enumMenu, annotationTOOL, long, long,
                                                             VARIANT_BOOL*);
    using Setter = HRESULT (STDMETHODCALLTYPE IQuillmark::*)(enumMenu, annotationTOOL, long, long,
                                                             VARIANT_BOOL, VARIANT_BOOL);
    struct Case {
        const char* name;
        Getter get;
        Setter set;
        int getSlot;  // the palette menu's getter, answering 1039 here
        Lines calls;  // context get, context set, palette get, palette set
    };
    const Case cases[] = {
        {"checked", &IQuillmark::MenuGetItemChecked, &IQuillmark::MenuSetItemChecked,
         EngineSlot_ToolbarMenuGetItemChecked,
         {"ContextMenuGetItemChecked(3,4,ptr)", "ContextMenuSetItemChecked(3,4,1,0)",
          "ToolbarMenuGetItemChecked(4099,3,4,ptr)", "ToolbarMenuSetItemChecked(4099,3,4,1,0)"}},
        {"enabled", &IQuillmark::MenuGetItemEnabled, &IQuillmark::MenuSetItemEnabled,
         EngineSlot_ToolbarMenuGetItemEnabled,
         {"ContextMenuGetItemEnabled(3,4,ptr)", "ContextMenuSetItemEnabled(3,4,1,0)",
          "ToolbarMenuGetItemEnabled(4099,3,4,ptr)", "ToolbarMenuSetItemEnabled(4099,3,4,1,0)"}},
        {"visible", &IQuillmark::MenuGetItemVisible, &IQuillmark::MenuSetItemVisible,
         EngineSlot_ToolbarMenuGetItemVisible,
         {"ContextMenuGetItemVisible(3,4,ptr)", "ContextMenuSetItemVisible(3,4,1,0)",
          "ToolbarMenuGetItemVisible(4099,3,4,ptr)", "ToolbarMenuSetItemVisible(4099,3,4,1,0)"}},
    };
    CreateControl();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int slot = 0; slot < kEngineSlotCount; ++slot)
            fake.setResult(slot, 0);
        fake.setResult(c.getSlot, 1039);
        mark = fake.LogSize();
        for (enumMenu menu : {Context, Toolbar}) {
            VARIANT_BOOL flag = 7;
            EXPECT_EQ(menu == Context ? S_OK : Err(1039),
                      (control->*c.get)(menu, EllipseTool, 3, 4, &flag));
            EXPECT_EQ(VARIANT_FALSE, flag);
            EXPECT_EQ(S_OK,
                      (control->*c.set)(menu, EllipseTool, 3, 4, VARIANT_TRUE, VARIANT_FALSE));
        }
        EXPECT_EQ(c.calls, EngineCalls());
    }
}

} // namespace
