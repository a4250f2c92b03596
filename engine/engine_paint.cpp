// Painting the layers over the host's image, and burning them into a copy of it.
#include "engine_object.h"

#include "view/image_brander.h"
#include "view/view_mapping.h"

int __stdcall EngineObject::Paint(HDC dc, const RECT* view, const RECT* image, int value1,
                                  int value2, int value3, int foreignDevice)
{
    if (layers_.empty())
        return -1;
    const bool foreign = foreignDevice != 0;
    mapping_->Invalidate();
    if (!mapping_->FixedView()) {
        // Every paint asks the host for the view as it is now.
        if (!mapping_->Refresh(foreign, dc))
            return -1;
    } else {
        if (!view || !image)
            return -1;
        mapping_->UsePaintView(*view, *image);
    }
    if (!dc)
        return -1;

    const int saved = SaveDC(dc);
    if (saved == 0)
        return -1;
    if (foreign)
        SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    SetROP2(dc, R2_COPYPEN);
    paint_.Begin(dc);

    PaintArguments args;
    args.view = view ? *view : mapping_->ViewRect();
    args.image = mapping_->ImageRect();
    args.value1 = value1;
    args.value2 = value2;
    args.value3 = value3;
    args.flags = 0;
    try {
        // Oldest first; an item the host draws may change the layers.
        for (int handle : LayerHandles(true))
            if (AnnotationLayer* layer = FindLayer(handle))
                layer->Paint(dc, args);
    } catch (...) {
        // Nothing escapes to the host; the device is put back below.
    }

    // The device gets its own objects back before ours are deleted.
    RestoreDC(dc, saved);
    paint_.End();
    return -1;
}

int __stdcall EngineObject::Brand(int bitsPerPixel)
{
    if (layers_.empty())
        return 0;
    if (!getImageDib_)
        return QMK_ErrUnsupportedOperation;
    HGLOBAL image = nullptr;
    BOOL mustFree = FALSE;
    getImageDib_(serviceCookie_, &image, &mustFree);
    if (!image)
        return QMK_ErrInvalidBrandingDib;

    HGLOBAL branded = nullptr;
    try {
        branded = ImageBrander::Render(module_, hostWindow_, bitsPerPixel, image,
                                       [this](HDC dc, const RECT& view) {
                                           // The whole image at scale 1: the
                                           // host's print view plays no part.
                                           mapping_->SetFixedView(true);
                                           Paint(dc, &view, &view, 0, 0, 0, 0);
                                           mapping_->SetFixedView(false);
                                           mapping_->Invalidate();
                                       });
    } catch (...) {
        mapping_->SetFixedView(false);
        branded = nullptr;
    }
    if (mustFree)
        GlobalFree(image);
    if (!branded)
        return QMK_ErrBranding;
    if (!setImageDib_) {
        GlobalFree(branded);
        return QMK_ErrUnsupportedOperation;
    }
    return setImageDib_(serviceCookie_, branded);
}
