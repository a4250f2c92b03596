#pragma once
// Pieces of the DLL format tests: byte-array VARIANTs, a host that answers
// password requests, hand-written layer records, an engine filled with
// varied annotations, and a text description of everything an engine holds
// (layers newest first with their properties, items bottom first with every
// attribute) to compare engines by.
#include <windows.h>
#include <oleauto.h>

#include <map>
#include <string>
#include <vector>

#include "engine_test_host.h"
#include "hand_bytes.h"

namespace formats_test {

// The elements of a VT_ARRAY | VT_UI1 VARIANT (empty for anything else).
Bytes ArrayBytes(const VARIANT& v);
// A VARIANT holding the bytes as a one-dimensional byte array; VariantClear frees it.
void MakeByteArray(const Bytes& bytes, VARIANT* out);

// Answers channel 3 of one host by layer name and records the names asked for.
struct PasswordDesk {
    std::map<std::wstring, std::wstring> answers;
    std::vector<std::wstring> asked;
};
PasswordDesk& AnswerPasswords(engine_test::TestHost& host);

// An item record with the least a reader needs: flags, bounds, number.
Bytes ItemRecord(int type, int seq, const RECT& bounds);
// A plain layer record holding the items' records.
Bytes LayerRecord(const std::wstring& name, const std::vector<Bytes>& items);
// Adds a layer read from a record (slot 160); its handle, 0 on failure.
int AddRecordLayer(AnnotationEngine* engine, const Bytes& record);

// Three layers: "Plans" (two rectangles and an ellipse with varied
// attributes, one selected, one hidden, a description), "Secret" (one
// ellipse, password "pw one") and an empty one, newest and current.
void FillEngine(AnnotationEngine* engine);

// A new element of a tool's kind with its rectangle, or its points when it
// has any (slots 135 to 138); its number.
int NewElement(AnnotationEngine* engine, int tool, const RECT& box, const std::vector<POINT>& points);

// A layer holding one item of every kind an element makes (text, rectangle,
// ellipse, polygon, polyline, line, freehand, stamp, picture, button, ruler),
// made current; its handle. The picture item's number goes to *pictureSeq.
int AddEveryKindLayer(AnnotationEngine* engine, int* pictureSeq = nullptr);
// A small bottom-up 24-bit packed DIB of one shade in a movable block.
HGLOBAL ShadeDib(uint8_t shade, int width = 3, int height = 2);

// The engine's save of everything it holds (slot 37); empty when it fails.
Bytes SavedStream(AnnotationEngine* engine);
// A layer's record as GetLayerIntoVariant gives it; empty when it fails.
Bytes SavedLayer(AnnotationEngine* engine, int layer);

// Where two saves first differ, with the bytes of both around it.
std::string FirstDifference(const Bytes& a, const Bytes& b);

// Reads a layer record into a new layer (slot 160); the engine's result.
int LoadLayer(AnnotationEngine* engine, const Bytes& record);
// Loads an annotation stream from memory; the engine's result.
int LoadStream(AnnotationEngine* engine, const Bytes& bytes);

// Everything an engine holds that a save and load should keep.
std::string Describe(AnnotationEngine* engine);

// A file name in a folder of its own in the temp folder, both deleted when
// this goes.
class TempFile {
public:
    explicit TempFile(const wchar_t* suffix);
    ~TempFile();
    const std::wstring& Path() const { return path_; }
    BSTR Bstr() const { return bstr_; }

private:
    std::wstring folder_;
    std::wstring path_;
    BSTR bstr_ = nullptr;
};

} // namespace formats_test
