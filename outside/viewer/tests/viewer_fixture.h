#pragma once
// What the image control's tests share: the control created by its ProgID
// (registered by the build) and hosted in a container site in a window, the
// way the workbench hosts it; calls through its IDispatch by member name;
// its events recorded in order; page files written into a scratch folder;
// and reading back what it painted.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "forms/activex_site.h"
#include "raster.h"
#include "testkit.h"
#include "tiff_writer.h"

#include <memory>
#include <string>
#include <vector>

namespace viewertest {

using imaging::PixelLayout;
using imaging::Raster;

// Dispids of the events, as in the type library.
enum : DISPID { kDblClick = 1, kScroll = 2 };

// The result of a call through IDispatch: its HRESULT, the description
// of an exception, and the value returned.
struct CallResult {
    HRESULT hr = E_FAIL;
    std::wstring description;
    VARIANT value = {};
    CallResult() { VariantInit(&value); }
    ~CallResult() { VariantClear(&value); }
    CallResult(const CallResult&) = delete;
    CallResult& operator=(const CallResult&) = delete;
    CallResult(CallResult&& other) noexcept;
};

// A member of object by its name: args in declaration order (cleared
// after the call); put: a property put.
CallResult Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args,
                  bool put);

// One control in its site, driven through IDispatch by member names.
class Viewer {
public:
    Viewer(HWND form, const RECT& rect);
    ~Viewer();
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    HRESULT created() const { return created_; }
    IDispatch* dispatch() const { return site_.GetDispatch(); }
    forms::ActiveXSite& site() { return site_; }
    // The control's own window.
    HWND window() const;
    const std::vector<DISPID>& events() const { return events_; }
    void ClearEvents() { events_.clear(); }

    CallResult Put(const wchar_t* name, const VARIANT& value);
    CallResult Get(const wchar_t* name);
    CallResult Call(const wchar_t* name, std::vector<VARIANT> args = {});

    HRESULT PutText(const wchar_t* name, const std::wstring& text);
    HRESULT PutLong(const wchar_t* name, LONG value);
    LONG GetLong(const wchar_t* name);
    double GetDouble(const wchar_t* name);
    std::wstring GetText(const wchar_t* name);

    // FileName put; the HRESULT.
    HRESULT Load(const std::string& path);
    std::wstring WindowText() const;

private:
    forms::ActiveXSite site_;
    HRESULT created_ = E_FAIL;
    std::vector<DISPID> events_;
};

// The annotation control in its own site beside a view (one container).
class Annotations {
public:
    Annotations(HWND form, const RECT& rect);
    ~Annotations();
    Annotations(const Annotations&) = delete;
    Annotations& operator=(const Annotations&) = delete;

    CallResult Put(const wchar_t* name, VARIANT value);
    CallResult Get(const wchar_t* name);
    CallResult Call(const wchar_t* name, std::vector<VARIANT> args = {});
    HRESULT PutText(const wchar_t* name, const wchar_t* text);
    forms::ActiveXSite& site() { return site_; }

    HRESULT created = E_FAIL;
    std::vector<DISPID> events;

private:
    forms::ActiveXSite site_;
};

VARIANT Long(LONG value);
VARIANT Double(double value);

// Each test: OLE, a shown form window, a scratch folder.
class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new hosted control in rect of the form (client coordinates).
    Viewer& NewViewer(const RECT& rect = {0, 0, 200, 150});

    // Writes page as a TIFF (or with options) into the scratch folder.
    std::string WriteTiff(const std::string& name, const Raster& page,
                          const imaging::TiffWriteOptions& options = {});
    std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes);

    HWND form_ = nullptr;
    std::unique_ptr<testkit::TempFolder> folder_;
    std::vector<std::unique_ptr<Viewer>> viewers_;

private:
    bool initialised_ = false;
};

// Pages to show: a different value in each quadrant (top-left, top-right,
// bottom-left, bottom-right), so that a flipped or shifted view shows.
Raster QuadrantPage(int width, int height, PixelLayout layout);
// A page of any layout with varied pixels (seeded).
Raster PatternPage(int width, int height, PixelLayout layout, unsigned seed = 1);

// What a view paints, read back as 0xRRGGBB colours.
class Snapshot {
public:
    Snapshot(int width, int height);
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    HDC dc() const { return dc_; }
    uint32_t At(int x, int y) const;

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
    int width_, height_;
};

// The control's window painted through WM_PRINTCLIENT.
std::unique_ptr<Snapshot> PrintClient(HWND window);

uint32_t ColourOf(COLORREF c);

using Lines = std::vector<std::string>;

// Plain ASCII text between the two widths (paths and names of the tests).
std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);

// The view's own record of the binding calls it received and made, one a
// line, and its clearing (the view's test exports).
Lines ViewTrace();
void ClearViewTrace();

} // namespace viewertest
