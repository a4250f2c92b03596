#pragma once
// The engine side as a layer sees it, for tests of the saved layer: records
// the events and answers password requests.
#include <string>
#include <vector>

#include "layer_host.h"

namespace formats_test {

class CoreLayerHost : public LayerHost {
public:
    explicit CoreLayerHost(ViewMapping* mapping) : mapping_(mapping) {}
    ViewMapping* Mapping() override { return mapping_; }
    bool GroupingAllowed() override { return false; }
    void GroupCreated(int, int) override {}
    void GroupDestroyed(int, int) override {}
    void Invalidate(const RECT*) override { ++invalidations; }
    void Notify(int code, int data) override { events.push_back({code, data}); }
    void ItemChanged(int, int, int) override {}
    void UserDraw(HDC, int, int, int, int, int, int, int) override {}
    void Stamping() override {}
    void MouseEvent(int, int, int, int, int, int, int) override {}
    void ImageSize(int* width, int* height) override { *width = *height = 0; }
    void SelectBrush(int, COLORREF, bool, int, COLORREF) override {}
    void SelectPen(int, COLORREF, int, int) override {}
    void ToolShown(int, int) override {}
    int HostDrawCall(int, int, int, int, int, int, int, int, int, int, int, int) override { return 0; }
    int MapHostValue(int picture, int) override { return picture; }
    int SetToolCursor(int, int) override { return 0; }
    void PaletteToolEnabled(int, bool) override {}
    void PaletteToolDeleted(int, bool) override {}
    void PaletteToolVisible(int, bool) override {}
    void ContextMenuSelect(int, int, int) override {}
    void MenuSelect(int, int, int, int, int, int, int, int) override {}
    // Answers as the control does: the sink replaces the BSTR it was given.
    void RequestLayerPassword(BSTR layerName, BSTR* password) override
    {
        asked.push_back({layerName ? layerName : L"", *password ? *password : L""});
        if (answer) {
            SysFreeString(*password);
            *password = SysAllocString(answer);
        }
    }
    void SetMouseHook(MouseHookFn, void*) override {}
    bool ContextMenuEnabled() override { return false; }
    void ShowContextMenu(int, int) override {}

    struct Event {
        int code;
        int data;
    };
    struct Request {
        std::wstring layerName;
        std::wstring offered;  // the password the layer offered
    };
    std::vector<Event> events;
    std::vector<Request> asked;
    const wchar_t* answer = nullptr;  // null: the host leaves the password as offered
    int invalidations = 0;

private:
    ViewMapping* mapping_;
};

} // namespace formats_test
