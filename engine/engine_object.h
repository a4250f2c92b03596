#pragma once
// The engine object that Ann_Init makes for one host: it owns the layers, the
// host's callbacks and services, the engine settings and tool defaults, the
// view mapping, the helper window, cursors and the context-menu list, and
// answers the 187 operations of AnnotationEngine.
#include <windows.h>
#include <oleauto.h>

#include <list>
#include <map>
#include <memory>
#include <vector>

#include "annotation_engine.h"
#include "layer/annotation_layer.h"
#include "objects/annotation_element.h"
#include "callback_channels.h"
#include "ui/context_menu_builder.h"
#include "ui/context_menu_list.h"
#include "ui/cursor_table.h"
#include "settings/engine_settings.h"
#include "settings/engine_settings_host.h"
#include "ui/helper_window.h"
#include "ui/tool_palette.h"
#include "layer/layer_host.h"
#include "view/paint_tools.h"

class ByteWriter;
class ViewMapping;

class EngineObject final : public AnnotationEngine,
                           private LayerHost,
                           private EngineSettingsHost,
                           private ToolPaletteHost {
public:
    EngineObject(HostCookie hostCookie, HWND hostWindow);
    ~EngineObject();
    EngineObject(const EngineObject&) = delete;
    EngineObject& operator=(const EngineObject&) = delete;

    // Ann_Init's step after construction: the properties and tool defaults a
    // new engine starts with.
    void LoadDefaults();

    // Ann_Deinit's first step: from here on nothing reaches the host.
    void BeginTeardown();

#define ENGINE_OBJECT_DECLARE(slot, name, params) int __stdcall name params override;
    ANNOTATION_ENGINE_SLOTS(ENGINE_OBJECT_DECLARE)
#undef ENGINE_OBJECT_DECLARE

    // For the engine's own use and its tests.
    AnnotationLayer* FindLayer(int handle) const;
    HWND HelperWindowHandle() const { return helper_ ? helper_->Handle() : nullptr; }
    UINT LayerClipboardFormat() const { return layerFormat_; }
    UINT ObjectClipboardFormat() const { return objectFormat_; }
    const CursorTable& Cursors() const { return *cursors_; }
    const ContextMenuList& ContextMenu() const { return contextMenu_; }
    CallbackChannels& Channels() { return channels_; }
    LayerHost& AsLayerHost() { return *this; }
    int ScreenUnit() const { return screenUnit_; }
    const EngineSettings& Settings() const { return *settings_; }
    // The palette, or null before the host first activated it.
    ToolPalette* Palette() const { return palette_ && palette_->Exists() ? palette_.get() : nullptr; }
    // Deletes a layer once the message queue is next served (for commands
    // that run inside the layer's own handling of the mouse).
    void DeleteLayerLater(int handle);

private:
    // LayerHost
    ViewMapping* Mapping() override { return mapping_.get(); }
    bool GroupingAllowed() override { return groupingAllowed_; }
    void GroupCreated(int layer, int groupId) override;
    void GroupDestroyed(int layer, int groupId) override;
    void Invalidate(const RECT* layerRect) override;
    void Notify(int code, int data) override;
    void ItemChanged(int layer, int seq, int attribute) override;
    void UserDraw(HDC dc, int x, int y, int width, int height, int layer, int seq,
                  int userLong) override;
    void Stamping() override;
    void MouseEvent(int code, int layer, int seq, int button, int shift, int x, int y) override;
    void ImageSize(int* width, int* height) override;
    void SelectBrush(int ignored, COLORREF fill, bool hollow, int hatchStyle,
                     COLORREF hatchColor) override;
    void SelectPen(int width, COLORREF color, int ignored, int style) override;
    void DeviceToolsChanged() override { paint_.Forget(); }
    void ToolShown(int layer, int tool) override;
    int HostDrawCall(int v1, int v2, int v3, int v4, int v5, int v6, int v7, int v8, int v9,
                     int v10, int v11, int v12) override;
    int MapHostValue(int picture, int code) override;
    int SetToolCursor(int tool, int kind) override;
    void PaletteToolEnabled(int tool, bool enabled) override;
    void PaletteToolDeleted(int tool, bool deleted) override;
    void PaletteToolVisible(int tool, bool visible) override;
    void ContextMenuSelect(int menuId, int layer, int seq) override;
    void MenuSelect(int menu, int tool, int topId, int subId, int user1, int user2, int layer,
                    int seq) override;
    void RequestLayerPassword(BSTR layerName, BSTR* password) override;
    bool ContextMenuEnabled() override;
    void ShowContextMenu(int layer, int seq) override;
    void SetMouseHook(MouseHookFn hook, void* context) override;
    bool HasLayer(int handle) override { return FindLayer(handle) != nullptr; }
    UnitNames* TextSettings() override { return unitNames_.get(); }

    // EngineSettingsHost
    void SetCurrentLayerToolAttribute(int tool, int attribute, EngineValue value) override;
    void InteractModeSet(bool on) override;
    void ContextMenuEnabledSet(bool enabled) override;
    void UsePaletteMenuSet(bool on) override;
    void FontScalingSet(short scaling) override;

    // ToolPaletteHost
    void PaletteToolClicked(int tool) override;
    void PaletteMenuChosen(int tool, const PopupMenuChoice& choice) override;
    // The button of a tool on the palette, or null (also without a palette).
    ToolPalette::Button* PaletteButton(int tool) const;
    // Shows or hides the palette after the current layer's flags, unless the
    // host hid it or the interactive mode is on; hidden without a current layer.
    void ApplyPaletteLook();

    bool IsLiveItem(int layer, int seq) const;
    // Brings the view up to date for work on geometry: the host is asked now
    // with refreshNow, else only when the record is stale or cannot convert.
    // False when there is no view to convert with (no services and no
    // mapping dimensions, or an image without size).
    bool ViewForGeometry(bool refreshNow);
    // An item of a layer and a view to convert its geometry with: 0, or
    // QMK_ErrInvalidLayer, QMK_ErrItemNotFound, QMK_ErrInvalidContext.
    int ItemWithView(int layer, int seq, bool refreshNow);
    // A group of a layer and a view to convert its rectangle with: 0, or
    // QMK_ErrInvalidLayer, QMK_ErrInvalidGroupId.
    int GroupWithView(int layer, int groupId);
    // A layer found after the view was brought up to date: a stale record is
    // refreshed here, where the call enters, so that the layer and its items
    // never ask the host for the view while they work (the host may delete
    // anything while it answers). Null when the layer is gone.
    AnnotationLayer* LayerWithFreshView(int layer);
    // Whether any layer holds an item.
    bool AnyItems() const;
    void UpdateMappingServices();
    // Keeps one of the host's view services and hands the set to the mapping.
    template <class Service>
    int SetMappingService(HostCookie serviceCookie, Service& kept, Service service)
    {
        serviceCookie_ = serviceCookie;
        kept = service;
        UpdateMappingServices();
        return 0;
    }
    // The handles of the layers as they are now, newest first or oldest
    // first. A walk that calls out to the host (which may delete or add
    // layers) goes over these and finds each layer again by its handle.
    std::vector<int> LayerHandles(bool oldestFirst = false) const;
    // Takes every layer out of the list, then destroys them: what the host
    // does meanwhile finds none of them.
    void DestroyAllLayers();
    // Destroys a layer that is no longer in the list.
    void RetireLayer(std::unique_ptr<AnnotationLayer> layer);
    // A new layer with its tools copied from the defaults, linked to the
    // engine, not yet in the list.
    std::unique_ptr<AnnotationLayer> NewUnlistedLayer();
    // Makes a layer of the list the current one (the previous one is
    // deactivated) and tells the host on channel 9.
    void MakeCurrent(AnnotationLayer& layer);
    void InvalidateHostWindow();

    // Saving and loading (engine_storage_slots.cpp).
    struct LoadedStream;
    int WriteAnnotationStream(ByteWriter& out);
    // Slots 35 and 36 (engine_wang_slots.cpp).
    int SaveWang(void** block, unsigned char preserveLayers, bool unicode);
    uint32_t CreationScale() const;
    int ReadAnnotationStream(const uint8_t* data, size_t size, LoadedStream& loaded);
    void CommitAnnotationStream(LoadedStream& loaded, bool replaceLayers);
    void ApplyStreamHeader(const LoadedStream& loaded);
    void AnnounceLoadedItems(int layer, const std::vector<int>& seqs);
    void RedrawNow();
    // Before a save looks anything up: when an item still holds geometry in
    // pixels (appended from an element, or cropped, before the view was
    // known) and the view record cannot convert it, the host is asked for
    // its view once, so that the save writes layer units, not pixels.
    void ViewForSaving();
    // A live element of this engine by its handle, or null (engine_element_slots.cpp).
    AnnotationElement* FindElement(int handle) const;
    // The bytes of the clipboard's "QMK7_Layer" data, copied (engine_clipboard_slots.cpp).
    int ReadLayerClipboard(std::vector<uint8_t>& bytes);

    using LayerList = std::list<std::unique_ptr<AnnotationLayer>>;

    HINSTANCE module_;
    int paintIndex_ = 1;
    HostCookie hostCookie_;
    HostCookie serviceCookie_ = 0;
    HWND hostWindow_;
    bool redraw_ = true;  // off while annotations are read: the host window is not invalidated
    std::unique_ptr<HelperWindow> helper_;
    CallbackChannels channels_;
    std::unique_ptr<ViewMapping> mapping_;
    std::unique_ptr<UnitNames> unitNames_;
    std::unique_ptr<EngineSettings> settings_;  // uses unitNames_
    ContextMenuList contextMenu_;
    std::unique_ptr<CursorTable> cursors_;
    ContextMenuBuilder contextMenuBuilder_{*this};
    std::unique_ptr<ToolPalette> palette_;
    BSTR tips_[kToolCount] = {};  // the host's tip texts, kept for a palette made later
    PaintTools paint_;
    int screenUnit_ = 0;
    MouseHookFn mouseHook_ = nullptr;
    void* mouseHookContext_ = nullptr;
    bool selectingCursor_ = true;
    bool movingCursor_ = true;
    bool creatingCursor_ = true;
    bool groupingAllowed_ = false;
    LayerList layers_;  // newest first
    std::map<int, std::unique_ptr<AnnotationElement>> elements_;  // by handle
    UINT layerFormat_ = 0;
    UINT objectFormat_ = 0;
    // The "QMK7_Layer" bytes last read from the clipboard and the clipboard's
    // sequence number then (0: none kept).
    DWORD clipboardSequence_ = 0;
    std::vector<uint8_t> clipboardCopy_;
    int layerWalk_ = 0;  // handle of the layer the walk stands on, 0 for none
    int currentLayer_ = 0;
    GetViewGeometryFn getViewGeometry_ = nullptr;
    SetViewGeometryFn setViewGeometry_ = nullptr;
    GetResolutionFn getResolution_ = nullptr;
    GetViewGeometryFn getFixedViewGeometry_ = nullptr;
    HostDrawCallFn hostDrawCall_ = nullptr;
    MapHostValueFn mapHostValue_ = nullptr;
    GetImageDibFn getImageDib_ = nullptr;
    SetImageDibFn setImageDib_ = nullptr;
};
