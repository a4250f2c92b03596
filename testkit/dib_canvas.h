#pragma once
// A top-down 32-bit DIB section selected into a memory DC, filled white: a
// device to paint into whose pixels a test reads back.
#include <windows.h>

#include <cstdint>

namespace testkit {

class DibCanvas {
public:
    DibCanvas(int width, int height);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    HDC dc() const { return dc_; }
    // The pixel as a COLORREF (0x00BBGGRR).
    COLORREF At(int x, int y) const;
    void Fill(COLORREF color);

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

} // namespace testkit
