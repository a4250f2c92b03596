#pragma once
// Text items (tool 4097): a rectangle that holds a UTF-16 text in one font,
// colour, justification and one of four orientations (0, 900, 1800, 2700
// tenths of a degree), typed and edited in place on the image.
//
// While the item is being created the box grows with the text (lines break
// only at CR); once placed the text wraps inside the box. The text is edited
// either by the item itself (the caret, the keys and the clipboard, see
// text_editing.cpp) or in an edit control laid over the box (TextEditWindow).
// Layout, caret placement and drawing are in text_layout.cpp; every width
// comes from the engine's font cache.
#include <memory>
#include <vector>

#include "objects/font_cache.h"
#include "objects/shape_annotation.h"
#include "objects/text_buffer.h"

class TextEditWindow;
class UnitNames;

class TextAnnotation : public ShapeAnnotation {
public:
    // One laid-out line, in displayed pixels relative to the box.
    struct Line {
        int x = 0;
        int y = 0;
        int height = 0;
        int width = 0;
        int lastWidth = 0;  // the last line's width, on the last record only
        int ascent = 0;
        int first = 0;
        int count = 0;
    };

    explicit TextAnnotation(const AttributeMap& toolAttributes);
    ~TextAnnotation() override;

    int HandleMouse(HWND window, UINT message, WPARAM keys, int x, int y, int* eventCode) override;
    int HandleKey(HWND window, UINT message, WPARAM key, LPARAM data) override;
    int Draw(HDC dc, const PaintArguments& args) override;
    void CancelTracking(int* out) override;
    void ViewChanged(int a, int b) override;
    void ScaleInto(double ratioX, double ratioY, const RECT& from, const RECT& to, int handle,
                   bool commit) override;
    void GrowBy(int dx, int dy) override;
    bool WriteAttributeRecord(ByteWriter& stream, int code) override;
    void GetPaintRect(RECT& out) override;
    void MirrorInImage() override;
    void FlipInImage() override;
    void RotateInImage(int angle) override;
    HANDLE GetCachedHandle() override;
    void Attach() override;
    int SetAttribute(int code, EngineValue value, bool& changed) override;
    int GetAttribute(int code, void* out) override;

    // ---- state the tests and the editor read --------------------------------------
    const TextBuffer& Buffer() const { return buffer_; }
    TextBuffer& MutableBuffer() { return buffer_; }
    int Orientation() const { return orientation_; }
    const LOGFONTA& Font() const { return font_; }
    bool Editing() const { return editing_; }
    bool KeyInput() const { return keyInput_; }
    int SelectionStart() const { return selStart_; }
    int SelectionEnd() const { return selEnd_; }
    // Lays out now when needed; the line table (empty without a font or text).
    const std::vector<Line>& Lines();
    bool LayoutValid() const { return layoutValid_; }
    // Whether the last paint cut the text off.
    bool Overflowed() const { return overflowed_; }
    // The caret's point in window pixels and whether it is shown.
    POINT CaretPoint() const { return caretPoint_; }
    bool CaretShown() const { return caretShown_; }
    // The character index a point (layer units) falls on.
    int IndexAtPoint(int x, int y);
    // The committed text's units (attribute 10).
    std::wstring CommittedText() const;
    // The edit-control editor, open or not.
    TextEditWindow* Editor() const { return editor_.get(); }

    // ---- for the edit-control editor ------------------------------------------------
    UnitNames* Settings() const;
    FontEntry* Metrics();
    // The pen width in view pixels (scaled when the view is zoomed).
    int ViewPenWidth() const;

private:
    // text_layout.cpp
    void Layout();
    void GrowingLayout(const FontEntry& metrics, int margin);
    void WrappedLayout(const FontEntry& metrics, int margin);
    void UpsideDownLayout(const FontEntry& metrics, int margin);
    int Margin() const;
    SIZE BoxSize() const;  // displayed pixels
    int LineStartX(const Line& line, int boxWidth) const;
    POINT DrawPoint(const Line& line, SIZE box) const;
    int Advance(const FontEntry& metrics, int first, int count) const;
    void PlaceCaret();
    void HideCaret();
    int LineOfIndex(int index) const;
    void DrawSelection(HDC dc, const FontEntry& metrics, const Line& line, POINT at) const;
    void DrawArrow(HDC dc);

    // text_editing.cpp
    int HandleKeyDown(HWND window, WPARAM key, int repeat);
    int HandleChar(HWND window, WPARAM code);
    bool MoveKey(WPARAM key, bool control);
    void VerticalMove(int direction);
    bool DeleteSelection();
    void ClearSelection();
    void SetSelection(int anchor, int caret);
    void CopyRange(HWND window, int first, int last);
    bool Paste(HWND window);
    void Relayout();
    void StartEdit(HWND window);
    static int HookThunk(void* context, HWND window, UINT message, WPARAM wParam, int x,
                                   int y, int* eventCode, int* eventData);
    int MouseHook(HWND window, UINT message, WPARAM wParam);
    bool OpenEditor(HWND window, int x, int y);
    void ReadBackEditor();

    // attributes
    void SetOrientation(int orientation);
    void RegisterFont();
    void CommitText();
    void ApplyTransformedOrientation(int orientation);

    TextBuffer buffer_;
    FontUse fontUse_;
    HWND hostWindow_ = nullptr;
    HWND caretWindow_ = nullptr;
    std::unique_ptr<TextEditWindow> editor_;
    bool opening_ = false;
    LOGFONTA font_ = {};
    int pendingOrientation_ = 0;
    int orientation_ = 0;
    bool layoutValid_ = false;
    bool keyInput_ = false;
    int homeLine_ = -1;
    int lastDrawnLine_ = -1;
    int selStart_ = -1;
    int selEnd_ = -1;
    int selAnchor_ = -1;
    bool caretShown_ = false;
    bool caretMade_ = false;
    POINT caretPoint_ = {};
    std::vector<Line> lines_;
    bool editing_ = false;
    bool modified_ = false;
    bool hookInstalled_ = false;
    bool overflowed_ = false;
    int endLine_ = -1;  // the line End put the caret at the end of
    // The view the line table was made for.
    int layoutWidth_ = 0;
    int layoutHeight_ = 0;
};
