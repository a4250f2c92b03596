#pragma once
// The interface between the annotation engine (inkcore7.dll) and its host.
//
// The host loads inkcore7.dll by file name and binds two exports by ordinal:
//   ordinal 1  AnnInitFn    Ann_Init(host cookie, host window, unused) -> engine or null
//   ordinal 2  AnnDeinitFn  Ann_Deinit(engine); a null engine does nothing
// Everything else goes through the 187 operations of AnnotationEngine.
//
// Binary rules (both libraries depend on them):
// - Every operation is `virtual int __stdcall`; there is no virtual destructor
//   and no overload, so operation n is the n-th entry of the vtable for any
//   caller. Operations whose result is "none" return 0, and the host must not
//   rely on it.
// - Arguments are 32-bit values. Byte flags are declared `unsigned char` (the
//   callee reads the low byte). Rectangles and points cross by address.
// - Strings cross as BSTR: an argument is read and copied; a string result is a
//   new BSTR that the caller frees.
// - A layer handle identifies a layer of this engine. An operation taking a
//   layer handle looks it up first and answers QMK_ErrInvalidLayer (1013) for a
//   handle that names no layer of this engine (0 included) - or 0 where its
//   result is a boolean or a handle. Handles are never reused within a process.
// - The engine never lets an exception out of an operation or an export.
// - Settled argument orders:
//     ElementAppend is (layer, element, out sequence number).
//     PrgMoveItem moves the item so that its bounding rectangle's top-left
//       corner lands on (x, y), an absolute position in image pixels (as
//       every point that crosses the interface unless said otherwise); it is
//       not an offset.
//     Update is (layer, address of the new updates flag or null, address of a
//       byte that receives the flag as it was before, or null).
// - Saved annotations: every load (LoadAnnotationsFromMemory,
//   RetrieveAnnotation, SetAnnFromVariant, SetLayerFromVariant) reads and
//   checks all of its data before it changes anything, so a load that fails
//   returns its error and leaves the layers and settings as they were. Byte
//   arrays and memory blocks hold exactly the saved bytes. A scrambled layer
//   asks for its password on Channel_RequestLayerPassword whatever it is
//   loaded from.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>

#include "engine_codes.h"

// A 32-bit value that, for some codes, carries an address (BSTR, LOGFONT*,
// RECT*, VARIANT*) or a handle (HGLOBAL) instead of a number.
typedef intptr_t EngineValue;

// The cookies handed back on every callback and host service.
typedef intptr_t HostCookie;

// Channel callbacks (RegisterCallback). Each receives the host cookie given to
// Ann_Init first; the engine ignores their results.
typedef int(__stdcall* AnnotateEventFn)(HostCookie cookie, int code, int data);
typedef int(__stdcall* RequestLayerPasswordFn)(HostCookie cookie, BSTR layerName, BSTR* password);
typedef int(__stdcall* StampingFn)(HostCookie cookie);
typedef int(__stdcall* MouseEventFn)(HostCookie cookie, int code, int layer, int seq, int button,
                                     int shift, int x, int y);
typedef int(__stdcall* PaletteMenuSelectFn)(HostCookie cookie, int tool, int menuId, int subMenuId,
                                            int user1, int user2);
typedef int(__stdcall* UserDrawFn)(HostCookie cookie, HDC dc, int x, int y, int width, int height,
                                   int layer, int seq, int userLong);
typedef int(__stdcall* ItemChangedFn)(HostCookie cookie, int layer, int seq, int attribute);
typedef int(__stdcall* CurrentLayerChangeFn)(HostCookie cookie, int layer);
typedef int(__stdcall* ContextMenuSelectFn)(HostCookie cookie, int menuId, int layer, int seq);
typedef int(__stdcall* UserGroupCreatedFn)(HostCookie cookie, int layer, int groupId);
typedef int(__stdcall* UserGroupDestroyedFn)(HostCookie cookie, int layer, int groupId);
typedef int(__stdcall* MenuSelectFn)(HostCookie cookie, int menu, int tool, int topId, int subId,
                                     int user1, int user2, int layer, int seq);
typedef int(__stdcall* ToolbarSelectFn)(HostCookie cookie, int tool, int layer);

// Host services. The first four and the image services receive the service
// cookie given to SetHostGetViewGeometry and its siblings.
typedef int(__stdcall* GetViewGeometryFn)(HostCookie cookie, int* kind, RECT* view, RECT* image,
                                          int* imageWidth, int* imageHeight);
typedef int(__stdcall* SetViewGeometryFn)(HostCookie cookie, int value);
typedef int(__stdcall* GetResolutionFn)(HostCookie cookie, double* resolutionX, double* resolutionY);
typedef int(__stdcall* GetImageDibFn)(HostCookie cookie, HGLOBAL* image, BOOL* mustFree);
typedef int(__stdcall* SetImageDibFn)(HostCookie cookie, HGLOBAL image);
// Twelve values passed through unchanged; no cookie.
typedef int(__stdcall* HostDrawCallFn)(int v1, int v2, int v3, int v4, int v5, int v6, int v7,
                                       int v8, int v9, int v10, int v11, int v12);
typedef int(__stdcall* MapHostValueFn)(HostCookie cookie, int picture, int code);

// The 187 operations in slot order: X(slot, name, parameter list).
// "out" parameters receive a result; "layer" is a layer handle, "seq" a
// sequence number of an item within its layer, "element" an element handle.
#define ANNOTATION_ENGINE_SLOTS(X) \
    X(0, GetPaintIndex, ()) \
    X(1, SetPaintIndex, (int index)) \
    X(2, GrpCreateGroup, (int layer, BSTR name, int userLong, int* groupId)) \
    X(3, GrpDestroyGroup, (int layer, int groupId)) \
    X(4, GrpAddItem, (int layer, int groupId, int seq)) \
    X(5, GrpAddSelected, (int layer, int groupId)) \
    X(6, GrpRemoveItem, (int layer, int groupId, int seq)) \
    X(7, GrpRemoveAll, (int layer, int groupId)) \
    X(8, GrpGetItemCount, (int layer, int groupId, int* count)) \
    X(9, GrpGetFirstItem, (int layer, int groupId, int* seq)) \
    X(10, GrpGetNextItem, (int layer, int groupId, int* seq)) \
    X(11, GrpGetName, (int layer, int groupId, BSTR* name)) \
    X(12, GrpGetUserLong, (int layer, int groupId, int* value)) \
    X(13, GrpSetName, (int layer, int groupId, BSTR name)) \
    X(14, GrpSetUserLong, (int layer, int groupId, int value)) \
    X(15, GrpAddType, (int layer, int groupId, int tool)) \
    X(16, GrpRemoveType, (int layer, int groupId, int tool)) \
    X(17, GrpGetFirstGroupID, (int layer, int* groupId)) \
    X(18, GrpGetNextGroupID, (int layer, int* groupId)) \
    X(19, GrpSetUserString, (int layer, int groupId, BSTR text)) \
    X(20, GrpGetUserString, (int layer, int groupId, BSTR* text)) \
    X(21, GrpSetYoked, (int layer, int groupId, int flag)) \
    X(22, GrpGetYoked, (int layer, int groupId, unsigned char* flag)) \
    X(23, GrpGetSelected, (int layer, int groupId, unsigned char* flag)) \
    X(24, GrpSetSelected, (int layer, int groupId, int flag)) \
    X(25, PrgGetItemGroupID, (int layer, int seq, int* groupId)) \
    X(26, GrpGroupIDFromName, (int layer, BSTR name, int* groupId)) \
    X(27, GrpSetAttribute, (int layer, int groupId, int attribute, EngineValue value)) \
    X(28, PrgGetGroupCount, (int layer, int* count)) \
    X(29, GrpSetRect, (int layer, int groupId, int left, int top, int width, int height)) \
    X(30, GrpMirror, (int layer, int groupId)) \
    X(31, GrpInvert, (int layer, int groupId)) \
    X(32, GrpGetRect, (int layer, int groupId, RECT* rect)) \
    X(33, AllowUserGrouping, (int flag)) \
    X(34, SetHostWindow, (HWND window)) \
    X(35, SaveWangAnnotationsUnicode, (void** block, unsigned char preserveLayers)) \
    X(36, SaveWangAnnotations, (void** block, unsigned char preserveLayers)) \
    X(37, SaveAnnotationsToMemory, (void** block)) \
    X(38, LoadAnnotationsFromMemory, (const void* data, int length, int ignored1, int ignored2)) \
    X(39, ReservedCommand, (int a, int b, int c, int d)) \
    X(40, MouseMessage, (HWND window, UINT message, WPARAM wParam, LPARAM lParam)) \
    X(41, KeyMessage, (HWND window, UINT message, WPARAM wParam, LPARAM lParam)) \
    X(42, Paint, (HDC dc, const RECT* view, const RECT* image, int a, int b, int c, int foreignDevice)) \
    X(43, CreateLayer, (unsigned char makeCurrent)) \
    X(44, DeleteLayer, (int layer)) \
    X(45, SetCurrentLayer, (int layer)) \
    X(46, GetCurrentLayer, ()) \
    X(47, SetSaveAnnotations, (unsigned char flag)) \
    X(48, GetSaveAnnotations, ()) \
    X(49, SaveToStream, (IStream* stream)) \
    X(50, StoreAnnotation, (BSTR fileName)) \
    X(51, RetrieveAnnotation, (BSTR fileName)) \
    X(52, PrgGetItemCount, (int layer, int* count)) \
    X(53, PrgGetItemAttributes, (int layer, int seq, int element)) \
    X(54, PrgMoveItem, (int layer, int seq, int x, int y)) \
    X(55, PrgSetItemRect, (int layer, int seq, int left, int top, int width, int height)) \
    X(56, SetTool, (int layer, int tool)) \
    X(57, GetTool, (int layer, int* tool)) \
    X(58, SetToolAttribute, (int layer, int tool, int attribute, EngineValue value)) \
    X(59, GetToolAttribute, (int layer, int tool, int attribute, EngineValue* value)) \
    X(60, SetToolDefaultAttribute, (int tool, int attribute, EngineValue value)) \
    X(61, GetToolDefaultAttribute, (int tool, int attribute, EngineValue* value)) \
    X(62, SetProperty, (int code, EngineValue value)) \
    X(63, GetProperty, (int code, EngineValue* value)) \
    X(64, PrgSetItemAttribute, (int layer, int seq, int attribute, EngineValue value)) \
    X(65, PrgGetItemAttribute, (int layer, int seq, int attribute, EngineValue* value)) \
    X(66, PrgSetItemPoint, (int layer, int seq, int index, const POINT* point)) \
    X(67, PrgGetItemPoint, (int layer, int seq, int index, POINT* point)) \
    X(68, Update, (int layer, const unsigned char* newFlag, unsigned char* oldFlag)) \
    X(69, DeleteAllLayers, ()) \
    X(70, ActivateToolbar, (unsigned char flag)) \
    X(71, ToolbarSetToolTip, (int tool, BSTR text)) \
    X(72, ToolbarGetToolTip, (int tool, BSTR* text)) \
    X(73, Reverse, (int layer)) \
    X(74, SetLayerProperty, (int layer, int code, EngineValue value)) \
    X(75, GetLayerProperty, (int layer, int code, EngineValue* value)) \
    X(76, IsValidLayer, (int layer)) \
    X(77, IsValidToolAttribute, (int tool, int attribute, unsigned char* valid)) \
    X(78, DeleteSelected, ()) \
    X(79, PrgSelectAll, (int layer, int flag)) \
    X(80, PrgDeleteAll, (int layer)) \
    X(81, SetUseCursorType, (int type, int flag)) \
    X(82, GetUseCursorType, (int type, unsigned char* flag)) \
    X(83, BringToFront, (int layer)) \
    X(84, SendToBack, (int layer)) \
    X(85, BringItemToFront, (int layer, int seq)) \
    X(86, SendItemToBack, (int layer, int seq)) \
    X(87, IsSelection, (int layer)) \
    X(88, ToolbarGetToolEnabled, (int layer, int tool, unsigned char* flag)) \
    X(89, ToolbarSetToolEnabled, (int layer, int tool, int flag)) \
    X(90, ToolbarDeleteTool, (int layer, int tool)) \
    X(91, ToolbarGetToolVisible, (int layer, int tool, unsigned char* flag)) \
    X(92, ToolbarSetToolVisible, (int layer, int tool, int flag)) \
    X(93, ToolbarGetVisible, (int layer, unsigned char* flag)) \
    X(94, ToolbarSetVisible, (int layer, int flag)) \
    X(95, ToolbarGetEnabled, (int layer, unsigned char* flag)) \
    X(96, ToolbarSetEnabled, (int layer, int flag)) \
    X(97, SetToolbarHeight, (int rows)) \
    X(98, GetToolbarHeight, ()) \
    X(99, SetToolbarWidth, (int columns)) \
    X(100, GetToolbarWidth, ()) \
    X(101, MenuSetEnabled, (int tool, int flag)) \
    X(102, MenuGetEnabled, (int tool, unsigned char* flag)) \
    X(103, ToolbarMenuAddItem, (int tool, int item, int subItem, BSTR caption, int user1, int user2)) \
    X(104, ToolbarMenuDeleteItem, (int tool, int item, int subItem)) \
    X(105, ContextMenuSetItemChecked, (int item, int subItem, int value, int exclusive)) \
    X(106, ToolbarMenuSetItemChecked, (int tool, int item, int subItem, int value, int exclusive)) \
    X(107, ContextMenuSetItemEnabled, (int item, int subItem, int value, int exclusive)) \
    X(108, ToolbarMenuSetItemEnabled, (int tool, int item, int subItem, int value, int exclusive)) \
    X(109, ContextMenuSetItemVisible, (int item, int subItem, int value, int exclusive)) \
    X(110, ToolbarMenuSetItemVisible, (int tool, int item, int subItem, int value, int exclusive)) \
    X(111, ToolbarMenuChangeItem, (int tool, int item, int subItem, BSTR caption, unsigned char* changed)) \
    X(112, ToolbarMenuGetItem, (int tool, int item, int subItem, BSTR* caption)) \
    X(113, ContextMenuGetFirstItemID, (int* item, int* subItem)) \
    X(114, ToolbarMenuGetFirstItemID, (int tool, int* item, int* subItem)) \
    X(115, ContextMenuGetNextItemID, (int* item, int* subItem)) \
    X(116, ToolbarMenuGetNextItemID, (int tool, int* item, int* subItem)) \
    X(117, ContextMenuGetItemEnabled, (int item, int subItem, unsigned char* flag)) \
    X(118, ToolbarMenuGetItemEnabled, (int tool, int item, int subItem, unsigned char* flag)) \
    X(119, ContextMenuGetItemVisible, (int item, int subItem, unsigned char* flag)) \
    X(120, ToolbarMenuGetItemVisible, (int tool, int item, int subItem, unsigned char* flag)) \
    X(121, ContextMenuGetItemChecked, (int item, int subItem, unsigned char* flag)) \
    X(122, ToolbarMenuGetItemChecked, (int tool, int item, int subItem, unsigned char* flag)) \
    X(123, GetToolbarHwnd, ()) \
    X(124, Brand, (int bitsPerPixel)) \
    X(125, SetViewMode, (int mode)) \
    X(126, PrgGetFirstItem, (int layer, int* seq)) \
    X(127, PrgGetNextItem, (int layer, int* seq)) \
    X(128, PrgGetFirstSelected, (int layer, int* seq)) \
    X(129, PrgGetNextSelected, (int layer, int* seq)) \
    X(130, GetFirstLayer, ()) \
    X(131, GetNextLayer, ()) \
    X(132, GetLayerCount, ()) \
    X(133, NudgeUp, (int layer, int seq)) \
    X(134, NudgeDn, (int layer, int seq)) \
    X(135, ElementCreate, (int* element)) \
    X(136, ElementDestroy, (int element)) \
    X(137, ElementSetAttribute, (int element, int attribute, EngineValue value)) \
    X(138, ElementGetAttribute, (int element, int attribute, EngineValue* value)) \
    X(139, ElementAppend, (int layer, int element, int* seq)) \
    X(140, ElementClearPoints, (int element, int count, const POINT* points)) \
    X(141, ElementAddPoint, (int element, int x, int y)) \
    X(142, ElementChangePoint, (int element, int index, int x, int y)) \
    X(143, ElementGetPoint, (int element, int index, int* x, int* y)) \
    X(144, ElementSetExtra, (int element, int value1, int value2)) \
    X(145, PrgDeleteItem, (int layer, int seq)) \
    X(146, PrgSequenceFromEntry, (int layer, int entry, int* seq)) \
    X(147, PrgSetImageMappingDimensions, (int width, int height)) \
    X(148, PrgGetImageMappingDimensions, (int* width, int* height)) \
    X(149, PrgGetItemRect, (int layer, int seq, RECT* rect)) \
    X(150, SetHostGetImageDib, (GetImageDibFn service)) \
    X(151, SetHostSetImageDib, (SetImageDibFn service)) \
    X(152, RegisterCallback, (int channel, void* function)) \
    X(153, SetHostGetViewGeometry, (HostCookie serviceCookie, GetViewGeometryFn service)) \
    X(154, SetHostSetViewGeometry, (HostCookie serviceCookie, SetViewGeometryFn service)) \
    X(155, SetHostGetFixedViewGeometry, (HostCookie serviceCookie, GetViewGeometryFn service)) \
    X(156, SetHostGetResolution, (HostCookie serviceCookie, GetResolutionFn service)) \
    X(157, SetHostDrawCall, (HostDrawCallFn service)) \
    X(158, SetHostMapValue, (MapHostValueFn service)) \
    X(159, GetLayerIntoVariant, (VARIANT* out, int layer, int* size)) \
    X(160, SetLayerFromVariant, (VARIANT* in, int* newLayer)) \
    X(161, GetAnnIntoVariant, (VARIANT* out, int* byteCount)) \
    X(162, SetAnnFromVariant, (VARIANT* in, int* imageWidth, int* imageHeight)) \
    X(163, CopyToClipboard, (int layer, int selectedOnly)) \
    X(164, PasteLayer, (int* newLayer)) \
    X(165, Paste, (int layer)) \
    X(166, IsPasteAvailable, ()) \
    X(167, SetContextMenuString, (int item, int subItem, BSTR caption, int create, int user1, int user2)) \
    X(168, GetContextMenuString, (int item, BSTR* caption)) \
    X(169, AddContextMenuItem, (int item, int subItem, BSTR caption, int user1, int user2)) \
    X(170, ContextMenuDeleteItem, (int item, int subItem, unsigned char* deleted)) \
    X(171, ContextMenuGetItem, (int item, int subItem, BSTR* caption)) \
    X(172, SetLayerPassword, (int layer, BSTR password)) \
    X(173, GetLayerPassword, (int layer, BSTR* password)) \
    X(174, AddPaletteMenuItem, (int tool, int item, BSTR caption, int user1, int user2)) \
    X(175, DeletePaletteMenuItem, (int tool, int item)) \
    X(176, AddPaletteSubmenuItem, (int tool, int item, int subItem, BSTR caption, int user1, int user2)) \
    X(177, SetPaletteMenuSubitemEnabled, (int tool, int item, int subItem, int value, int exclusive)) \
    X(178, SetPaletteMenuSubitemVisible, (int tool, int item, int subItem, int value, int exclusive)) \
    X(179, SetPaletteMenuSubitemChecked, (int tool, int item, int subItem, int value, int exclusive)) \
    X(180, DeletePaletteMenuSubitem, (int tool, int item, int subItem)) \
    X(181, ImageMirrored, (int a, int b)) \
    X(182, ImageFlipped, (int a, int b)) \
    X(183, ImageRotated, (int a, int b, float angle)) \
    X(184, ImageCropped, (const RECT* crop, int a, int b)) \
    X(185, ImageResized, (int a, int b)) \
    X(186, FocusMessage, (UINT message))

constexpr int kEngineSlotCount = 187;

// Slot numbers by name: EngineSlot_CreateLayer == 43 and so on.
enum EngineSlot : int {
#define ANNOTATION_ENGINE_SLOT_NUMBER(slot, name, params) EngineSlot_##name = slot,
    ANNOTATION_ENGINE_SLOTS(ANNOTATION_ENGINE_SLOT_NUMBER)
#undef ANNOTATION_ENGINE_SLOT_NUMBER
};

namespace annotation_engine_detail {
constexpr int kSlotOrder[] = {
#define ANNOTATION_ENGINE_SLOT_ORDER(slot, name, params) slot,
    ANNOTATION_ENGINE_SLOTS(ANNOTATION_ENGINE_SLOT_ORDER)
#undef ANNOTATION_ENGINE_SLOT_ORDER
};
constexpr bool SlotsInOrder()
{
    for (int i = 0; i < kEngineSlotCount; ++i)
        if (kSlotOrder[i] != i)
            return false;
    return true;
}
static_assert(sizeof(kSlotOrder) / sizeof(kSlotOrder[0]) == kEngineSlotCount,
              "the interface has exactly 187 operations");
static_assert(SlotsInOrder(), "slot n is the n-th operation");
} // namespace annotation_engine_detail

// The engine object returned by Ann_Init. Every operation returns a status
// (0 or an EngineError) unless it is a getter of a value, a boolean or a
// handle; GetToolbarHwnd returns the palette window's handle value.
struct AnnotationEngine {
#define ANNOTATION_ENGINE_DECLARE(slot, name, params) virtual int __stdcall name params = 0;
    ANNOTATION_ENGINE_SLOTS(ANNOTATION_ENGINE_DECLARE)
#undef ANNOTATION_ENGINE_DECLARE
};

// The two exports, bound by ordinal.
typedef AnnotationEngine*(__stdcall* AnnInitFn)(HostCookie hostCookie, HWND hostWindow, int unused);
typedef void(__stdcall* AnnDeinitFn)(AnnotationEngine* engine);
constexpr int kAnnInitOrdinal = 1;
constexpr int kAnnDeinitOrdinal = 2;
