// Assembles the demo program folder: module files, method packages made with
// the archiver, tile pictures in "Bin\" and a few synthetic scanned pages in
// "images\". Run at build time:
//   make_demo <program folder> <folder of the sample methods> <path of rar.exe>
#include "module_record.h"
#include "raster.h"
#include "tiff_writer.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using imaging::PixelLayout;
using imaging::Raster;

struct DemoModule {
    const char* file;            // module file name
    platform::ModuleRecord record;
};

struct DemoMethod {
    const char* module;          // module file name
    const char* method;          // method name: the package is <module>.<method>
    const char* program;         // sample program in the methods folder, or null for a batch file
    const char* displayName;
    const char* description;
    bool hasSettings;            // ships <method>_s.exe, the program's settings window
};

const DemoModule kModules[] = {
    {"Enhance.Folivar", {"Enhance", "-", "Cleans up the page image", "01", 0, 1}},
    {"Binarize.Folivar", {"Binari-", "zation", "Turns the page into black and white", "02", 0, 2}},
    {"PageSplit.Folivar", {"Page", "Split", "Cuts a two-page spread into its pages", "03", 1, 3}},
};

const DemoMethod kMethods[] = {
    {"Enhance.Folivar", "copy", "copy.exe", "Copy", "Passes the page on unchanged", false},
    {"Enhance.Folivar", "invert", "invert.exe", "Invert", "Turns black into white and back", false},
    {"Enhance.Folivar", "despeckle", "despeckle.exe", "Despeckle",
     "Removes dust specks and noise", false},
    {"Enhance.Folivar", "copybat", nullptr, "BatchCopy", "Copies the page with a batch file", false},
    {"Binarize.Folivar", "threshold", "threshold.exe", "Threshold",
     "Black below a threshold you can set", true},
    {"PageSplit.Folivar", "split", "split.exe", "Split", "Left half and right half", false},
};

const char* const kPageText[] = {
    "Quarterly report of the north harbour office",
    "",
    "The harbour handled more cargo this quarter than in any quarter",
    "before. Ships waited less at the outer moorings, and the new crane",
    "on pier four moved containers at twice the old rate. Repairs to",
    "the east breakwater are finished; the west one follows in spring.",
    "",
    "Staff numbers stayed the same. Two pilots retired and two joined.",
    "Training on the radar system is complete for every watch.",
    "",
    "Income rose by nine percent, costs by four. The board proposes to",
    "spend the surplus on dredging the inner basin and on a second",
    "tug, so that large vessels can berth at low tide as well.",
};

bool Fail(const std::string& what)
{
    std::fprintf(stderr, "make_demo: %s\n", what.c_str());
    return false;
}

bool WriteText(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return Fail("cannot write " + path);
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return (std::fclose(f) == 0 && ok) || Fail("cannot write " + path);
}

// A 24-bit DIB section to draw on with GDI.
class Canvas {
public:
    Canvas(int w, int h) : w_(w), h_(h)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                   nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        RECT all = {0, 0, w, h};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    bool ok() const { return bits_ != nullptr; }
    int Stride() const { return (w_ * 3 + 3) & ~3; }
    const uint8_t* Pixel(int x, int y) const { return bits_ + y * Stride() + x * 3; }   // B, G, R

    bool SaveBmp(const std::string& path) const
    {
        GdiFlush();
        BITMAPFILEHEADER fh = {};
        BITMAPINFOHEADER ih = {};
        ih.biSize = sizeof ih;
        ih.biWidth = w_;
        ih.biHeight = h_;                       // bottom-up rows in the file
        ih.biPlanes = 1;
        ih.biBitCount = 24;
        ih.biSizeImage = Stride() * h_;
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof ih;
        fh.bfSize = fh.bfOffBits + ih.biSizeImage;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            return Fail("cannot write " + path);
        bool ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&ih, sizeof ih, 1, f) == 1;
        for (int y = h_ - 1; y >= 0 && ok; --y)
            ok = std::fwrite(bits_ + y * Stride(), Stride(), 1, f) == 1;
        return (std::fclose(f) == 0 && ok) || Fail("cannot write " + path);
    }

private:
    int w_, h_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint8_t* bits_ = nullptr;
};

HFONT MakeFont(int height, const char* face, bool bold = false)
{
    return CreateFontA(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       DEFAULT_PITCH, face);
}

bool MakeTile(const std::string& path, int w, int h, COLORREF colour, const char* label)
{
    Canvas c(w, h);
    if (!c.ok())
        return Fail("no canvas");
    RECT all = {0, 0, w, h};
    HBRUSH fill = CreateSolidBrush(colour);
    FillRect(c.dc(), &all, fill);
    DeleteObject(fill);
    FrameRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HFONT font = MakeFont(h / 3, "Arial", true);
    HGDIOBJ old = SelectObject(c.dc(), font);
    SetBkMode(c.dc(), TRANSPARENT);
    SetTextColor(c.dc(), RGB(255, 255, 255));
    DrawTextA(c.dc(), label, -1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(c.dc(), old);
    DeleteObject(font);
    return c.SaveBmp(path);
}

// Renders text columns as a grey page, turns it by a small angle as a scanner
// would and adds sensor noise and dust.
Raster ScannedPage(int w, int h, int columns, double degrees, unsigned seed)
{
    Canvas c(w, h);
    Raster page = Raster::Blank(w, h, PixelLayout::Gray8);
    page.xDpi = page.yDpi = 120;
    if (!c.ok())
        return page;
    HFONT font = MakeFont(h / 70, "Times New Roman");
    HFONT title = MakeFont(h / 45, "Arial", true);
    SetBkMode(c.dc(), TRANSPARENT);
    int columnWidth = w / columns;
    for (int col = 0; col < columns; ++col) {
        int x = col * columnWidth + columnWidth / 10;
        int y = h / 12;
        for (size_t i = 0; i < sizeof kPageText / sizeof kPageText[0]; ++i) {
            HGDIOBJ old = SelectObject(c.dc(), i == 0 ? title : font);
            TextOutA(c.dc(), x, y, kPageText[i], static_cast<int>(strlen(kPageText[i])));
            SelectObject(c.dc(), old);
            y += i == 0 ? h / 25 : h / 50;
        }
        // A rule and a box, as forms and reports have.
        RECT rule = {x, y + h / 40, x + columnWidth * 8 / 10, y + h / 40 + 3};
        FillRect(c.dc(), &rule, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        RECT box = {x, y + h / 15, x + columnWidth / 3, y + h / 15 + h / 10};
        FrameRect(c.dc(), &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    DeleteObject(font);
    DeleteObject(title);
    GdiFlush();

    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 9.0);
    std::uniform_int_distribution<int> dust(0, 4000);
    const double a = degrees * 3.14159265358979 / 180.0;
    const double ca = std::cos(a), sa = std::sin(a);
    const double cx = w / 2.0, cy = h / 2.0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // Sample the upright page at the turned position (bilinear).
            double sx = ca * (x - cx) + sa * (y - cy) + cx;
            double sy = -sa * (x - cx) + ca * (y - cy) + cy;
            int ix = static_cast<int>(std::floor(sx)), iy = static_cast<int>(std::floor(sy));
            double fx = sx - ix, fy = sy - iy;
            auto at = [&](int px, int py) -> double {
                if (px < 0 || py < 0 || px >= w || py >= h)
                    return 235.0;                 // the scanner lid beyond the paper
                return c.Pixel(px, py)[1];
            };
            double v = (1 - fy) * ((1 - fx) * at(ix, iy) + fx * at(ix + 1, iy)) +
                       fy * ((1 - fx) * at(ix, iy + 1) + fx * at(ix + 1, iy + 1));
            v = 28 + v * 0.85 + noise(random);   // paper is never white, ink never black
            if (dust(random) == 0)
                v = 20;
            page.Row(y)[x] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        }
    }
    if (columns == 2) {
        // The shadow of the spine between the two pages.
        for (int y = 0; y < h; ++y)
            for (int x = w / 2 - 12; x < w / 2 + 12; ++x) {
                int d = std::abs(x - w / 2);
                uint8_t& p = page.Row(y)[x];
                p = static_cast<uint8_t>(p * (0.55 + 0.45 * d / 12.0));
            }
    }
    return page;
}

Raster Binarised(const Raster& grey)
{
    Raster out = Raster::Blank(grey.width, grey.height, PixelLayout::Bilevel);
    out.xDpi = grey.xDpi;
    out.yDpi = grey.yDpi;
    for (int y = 0; y < grey.height; ++y)
        for (int x = 0; x < grey.width; ++x)
            out.SetBlack(x, y, grey.Row(y)[x] < 160);
    return out;
}

bool SavePage(const std::string& path, const Raster& page)
{
    imaging::TiffWriteOptions options;
    options.compression = page.layout == PixelLayout::Bilevel ? imaging::TiffCompression::Ccitt4
                                                              : imaging::TiffCompression::PackBits;
    std::string error;
    return imaging::WriteTiffFile(path, page, options, &error) || Fail(path + ": " + error);
}

bool RunIn(const std::string& commandLine, const std::string& folder)
{
    std::string line = commandLine;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        folder.c_str(), &si, &pi))
        return Fail("cannot start " + commandLine);
    CloseHandle(pi.hThread);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return code == 0 || Fail(commandLine + " failed with " + std::to_string(code));
}

// Packs one method as the workbench's method creation does: the files named
// after the method in a staging folder, then "rar a -sfxwincon.sfx".
bool MakePackage(const DemoMethod& m, const std::string& demo, const std::string& methods,
                 const std::string& rar, const std::string& staging)
{
    std::string dir = staging + "\\" + m.module + "." + m.method;
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string base = dir + "\\" + m.method;
    std::string program = m.method + std::string(m.program ? ".exe" : ".bat");
    std::string files = program;
    if (m.program) {
        if (!CopyFileA((methods + "\\" + m.program).c_str(), (base + ".exe").c_str(), FALSE))
            return Fail(std::string("missing method program ") + m.program);
    } else if (!WriteText(base + ".bat", "@copy /y in.tif out.tif >nul\r\n")) {
        return false;
    }
    if (m.hasSettings) {
        std::string settings = std::string(m.program, strlen(m.program) - 4) + "_s.exe";
        if (!CopyFileA((methods + "\\" + settings).c_str(), (base + "_s.exe").c_str(), FALSE))
            return Fail("missing settings program " + settings);
        files += " " + std::string(m.method) + "_s.exe";
    }
    if (!WriteText(base + ".name", m.displayName) || !WriteText(base + ".txt", m.description) ||
        !WriteText(base + ".tab", "1"))
        return false;
    std::string package = std::string(m.module) + "." + m.method;
    std::string line = "\"" + rar + "\" a -sfxwincon.sfx " + package + " " + files + " " +
                       m.method + ".txt " + m.method + ".name " + m.method + ".tab";
    if (!RunIn(line, dir))
        return false;
    return MoveFileExA((dir + "\\" + package + ".exe").c_str(), (demo + "\\" + package).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) ||
           Fail("the archiver made no " + package + ".exe");
}

bool MakeDemo(const std::string& demo, const std::string& methods, const std::string& rar)
{
    for (const char* sub : {"", "\\images", "\\results", "\\Bin"})
        CreateDirectoryA((demo + sub).c_str(), nullptr);

    for (const DemoModule& m : kModules)
        if (!platform::WriteModuleRecordFile(demo + "\\" + m.file, m.record))
            return Fail(std::string("cannot write ") + m.file);

    std::string staging = demo + ".staging";
    CreateDirectoryA(staging.c_str(), nullptr);
    for (const DemoMethod& m : kMethods)
        if (!MakePackage(m, demo, methods, rar, staging))
            return false;

    const COLORREF colours[9] = {RGB(40, 110, 200), RGB(60, 60, 60), RGB(200, 120, 30),
                                 RGB(40, 150, 70), RGB(150, 40, 150), RGB(190, 50, 50),
                                 RGB(30, 140, 150), RGB(120, 100, 40), RGB(90, 90, 160)};
    for (int n = 1; n <= 9; ++n) {
        std::string stem = demo + "\\Bin\\0" + std::to_string(n);
        std::string label = "0" + std::to_string(n);
        if (!MakeTile(stem + ".bmp", 150, 64, colours[n - 1], label.c_str()) ||
            !MakeTile(stem + "_sm.bmp", 72, 48, colours[n - 1], label.c_str()))
            return false;
    }

    Raster report = ScannedPage(1000, 1400, 1, 0.8, 1);
    Raster memo = ScannedPage(1000, 1400, 1, -1.2, 2);
    Raster spread = ScannedPage(2000, 1400, 2, 0.5, 3);
    return SavePage(demo + "\\images\\page1.tif", report) &&
           SavePage(demo + "\\images\\page2.tif", Binarised(memo)) &&
           SavePage(demo + "\\images\\spread.tif", spread);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_demo <program folder> <methods folder> <rar.exe>\n");
        return 2;
    }
    try {
        return MakeDemo(argv[1], argv[2], argv[3]) ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_demo: %s\n", e.what());
    }
    return 1;
}
