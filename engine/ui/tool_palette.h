#pragma once
// The tool palette: a topmost tool window ("inkcore7_toolframe") holding a
// toolbar with one picture button per tool, laid out as a grid of rows and
// columns, with a tooltip per button and a host-defined popup menu per
// button. A click on a button selects its tool; a right click opens the
// button's menu while palette menus are in use. The frame's window data holds
// the engine; what a click or a menu choice means is the engine's (the
// ToolPaletteHost). The window classes are registered by the first palette of
// the process and unregistered with the last one.
#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "ui/popup_menu_list.h"

class ToolPaletteHost {
public:
    virtual void PaletteToolClicked(int tool) = 0;
    virtual void PaletteMenuChosen(int tool, const PopupMenuChoice& choice) = 0;

protected:
    ~ToolPaletteHost() = default;
};

class ToolPalette {
public:
    static constexpr const char* kFrameClassName = "inkcore7_toolframe";
    static constexpr int kBitmapSize = 32;
    static constexpr int kButtonWidth = 39;
    static constexpr int kButtonHeight = 38;

    // One button of the palette, in the order added.
    struct Button {
        int bitmap = 0;
        int tool = 0;  // also the button's command id
        PopupMenuList menu;
        bool menuEnabled = true;
        bool hidden = false;
        BSTR tip = nullptr;
    };

    // engine goes into the frame's window data.
    ToolPalette(ToolPaletteHost& host, void* engine);
    ~ToolPalette();
    ToolPalette(const ToolPalette&) = delete;
    ToolPalette& operator=(const ToolPalette&) = delete;

    // Makes the windows (the frame hidden) and the twelve buttons, laid out
    // in 3 columns; tips holds the texts for tools 4096..4108. False when the
    // windows cannot be made (nothing is left behind).
    bool Create(const BSTR tips[]);
    bool Exists() const { return frame_ != nullptr; }
    HWND Frame() const { return frame_; }
    HWND Toolbar() const { return toolbar_; }
    HWND Tooltips() const { return tooltips_; }

    // The host's own hiding, which the layers' flags do not undo.
    bool HiddenByHost() const { return hiddenByHost_; }
    void SetHiddenByHost(bool hidden) { hiddenByHost_ = hidden; }
    void Show(bool show);
    void Enable(bool enable);
    void SetMenusInUse(bool inUse) { menusInUse_ = inUse; }

    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    int VisibleButtons() const { return visible_; }
    // The grid: the wish is clamped to 1..visible buttons; the frame is
    // refitted afterwards.
    void SetColumns(int wish);
    void SetRows(int wish);

    // The button of a tool, or null (4108 has none, nor has any other value).
    Button* ButtonOf(int tool);
    void SetToolEnabled(int tool, bool enabled);
    void SetToolHidden(int tool, bool hidden);
    void CheckTool(int tool);
    int CheckedTool() const { return checkedTool_; }
    void SetTip(int tool, BSTR text);

private:
    friend class PaletteToolbar;
    static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(const NMHDR& header);
    // The toolbar's right click at a point of the screen: true when a menu opened.
    bool OnContextMenu(int screenX, int screenY);
    void AddButton(int tool, int bitmap);
    // Applies a column count (no refit of the frame).
    void ApplyColumns(int wish);
    // Asks the toolbar for rows and reads back what it made.
    void ApplyRows(int wish);
    void FitFrame();
    void SizeFrameClient(int width, int height);
    void RebuildTips();
    void Destroy();

    static bool RegisterClasses();
    static void UnregisterClassesIfLast();

    ToolPaletteHost& host_;
    void* engine_;
    HWND frame_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND tooltips_ = nullptr;
    std::vector<Button*> buttons_;
    int visible_ = 0;
    int bitmaps_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    int checkedTool_ = 0;
    bool menusInUse_ = true;
    bool hiddenByHost_ = false;
    bool counted_ = false;
    static int liveCount_;
};
