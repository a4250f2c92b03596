// The engine object: construction, teardown and the operations that work on
// the engine's own fields (services, cursors, the context-menu list, host
// image changes, focus).
#include "engine_object.h"

#include "view/unit_names.h"
#include "view/view_mapping.h"

EngineObject::EngineObject(HostCookie hostCookie, HWND hostWindow)
    : module_(HelperWindow::Module()),
      hostCookie_(hostCookie),
      hostWindow_(hostWindow),
      channels_(hostCookie)
{
    screenUnit_ = GetSystemMetrics(SM_CXSCREEN) / 128;
    mapping_ = std::make_unique<ViewMapping>(screenUnit_);
    helper_ = std::make_unique<HelperWindow>(static_cast<AnnotationEngine*>(this));
    layerFormat_ = RegisterClipboardFormatA("QMK7_Layer");
    objectFormat_ = RegisterClipboardFormatA("QMK7_Object");
    cursors_ = std::make_unique<CursorTable>(module_);
    unitNames_ = std::make_unique<UnitNames>();
    settings_ = std::make_unique<EngineSettings>(static_cast<EngineSettingsHost*>(this),
                                                 unitNames_.get());
    contextMenu_.LoadOwnItems(module_);
}

void EngineObject::LoadDefaults()
{
    // The tool maps hold the four default fonts; there is no layer yet that
    // would have to take them.
    settings_->LoadDefaults();
}

void EngineObject::BeginTeardown()
{
    channels_.Silence();
}

EngineObject::~EngineObject()
{
    // Nothing reaches the host while the engine goes, and the layers go first,
    // while the view mapping, the windows and the palette they use still live.
    channels_.Silence();
    DestroyAllLayers();
    currentLayer_ = 0;
    palette_.reset();
    for (BSTR& tip : tips_) {
        SysFreeString(tip);
        tip = nullptr;
    }
    helper_.reset();
    cursors_.reset();
    paint_.End();
    settings_.reset();
    unitNames_.reset();
    mapping_.reset();
}

void EngineObject::DestroyAllLayers()
{
    LayerList doomed;
    doomed.swap(layers_);
    currentLayer_ = 0;
    while (!doomed.empty()) {
        std::unique_ptr<AnnotationLayer> layer = std::move(doomed.front());
        doomed.pop_front();
        RetireLayer(std::move(layer));
    }
}

void EngineObject::RetireLayer(std::unique_ptr<AnnotationLayer> layer)
{
    layer.reset();
}

void EngineObject::ViewForSaving()
{
    if (mapping_->Usable() && !mapping_->RefreshNeeded())
        return;
    for (const auto& layer : layers_)
        for (int entry = 1; entry <= layer->ItemCount(); ++entry)
            if (const Annotation* item = layer->ItemAtEntry(entry); item && item->GeometryPending()) {
                mapping_->Refresh(false, nullptr);
                return;
            }
}

void EngineObject::InvalidateHostWindow()
{
    if (redraw_ && hostWindow_ && IsWindow(hostWindow_))
        InvalidateRect(hostWindow_, nullptr, TRUE);
}

// --- fields -------------------------------------------------------------------

int __stdcall EngineObject::GetPaintIndex()
{
    return paintIndex_;
}

int __stdcall EngineObject::SetPaintIndex(int index)
{
    paintIndex_ = index;
    return 0;
}

int __stdcall EngineObject::AllowUserGrouping(int flag)
{
    groupingAllowed_ = (flag & 0xFF) != 0;
    return 0;
}

int __stdcall EngineObject::SetHostWindow(HWND window)
{
    hostWindow_ = window;
    for (int handle : LayerHandles())
        if (AnnotationLayer* layer = FindLayer(handle))
            layer->SetHostWindow(window);
    return 0;
}

int __stdcall EngineObject::ReservedCommand(int, int, int, int)
{
    return -1;
}

int __stdcall EngineObject::SetViewMode(int mode)
{
    mapping_->SetViewMode(mode);
    return 0;
}

int __stdcall EngineObject::PrgSetImageMappingDimensions(int width, int height)
{
    mapping_->SetImageMappingDimensions(width, height);
    return 0;
}

int __stdcall EngineObject::PrgGetImageMappingDimensions(int* width, int* height)
{
    if (width)
        *width = mapping_->MappingWidth();
    if (height)
        *height = mapping_->MappingHeight();
    return 0;
}

// --- host services ---------------------------------------------------------------

int __stdcall EngineObject::SetHostGetImageDib(GetImageDibFn service)
{
    getImageDib_ = service;
    return 0;
}

int __stdcall EngineObject::SetHostSetImageDib(SetImageDibFn service)
{
    setImageDib_ = service;
    return 0;
}

int __stdcall EngineObject::RegisterCallback(int channel, void* function)
{
    channels_.Register(channel, function);
    return 0;
}

// The view mapping calls the host's view services itself.
void EngineObject::UpdateMappingServices()
{
    ViewMapping::HostServices services;
    services.cookie = serviceCookie_;
    services.getViewGeometry = getViewGeometry_;
    services.setViewGeometry = setViewGeometry_;
    services.getFixedViewGeometry = getFixedViewGeometry_;
    services.getResolution = getResolution_;
    mapping_->SetServices(services);
}

int __stdcall EngineObject::SetHostGetViewGeometry(HostCookie serviceCookie,
                                                   GetViewGeometryFn service)
{
    return SetMappingService(serviceCookie, getViewGeometry_, service);
}

int __stdcall EngineObject::SetHostSetViewGeometry(HostCookie serviceCookie,
                                                   SetViewGeometryFn service)
{
    return SetMappingService(serviceCookie, setViewGeometry_, service);
}

int __stdcall EngineObject::SetHostGetFixedViewGeometry(HostCookie serviceCookie,
                                                        GetViewGeometryFn service)
{
    return SetMappingService(serviceCookie, getFixedViewGeometry_, service);
}

int __stdcall EngineObject::SetHostGetResolution(HostCookie serviceCookie,
                                                 GetResolutionFn service)
{
    return SetMappingService(serviceCookie, getResolution_, service);
}

int __stdcall EngineObject::SetHostDrawCall(HostDrawCallFn service)
{
    hostDrawCall_ = service;
    return 0;
}

int __stdcall EngineObject::SetHostMapValue(MapHostValueFn service)
{
    mapHostValue_ = service;
    return 0;
}

// --- cursors -----------------------------------------------------------------------

int __stdcall EngineObject::SetUseCursorType(int type, int flag)
{
    bool on = flag != 0;
    switch (type) {
    case Cursor_Creating:
        creatingCursor_ = on;
        return 0;
    case Cursor_Selecting:
        selectingCursor_ = on;
        return 0;
    case Cursor_Moving:
        movingCursor_ = on;
        return 0;
    default:
        return QMK_ErrInvalidCursorType;
    }
}

int __stdcall EngineObject::GetUseCursorType(int type, unsigned char* flag)
{
    bool value;
    switch (type) {
    case Cursor_Creating:
        value = creatingCursor_;
        break;
    case Cursor_Selecting:
        value = selectingCursor_;
        break;
    case Cursor_Moving:
        value = movingCursor_;
        break;
    default:
        return QMK_ErrInvalidCursorType;
    }
    if (flag)
        *flag = value ? 1 : 0;
    return 0;
}

// --- the context-menu list ---------------------------------------------------------

int __stdcall EngineObject::ContextMenuSetItemChecked(int item, int subItem, int value,
                                                      int exclusive)
{
    contextMenu_.SetFlag(ContextMenuList::Flag::Checked, item, subItem, value != 0,
                         exclusive != 0);
    return 0;
}

int __stdcall EngineObject::ContextMenuSetItemEnabled(int item, int subItem, int value,
                                                      int exclusive)
{
    contextMenu_.SetFlag(ContextMenuList::Flag::Enabled, item, subItem, value != 0,
                         exclusive != 0);
    return 0;
}

int __stdcall EngineObject::ContextMenuSetItemVisible(int item, int subItem, int value,
                                                      int exclusive)
{
    contextMenu_.SetFlag(ContextMenuList::Flag::Visible, item, subItem, value != 0,
                         exclusive != 0);
    return 0;
}

int __stdcall EngineObject::ContextMenuGetFirstItemID(int* item, int* subItem)
{
    contextMenu_.First(item, subItem);
    return 0;
}

int __stdcall EngineObject::ContextMenuGetNextItemID(int* item, int* subItem)
{
    contextMenu_.Next(item, subItem);
    return 0;
}

int __stdcall EngineObject::ContextMenuGetItemEnabled(int item, int subItem, unsigned char* flag)
{
    if (flag)
        *flag = contextMenu_.GetFlag(ContextMenuList::Flag::Enabled, item, subItem) ? 1 : 0;
    return 0;
}

int __stdcall EngineObject::ContextMenuGetItemVisible(int item, int subItem, unsigned char* flag)
{
    if (flag)
        *flag = contextMenu_.GetFlag(ContextMenuList::Flag::Visible, item, subItem) ? 1 : 0;
    return 0;
}

int __stdcall EngineObject::ContextMenuGetItemChecked(int item, int subItem, unsigned char* flag)
{
    if (flag)
        *flag = contextMenu_.GetFlag(ContextMenuList::Flag::Checked, item, subItem) ? 1 : 0;
    return 0;
}

int __stdcall EngineObject::SetContextMenuString(int item, int subItem, BSTR caption, int create,
                                                 int user1, int user2)
{
    return contextMenu_.SetString(item, subItem, caption, create != 0, user1, user2);
}

int __stdcall EngineObject::GetContextMenuString(int item, BSTR* caption)
{
    return contextMenu_.GetString(item, 0, caption);
}

int __stdcall EngineObject::AddContextMenuItem(int item, int subItem, BSTR caption, int user1,
                                               int user2)
{
    if (item < kFirstHostContextMenuId)
        return QMK_ErrInvalidContextMenuId;
    return contextMenu_.SetString(item, subItem, caption, true, user1, user2);
}

int __stdcall EngineObject::ContextMenuDeleteItem(int item, int subItem, unsigned char* deleted)
{
    bool removed = contextMenu_.Delete(item, subItem);
    if (deleted)
        *deleted = removed ? 1 : 0;
    return 0;
}

int __stdcall EngineObject::ContextMenuGetItem(int item, int subItem, BSTR* caption)
{
    return contextMenu_.GetString(item, subItem, caption);
}

// --- host image changes and focus --------------------------------------------------

bool EngineObject::AnyItems() const
{
    for (const auto& layer : layers_)
        if (layer->ItemCount() > 0)
            return true;
    return false;
}

// The items follow the host's image through pixels: without a view to
// convert with they stay as they are and the change is refused.
int __stdcall EngineObject::ImageMirrored(int, int)
{
    if (AnyItems() && !ViewForGeometry(false))
        return QMK_ErrInvalidContext;
    for (int handle : LayerHandles())
        if (AnnotationLayer* layer = FindLayer(handle))
            layer->ImageMirrored();
    return 0;
}

int __stdcall EngineObject::ImageFlipped(int, int)
{
    if (AnyItems() && !ViewForGeometry(false))
        return QMK_ErrInvalidContext;
    for (int handle : LayerHandles())
        if (AnnotationLayer* layer = FindLayer(handle))
            layer->ImageFlipped();
    return 0;
}

int __stdcall EngineObject::ImageRotated(int, int, float angle)
{
    if (AnyItems() && !ViewForGeometry(false))
        return QMK_ErrInvalidContext;
    int degrees = static_cast<int>(angle);
    for (int handle : LayerHandles())
        if (AnnotationLayer* layer = FindLayer(handle))
            layer->ImageRotated(degrees);
    if (degrees == 90 || degrees == 270 || degrees == -90 || degrees == -270)
        PrgSetImageMappingDimensions(mapping_->MappingHeight(), mapping_->MappingWidth());
    return 0;
}

int __stdcall EngineObject::ImageCropped(const RECT* crop, int, int)
{
    if (!crop)
        return 0;
    if (AnyItems() && !ViewForGeometry(false))
        return QMK_ErrInvalidContext;
    for (int handle : LayerHandles())
        if (AnnotationLayer* layer = FindLayer(handle))
            layer->ImageCropped(*crop);
    PrgSetImageMappingDimensions(crop->right - crop->left, crop->bottom - crop->top);
    return 0;
}

int __stdcall EngineObject::ImageResized(int a, int b)
{
    for (int handle : LayerHandles())
        if (AnnotationLayer* layer = FindLayer(handle))
            layer->ImageResized(a, b);
    return 0;
}

int __stdcall EngineObject::FocusMessage(UINT message)
{
    if (message == WM_SETFOCUS) {
        if (hostWindow_)
            CreateCaret(hostWindow_, nullptr, 2, 8);
        return 0;
    }
    if (AnnotationLayer* current = FindLayer(currentLayer_))
        current->FocusLost();
    DestroyCaret();
    return 0;
}
