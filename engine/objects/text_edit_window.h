#pragma once
// The second editor of a text item: a "qmk7_editor" frame laid over the
// item's box on the host window, holding a multi-line edit control (the wide
// one, so that any text the user does not change comes back exactly). The
// frame of a new item grows as the user types; the editor closes when the
// user clicks outside it or it loses the focus, and the item then takes the
// text back. One editor per text item; its windows exist only while open.
//
// The frame's window procedure is in text_edit_window.cpp, the edit
// control's subclass in text_edit_control.cpp.
#include <windows.h>

#include <string>

#include "objects/font_cache.h"

class TextAnnotation;

class TextEditWindow {
public:
    static constexpr const wchar_t* kClassName = L"qmk7_editor";

    TextEditWindow() = default;
    ~TextEditWindow();
    TextEditWindow(const TextEditWindow&) = delete;
    TextEditWindow& operator=(const TextEditWindow&) = delete;

    // Opens over owner's box (a placed item) or at the click point (x, y in
    // layer units, an item being created), as a child of parent. False when
    // refused or the windows could not be made.
    bool Open(TextAnnotation& owner, HWND parent, int x, int y);
    bool IsOpen() const { return frame_ != nullptr && IsWindow(frame_); }
    // The control's text (empty when closed).
    std::wstring Text() const;
    // The control's client size in window pixels.
    SIZE ClientSize() const;
    // Puts the control's text into the owner's buffer.
    void ReadText(TextAnnotation& owner) const;
    // The owner is going: closing reports nothing to it any more.
    void Detach() { owner_ = nullptr; closing_ = true; }
    // The owner is going while the windows are being destroyed (a report
    // made as the editor closes reached the host, which deleted the item):
    // the editor then deletes itself once its frame is gone, and true is
    // answered. False when the windows are not being destroyed: the owner
    // deletes the editor.
    bool DeleteWhenDestroyed();
    void Close();

    HWND Frame() const { return frame_; }
    HWND Control() const { return control_; }

private:
    static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT FrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT ControlMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool MakeControl(HWND frame);
    // The control's mouse message with a button held outside it: the editor
    // closes and the message goes on to the window under the cursor.
    bool ForwardOutside(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Grow();
    static bool RegisterClassOnce();

    HWND frame_ = nullptr;
    HWND control_ = nullptr;
    WNDPROC controlBase_ = nullptr;
    TextAnnotation* owner_ = nullptr;
    FontUse uprightFont_;
    HFONT font_ = nullptr;
    bool fixedSize_ = false;
    RECT client_ = {};
    int growWidth_ = 0;
    int lineHeight_ = 0;
    bool resized_ = false;
    bool closing_ = false;
    bool destroying_ = false;  // from the frame's WM_DESTROY to its WM_NCDESTROY
    bool deleteWhenDestroyed_ = false;
    HBRUSH brush_ = nullptr;
    COLORREF backColor_ = 0;
    COLORREF textColor_ = 0;
    int alignment_ = 0;
};
