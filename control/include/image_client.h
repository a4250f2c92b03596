#pragma once
// The binding between the annotation control and its client, an image-viewing
// control on the same form. Both sides include this header; the client links
// engine_interface (for the service signatures the engine calls) and nothing
// else of the control.
//
// How a client is found and bound:
//   1. The control sends kControlQueryMessage (wParam kControlQueryParam,
//      lParam the address of an ImageControlInterface* preset to null) to
//      candidate windows, or asks the objects of its container for
//      ImageControlInterface. A client answers with a pointer that carries a
//      reference for the asker.
//   2. SetAnnotateServer(the control's IAnnotateServer7).
//   3. At run time only: QueryInterface(ImageControlSupport) and its Release,
//      then SetAnnotationCallbacks(ctx, HostCallbackTable*). The client calls
//      SetHostCookie first, then SetHostServices with its HostServiceTable,
//      which must live as long as the binding.
//   4. Unbinding: ReleaseAnnotateServer, after which the client calls nothing.
//
// Every function of both tables is __stdcall with 32-bit arguments; byte
// flags are declared unsigned char (the callee reads the low byte). The
// values named a, b and c are the client's and pass through the control to
// the engine unchanged.
#include <windows.h>
#include <objbase.h>
#include <oaidl.h>

#include <cstddef>
#include <cstdint>

#include "annotation_engine.h"

// --- The query message ---------------------------------------------------
constexpr UINT kControlQueryMessage = 0x0BD0;
constexpr WPARAM kControlQueryParam = 0x0445;

// --- The control's side --------------------------------------------------
// IAnnotateServer7 is declared by the control's type library (quillmark.h);
// this is the same declaration, under the same guard, for a client that
// does not include that header (it names the IID as __uuidof). Whichever
// comes first wins; both agree.
#ifndef __IAnnotateServer7_FWD_DEFINED__
#define __IAnnotateServer7_FWD_DEFINED__
typedef interface IAnnotateServer7 IAnnotateServer7;
#endif
#ifndef __IAnnotateServer7_INTERFACE_DEFINED__
#define __IAnnotateServer7_INTERFACE_DEFINED__
DEFINE_GUID(IID_IAnnotateServer7, 0x0cba8714, 0xbcde, 0x4b04, 0xbd, 0xd9, 0x84, 0x81, 0x70, 0x7e,
            0xcf, 0xad);
MIDL_INTERFACE("0cba8714-bcde-4b04-bdd9-8481707ecfad")
IAnnotateServer7 : public IUnknown {
    // The client was renamed: the control takes the new name as its Client.
    virtual HRESULT STDMETHODCALLTYPE NameChange(BSTR bstrNewName) = 0;
};
__CRT_UUID_DECL(IAnnotateServer7, 0x0cba8714, 0xbcde, 0x4b04, 0xbd, 0xd9, 0x84, 0x81, 0x70, 0x7e,
                0xcf, 0xad)
#endif

// --- The client's record of services --------------------------------------
// The control keeps the client's pointer, never a copy. The engine calls the
// services marked "engine" itself; "cookie" is the value the client gave
// SetHostCookie.
typedef int(__stdcall* CurrentLayerChangedFn)(HostCookie cookie, int active);
typedef int(__stdcall* ForceUpdateFn)(HostCookie cookie);

struct HostServiceTable {
    int32_t ViewMode;                          // 0; 2: the engine computes the view
    GetImageDibFn GetImageDib;                 // engine
    SetImageDibFn SetImageDib;                 // engine
    CurrentLayerChangedFn CurrentLayerChanged; // control: the current layer changed
    HostDrawCallFn HostDrawCall;               // engine
    GetViewGeometryFn GetViewGeometry;         // engine
    MapHostValueFn MapHostValue;               // engine
    GetViewGeometryFn GetFixedViewGeometry;    // engine: the view in twips
    ForceUpdateFn ForceUpdate;                 // control: refresh the view
    GetResolutionFn GetResolution;             // engine
    SetViewGeometryFn SetViewGeometry;         // engine
};

// --- The control's record of entries --------------------------------------
// One block for the whole process, rebuilt before every SetAnnotationCallbacks.
// ctx is the control object given to SetAnnotationCallbacks.
typedef void* HostContext;

constexpr uint32_t kHostCallbackTableVersion = 2;

typedef int(__stdcall* SetHostServicesFn)(HostContext ctx, HostServiceTable* services);
typedef int(__stdcall* SetHostCookieFn)(HostContext ctx, HostCookie cookie);
typedef int(__stdcall* PaintAnnotationsFn)(HostContext ctx, HDC dc, int ignored, int a, int b,
                                           const RECT* view, const RECT* image);
typedef int(__stdcall* PaintAnnotationsExFn)(HostContext ctx, int index, HDC dc, int ignored,
                                             int a, int b, const RECT* view, const RECT* image);
typedef int(__stdcall* PaintAnnotationsToDCFn)(HostContext ctx, HDC dc, int a, int b,
                                               const RECT* view, const RECT* image);
typedef int(__stdcall* HostWindowMessageFn)(HostContext ctx, HWND window, UINT message,
                                            WPARAM wParam, LPARAM lParam);
typedef int(__stdcall* SetHostWindowFn)(HostContext ctx, HWND window);
typedef int(__stdcall* LoadTiffTagAnnotationsFn)(HostContext ctx, const void* data, int length,
                                                 int a, int b, int tag);
// *data receives a CoTaskMem block the caller frees, or null; the result is
// its byte count (0: nothing to write); *tag receives the tag to write it as.
typedef int(__stdcall* SaveTiffTagAnnotationsFn)(HostContext ctx, void** data, int* tag);
typedef int(__stdcall* ImageRotatedFn)(HostContext ctx, int a, int b, float angle);
typedef int(__stdcall* ImageChangedFn)(HostContext ctx, int a, int b);
typedef int(__stdcall* FocusMessageFn)(HostContext ctx, UINT message);
typedef int(__stdcall* ImageCroppedFn)(HostContext ctx, const RECT* crop, int a, int b);
typedef int(__stdcall* SaveAnnotationsToVariantFn)(HostContext ctx, VARIANT* a, int* b,
                                                   BSTR* comments, BSTR* author, BSTR* title,
                                                   BSTR* subject);
typedef int(__stdcall* LoadAnnotationsFromVariantFn)(HostContext ctx, VARIANT* a, int* b, int* c,
                                                     BSTR* comments, BSTR* author, BSTR* title,
                                                     BSTR* subject);
typedef int(__stdcall* ClearAnnotationsFn)(HostContext ctx);
typedef int(__stdcall* SetSaveSuppressedFn)(HostContext ctx, unsigned char suppressed);

struct HostCallbackTable {
    uint32_t Version; // kHostCallbackTableVersion
    SetHostServicesFn SetHostServices;
    SetHostCookieFn SetHostCookie;
    PaintAnnotationsFn PaintAnnotations;
    PaintAnnotationsExFn PaintAnnotationsEx;
    PaintAnnotationsToDCFn PaintAnnotationsToDC;
    HostWindowMessageFn KeyMessage;   // 0 handled, -1 not handled
    HostWindowMessageFn MouseMessage; // 0 handled, -1 not handled
    SetHostWindowFn SetHostWindow;
    void* Reserved; // always null
    LoadTiffTagAnnotationsFn LoadTiffTagAnnotations;
    SaveTiffTagAnnotationsFn SaveTiffTagAnnotations;
    ImageRotatedFn ImageRotated;
    ImageChangedFn ImageMirrored;
    ImageChangedFn ImageFlipped;
    FocusMessageFn FocusMessage;
    ImageCroppedFn ImageCropped;
    ImageChangedFn ImageResized;
    SaveAnnotationsToVariantFn SaveAnnotationsToVariant; // 1 saved, 0 not
    LoadAnnotationsFromVariantFn LoadAnnotationsFromVariant;
    ClearAnnotationsFn ClearAnnotations;
    SetSaveSuppressedFn SetSaveSuppressed; // 1 until the client says 0
};

// TIFF tags that carry annotations.
constexpr int kTiffTagWang = 32932;      // the Wang/Oi layout
constexpr int kTiffTagQuillmark = 34686; // the engine's own stream

// --- The client's side -----------------------------------------------------
// {E8F34546-AE73-4A73-9245-A394D530B21C}
static const IID IID_ImageControlInterface = {
    0xe8f34546, 0xae73, 0x4a73, {0x92, 0x45, 0xa3, 0x94, 0xd5, 0x30, 0xb2, 0x1c}};
MIDL_INTERFACE("e8f34546-ae73-4a73-9245-a394d530b21c")
ImageControlInterface : public IUnknown {
    // Unbinding: drop the annotate server, forget ctx and the table.
    virtual HRESULT STDMETHODCALLTYPE ReleaseAnnotateServer() = 0; // slot 3
    // Keep the server (with a reference) to report renames through it.
    virtual HRESULT STDMETHODCALLTYPE SetAnnotateServer(IAnnotateServer7* server) = 0; // slot 4
    // Never called by the control.
    virtual HRESULT STDMETHODCALLTYPE Unused() = 0; // slot 5
    // Run time only: the entries to call, with ctx as their first argument.
    virtual HRESULT STDMETHODCALLTYPE SetAnnotationCallbacks(HostContext ctx,
                                                             HostCallbackTable* table) = 0; // 6
    // The client's name, a new BSTR the caller frees.
    virtual HRESULT STDMETHODCALLTYPE GetControlName(BSTR* name) = 0; // slot 7
};
__CRT_UUID_DECL(ImageControlInterface, 0xe8f34546, 0xae73, 0x4a73, 0x92, 0x45, 0xa3, 0x94, 0xd5,
                0x30, 0xb2, 0x1c)

// Asked for (and released at once) before SetAnnotationCallbacks; a client
// may answer it or not. It has no operations of its own.
// {59003139-A19E-4E1F-9596-BC7A9F810897}
static const IID IID_ImageControlSupport = {
    0x59003139, 0xa19e, 0x4e1f, {0x95, 0x96, 0xbc, 0x7a, 0x9f, 0x81, 0x08, 0x97}};
MIDL_INTERFACE("59003139-a19e-4e1f-9596-bc7a9f810897")
ImageControlSupport : public IUnknown {};
__CRT_UUID_DECL(ImageControlSupport, 0x59003139, 0xa19e, 0x4e1f, 0x95, 0x96, 0xbc, 0x7a, 0x9f,
                0x81, 0x08, 0x97)

// --- Layouts both sides rely on --------------------------------------------
namespace image_client_detail {
static_assert(sizeof(void*) == 4, "the binding is a 32-bit layout");
static_assert(sizeof(HostServiceTable) == 44, "HostServiceTable is 11 fields of 32 bits");
static_assert(offsetof(HostServiceTable, ViewMode) == 0, "ViewMode");
static_assert(offsetof(HostServiceTable, GetImageDib) == 4, "GetImageDib");
static_assert(offsetof(HostServiceTable, SetImageDib) == 8, "SetImageDib");
static_assert(offsetof(HostServiceTable, CurrentLayerChanged) == 12, "CurrentLayerChanged");
static_assert(offsetof(HostServiceTable, HostDrawCall) == 16, "HostDrawCall");
static_assert(offsetof(HostServiceTable, GetViewGeometry) == 20, "GetViewGeometry");
static_assert(offsetof(HostServiceTable, MapHostValue) == 24, "MapHostValue");
static_assert(offsetof(HostServiceTable, GetFixedViewGeometry) == 28, "GetFixedViewGeometry");
static_assert(offsetof(HostServiceTable, ForceUpdate) == 32, "ForceUpdate");
static_assert(offsetof(HostServiceTable, GetResolution) == 36, "GetResolution");
static_assert(offsetof(HostServiceTable, SetViewGeometry) == 40, "SetViewGeometry");

static_assert(sizeof(HostCallbackTable) == 88, "HostCallbackTable is 22 fields of 32 bits");
static_assert(offsetof(HostCallbackTable, Version) == 0, "Version");
static_assert(offsetof(HostCallbackTable, SetHostServices) == 4, "SetHostServices");
static_assert(offsetof(HostCallbackTable, SetHostCookie) == 8, "SetHostCookie");
static_assert(offsetof(HostCallbackTable, PaintAnnotations) == 12, "PaintAnnotations");
static_assert(offsetof(HostCallbackTable, PaintAnnotationsEx) == 16, "PaintAnnotationsEx");
static_assert(offsetof(HostCallbackTable, PaintAnnotationsToDC) == 20, "PaintAnnotationsToDC");
static_assert(offsetof(HostCallbackTable, KeyMessage) == 24, "KeyMessage");
static_assert(offsetof(HostCallbackTable, MouseMessage) == 28, "MouseMessage");
static_assert(offsetof(HostCallbackTable, SetHostWindow) == 32, "SetHostWindow");
static_assert(offsetof(HostCallbackTable, Reserved) == 36, "Reserved");
static_assert(offsetof(HostCallbackTable, LoadTiffTagAnnotations) == 40, "LoadTiffTagAnnotations");
static_assert(offsetof(HostCallbackTable, SaveTiffTagAnnotations) == 44, "SaveTiffTagAnnotations");
static_assert(offsetof(HostCallbackTable, ImageRotated) == 48, "ImageRotated");
static_assert(offsetof(HostCallbackTable, ImageMirrored) == 52, "ImageMirrored");
static_assert(offsetof(HostCallbackTable, ImageFlipped) == 56, "ImageFlipped");
static_assert(offsetof(HostCallbackTable, FocusMessage) == 60, "FocusMessage");
static_assert(offsetof(HostCallbackTable, ImageCropped) == 64, "ImageCropped");
static_assert(offsetof(HostCallbackTable, ImageResized) == 68, "ImageResized");
static_assert(offsetof(HostCallbackTable, SaveAnnotationsToVariant) == 72,
              "SaveAnnotationsToVariant");
static_assert(offsetof(HostCallbackTable, LoadAnnotationsFromVariant) == 76,
              "LoadAnnotationsFromVariant");
static_assert(offsetof(HostCallbackTable, ClearAnnotations) == 80, "ClearAnnotations");
static_assert(offsetof(HostCallbackTable, SetSaveSuppressed) == 84, "SetSaveSuppressed");
} // namespace image_client_detail
