#pragma once
// The engine side as a layer sees it, for tests that drive a layer of the
// engine's core library directly: records the events, invalidations, tool
// and palette calls, and answers password requests as the control does.
#include <string>
#include <vector>

#include "layer/layer_host.h"
#include "view/paint_tools.h"

namespace objects_test {

struct LayerEvent {
    int code;
    int data;
    bool operator==(const LayerEvent& other) const
    {
        return code == other.code && data == other.data;
    }
};

class RecordingLayerHost : public LayerHost {
public:
    explicit RecordingLayerHost(ViewMapping* mapping) : mapping_(mapping) {}
    ViewMapping* Mapping() override { return mapping_; }
    bool GroupingAllowed() override { return false; }
    void GroupCreated(int, int) override {}
    void GroupDestroyed(int, int) override {}
    void Invalidate(const RECT* rect) override
    {
        ++invalidations;
        wholeView += rect ? 0 : 1;
    }
    void Notify(int code, int data) override { events.push_back({code, data}); }
    void ItemChanged(int, int, int) override {}
    void UserDraw(HDC, int, int, int, int, int, int, int) override {}
    void Stamping() override {}
    void MouseEvent(int, int, int, int, int, int, int) override {}
    void ImageSize(int* width, int* height) override { *width = *height = 0; }
    // Records what items ask for and makes it in the painter's device.
    void SelectBrush(int, COLORREF fill, bool hollow, int hatchStyle, COLORREF hatchColor) override
    {
        brushes.push_back({fill, hollow, hatchStyle, hatchColor});
        painter.SelectBrush(fill, hollow, hatchStyle, hatchColor);
    }
    void SelectPen(int width, COLORREF color, int, int style) override
    {
        pens.push_back({width, color, style});
        painter.SelectPen(PaintTools::DeviceWidth(mapping_, width), color, style);
    }
    void ToolShown(int, int tool) override { toolsShown.push_back(tool); }
    int HostDrawCall(int, int, int, int, int, int, int, int, int, int, int, int) override
    {
        return 0;
    }
    int MapHostValue(int picture, int) override { return picture; }
    int SetToolCursor(int, int) override { return 0; }
    void PaletteToolEnabled(int tool, bool flag) override { palette.push_back({1, tool * 2 + flag}); }
    void PaletteToolDeleted(int tool, bool flag) override { palette.push_back({2, tool * 2 + flag}); }
    void PaletteToolVisible(int tool, bool flag) override { palette.push_back({3, tool * 2 + flag}); }
    void ContextMenuSelect(int, int, int) override {}
    void MenuSelect(int, int, int, int, int, int, int, int) override {}
    // The sink replaces the BSTR it was given when it has an answer.
    void RequestLayerPassword(BSTR layerName, BSTR* password) override
    {
        asked.push_back({layerName ? layerName : L"", *password ? *password : L""});
        if (answer) {
            SysFreeString(*password);
            *password = SysAllocString(answer);
        }
    }
    bool ContextMenuEnabled() override { return false; }
    void ShowContextMenu(int, int) override {}
    void SetMouseHook(MouseHookFn, void*) override {}
    bool HasLayer(int) override { return true; }

    struct BrushRequest {
        COLORREF fill;
        bool hollow;
        int hatchStyle;
        COLORREF hatchColor;
        bool operator==(const BrushRequest& o) const
        {
            return fill == o.fill && hollow == o.hollow && hatchStyle == o.hatchStyle &&
                   hatchColor == o.hatchColor;
        }
    };
    struct PenRequest {
        int width;
        COLORREF color;
        int style;
        bool operator==(const PenRequest& o) const
        {
            return width == o.width && color == o.color && style == o.style;
        }
    };
    std::vector<BrushRequest> brushes;
    std::vector<PenRequest> pens;
    PaintTools painter;  // Begin it with the device a test paints into

    struct Request {
        std::wstring layerName;
        std::wstring offered;  // the password the layer offered
    };
    std::vector<LayerEvent> events;
    std::vector<int> toolsShown;
    std::vector<LayerEvent> palette;  // (kind, tool * 2 + flag)
    std::vector<Request> asked;
    const wchar_t* answer = nullptr;  // null: the host leaves the password as offered
    int invalidations = 0;
    int wholeView = 0;

private:
    ViewMapping* mapping_;
};

} // namespace objects_test
