// SaveFile: the compression each SaveTIFFCompression value gives for each
// kind of page, the pixels read back exactly, the private tags kept from the
// loaded file, and the failures.
#include "viewer_fixture.h"

#include "image_reader.h"
#include "test_support.h"
#include "tiff_pages.h"

#include <tuple>

namespace viewertest {
namespace {

class ViewerSave : public ViewerTest {};

constexpr uint16_t kCompressionTag = 259;

struct SaveCase {
    PixelLayout layout;
    LONG value;           // SaveTIFFCompression
    uint32_t compression; // the TIFF Compression tag written
};

// 3 means "valid for 1-bit images": Group 4 there, PackBits where Group 4
// cannot be used; unknown values also get what suits the page.
const SaveCase kSaveCases[] = {
    {PixelLayout::Bilevel, 3, 4},     {PixelLayout::Bilevel, 1, 1},
    {PixelLayout::Bilevel, 32773, 32773}, {PixelLayout::Bilevel, 0, 4},
    {PixelLayout::Bilevel, 4, 4},     {PixelLayout::Bilevel, 12345, 4},
    {PixelLayout::Gray8, 3, 32773},   {PixelLayout::Gray8, 1, 1},
    {PixelLayout::Gray8, 32773, 32773}, {PixelLayout::Gray8, -7, 32773},
    {PixelLayout::Palette8, 3, 32773}, {PixelLayout::Palette8, 1, 1},
    {PixelLayout::Rgb24, 3, 32773},   {PixelLayout::Rgb24, 1, 1},
    {PixelLayout::Rgb24, 32773, 32773}, {PixelLayout::Rgb24, 0, 32773},
};

TEST_F(ViewerSave, EachCompressionValueGivesAValidTiffWithThePixelsIntact) {
    Viewer& view = NewViewer();
    int n = 0;
    for (const SaveCase& c : kSaveCases) {
        SCOPED_TRACE("layout " + std::to_string(static_cast<int>(c.layout)) + " value " +
                     std::to_string(c.value));
        const Raster page = PatternPage(53, 41, c.layout, 7 + n);
        ASSERT_EQ(S_OK, view.Load(WriteTiff("in" + std::to_string(n) + ".tif", page)));
        const std::string out = *folder_ / ("out" + std::to_string(n++) + ".tif");
        ASSERT_EQ(S_OK, view.PutText(L"SaveFileName", std::wstring(out.begin(), out.end())));
        ASSERT_EQ(S_OK, view.PutLong(L"SaveTIFFCompression", c.value));
        EXPECT_EQ(c.value, view.GetLong(L"SaveTIFFCompression"));
        ASSERT_EQ(S_OK, view.Call(L"SaveFile").hr) << view.GetText(L"LastError");

        const imgtest::ParsedTiff parsed = imgtest::ParseTiff(testkit::ReadBytes(out));
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(std::vector<uint32_t>{c.compression}, parsed.Values(kCompressionTag));
        Raster back;
        std::string error;
        ASSERT_TRUE(imaging::LoadImageFile(out, &back, &error)) << error;
        EXPECT_EQ("", imgtest::Difference(page, back));
        EXPECT_FALSE(testkit::FileExists(out + ".saving"));
    }
}

TEST_F(ViewerSave, TheAnnotationTagsOfALoadedTiffSurviveASave) {
    imaging::TiffWriteOptions options;
    options.compression = imaging::TiffCompression::Ccitt4;
    options.privateTags = {{32932, imaging::TiffTagType::Undefined, {1, 2, 3, 0, 255, 9}},
                           {34686, imaging::TiffTagType::Byte, {'n', 'o', 't', 'e'}}};
    Viewer& view = NewViewer();
    ASSERT_EQ(S_OK, view.Load(WriteTiff("tagged.tif", PatternPage(30, 20, PixelLayout::Bilevel),
                                        options)));
    const std::string out = *folder_ / "saved.tif";
    view.PutText(L"SaveFileName", std::wstring(out.begin(), out.end()));
    view.PutLong(L"SaveTIFFCompression", 3);
    ASSERT_EQ(S_OK, view.Call(L"SaveFile").hr);
    for (const imaging::TiffPrivateTag& tag : options.privateTags) {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(imaging::ReadTiffTag(out, tag.tag, &bytes)) << tag.tag;
        EXPECT_EQ(tag.bytes, bytes) << tag.tag;
    }

    // A picture from elsewhere carries none.
    ASSERT_EQ(S_OK, view.Load(WriteTiff("plain.tif", PatternPage(30, 20, PixelLayout::Bilevel))));
    ASSERT_EQ(S_OK, view.Call(L"SaveFile").hr);
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(imaging::ReadTiffTag(out, 32932, &bytes));
}

TEST_F(ViewerSave, ASaveThatCannotBeDoneFailsWithAReasonAndLeavesFilesAlone) {
    Viewer& view = NewViewer();
    const std::string existing = WriteBytes("existing.tif", {'k', 'e', 'e', 'p'});
    const std::wstring existingWide(existing.begin(), existing.end());

    // No image yet.
    view.PutText(L"SaveFileName", existingWide);
    CallResult empty = view.Call(L"SaveFile");
    EXPECT_EQ(DISP_E_EXCEPTION, empty.hr);
    EXPECT_NE(L"", view.GetText(L"LastError"));

    ASSERT_EQ(S_OK, view.Load(WriteTiff("in.tif", PatternPage(10, 10, PixelLayout::Gray8))));
    const std::wstring targets[] = {
        L"",                                                          // no name
        std::wstring(existingWide) + L"\\inside a file\\x.tif",      // no such folder
    };
    for (const std::wstring& target : targets) {
        SCOPED_TRACE(testing::PrintToString(target));
        view.PutText(L"SaveFileName", target);
        CallResult save = view.Call(L"SaveFile");
        EXPECT_EQ(DISP_E_EXCEPTION, save.hr);
        EXPECT_NE(L"", save.description);
        EXPECT_EQ(save.description, view.GetText(L"LastError"));
    }
    EXPECT_EQ(std::vector<uint8_t>({'k', 'e', 'e', 'p'}), testkit::ReadBytes(existing));
    // The view still shows its image.
    EXPECT_EQ(10, view.GetLong(L"IWidth"));
}

TEST_F(ViewerSave, SavingOverTheShownFileReplacesIt) {
    Viewer& view = NewViewer();
    const Raster page = PatternPage(33, 17, PixelLayout::Rgb24);
    const std::string path = WriteTiff("same.tif", page);
    ASSERT_EQ(S_OK, view.Load(path));
    view.PutText(L"SaveFileName", std::wstring(path.begin(), path.end()));
    view.PutLong(L"SaveTIFFCompression", 32773);
    ASSERT_EQ(S_OK, view.Call(L"SaveFile").hr) << view.GetText(L"LastError");
    const imgtest::ParsedTiff parsed = imgtest::ParseTiff(testkit::ReadBytes(path));
    EXPECT_EQ(std::vector<uint32_t>{32773}, parsed.Values(kCompressionTag));
    Raster back;
    ASSERT_TRUE(imaging::LoadImageFile(path, &back));
    EXPECT_EQ("", imgtest::Difference(page, back));
}

// A file of three pages of other kinds than the view shows: 16-bit grey with
// Orientation, Software and private tags on the first, 1-bit min-is-black
// and 24-bit RGB after it.
std::vector<uint8_t> ThreePages(bool withSubDirectories = false) {
    std::vector<uint8_t> file;
    imgtest::TiffBuilder first;
    first.Short(256, {8});
    first.Short(257, {4});
    first.Short(258, {16});
    first.Short(259, {1});
    first.Short(262, {1});
    first.Short(274, {1});
    first.Bytes(305, 2, {'S', 'c', 'a', 'n', 'n', 'e', 'r', ' ', '2', 0}, 10);
    if (withSubDirectories) first.Long(330, {8});
    first.Bytes(32931, 1, {7, 7, 7, 7, 7}, 5);
    first.Bytes(32932, 7, {1, 2, 3, 4, 5, 6}, 6);
    first.Bytes(32934, 7, {9, 8, 7, 6, 5, 4, 3, 2, 1}, 9);
    std::vector<uint8_t> grey16;
    for (int i = 0; i < 32; ++i) {
        grey16.push_back(static_cast<uint8_t>(i * 37));   // low byte: lost at 8 bits
        grey16.push_back(static_cast<uint8_t>(i * 8));
    }
    first.Append(&file, {grey16}, false);
    imgtest::TiffBuilder second;
    second.Chain(first);
    second.Short(256, {16});
    second.Short(257, {3});
    second.Short(258, {1});
    second.Short(259, {1});
    second.Short(262, {1});
    second.Bytes(305, 2, {'b', 'w', 0}, 3);
    second.Append(&file, {{0xF0, 0x0F, 0xAA, 0x55, 0xFF, 0x00}}, false);
    imgtest::TiffBuilder third;
    third.Chain(second);
    third.Short(256, {2});
    third.Short(257, {2});
    third.Short(258, {8, 8, 8});
    third.Short(259, {1});
    third.Short(262, {2});
    third.Short(277, {3});
    third.Bytes(32934, 7, {42, 43}, 2);
    third.Append(&file, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}, false);
    return file;
}

// The pages of a file as stored: each page's tags and values, and its pixel
// data joined (the pieces may be cut otherwise).
struct StoredPage {
    std::vector<std::tuple<uint16_t, uint16_t, uint32_t, std::vector<uint8_t>>> tags;
    std::vector<uint8_t> pixels;
};
std::vector<StoredPage> Stored(const std::vector<uint8_t>& bytes) {
    imaging::TiffStoredFile file;
    std::string error;
    EXPECT_TRUE(imaging::ReadTiffStored(bytes, &file, &error)) << error;
    std::vector<StoredPage> pages;
    for (const imaging::TiffStoredPage& page : file.pages) {
        StoredPage p;
        for (const imaging::TiffEntry& e : page.entries)
            if (e.tag != 278) p.tags.emplace_back(e.tag, e.type, e.count, e.value);
        for (const std::vector<uint8_t>& piece : page.pieces)
            p.pixels.insert(p.pixels.end(), piece.begin(), piece.end());
        pages.push_back(p);
    }
    return pages;
}

// Pages counted by walking the directories, independently of the reader.
int PageCount(const std::vector<uint8_t>& b) {
    auto u32 = [&](size_t at) {
        return at + 4 <= b.size() ? uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24) : 0u;
    };
    int pages = 0;
    for (uint32_t ifd = u32(4); ifd && ifd + 2 <= b.size() && pages < 100; ++pages)
        ifd = u32(ifd + 2 + 12 * (b[ifd] | b[ifd + 1] << 8));
    return pages;
}

TEST_F(ViewerSave, EveryPageWithItsSampleDepthAndTagsIsWrittenBack) {
    const std::vector<uint8_t> original = ThreePages();
    ASSERT_EQ(3, PageCount(original));
    Viewer& view = NewViewer();
    const std::string path = WriteBytes("three.tif", original);
    ASSERT_EQ(S_OK, view.Load(path));
    Raster shown;
    ASSERT_TRUE(imaging::LoadImageFile(path, &shown));
    for (LONG compression : {0L, 1L, 32773L}) {
        SCOPED_TRACE("SaveTIFFCompression " + std::to_string(compression));
        view.PutLong(L"SaveTIFFCompression", compression);
        view.PutText(L"SaveFileName", std::wstring(path.begin(), path.end()));
        ASSERT_EQ(S_OK, view.Call(L"SaveFile").hr) << view.GetText(L"LastError");
        const std::vector<uint8_t> saved = testkit::ReadBytes(path);
        EXPECT_EQ(3, PageCount(saved));
        const imgtest::ParsedTiff first = imgtest::ParseTiff(saved, true);
        ASSERT_TRUE(first.ok) << first.error;
        EXPECT_EQ(std::vector<uint32_t>{16}, first.Values(258));
        for (uint16_t tag : {274, 305, 32931, 32932, 32934})
            EXPECT_EQ(1u, first.entries.count(tag)) << tag;
        // Every page, tag and pixel as the file had them (the 16-bit page
        // cannot be coded anew, so it stays uncompressed).
        const std::vector<StoredPage> before = Stored(original), after = Stored(saved);
        ASSERT_EQ(before.size(), after.size());
        for (size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(before[i].tags, after[i].tags) << "page " << i + 1;
            EXPECT_EQ(before[i].pixels, after[i].pixels) << "page " << i + 1;
        }
        Raster back;
        ASSERT_TRUE(imaging::LoadImageFile(path, &back));
        EXPECT_EQ("", imgtest::Difference(shown, back));
        ASSERT_EQ(S_OK, view.Load(path));
    }
}

TEST_F(ViewerSave, AFirstPageCodedAnewKeepsTheOtherPagesAndItsOwnTags) {
    // A 1-bit first page stored uncompressed, saved in Group 4.
    std::vector<uint8_t> file;
    imgtest::TiffBuilder first;
    first.Short(256, {16});
    first.Short(257, {2});
    first.Short(258, {1});
    first.Short(259, {1});
    first.Short(262, {0});
    first.Short(274, {1});
    first.Bytes(305, 2, {'x', 0}, 2);
    first.Bytes(32931, 7, {5, 5}, 2);
    first.Append(&file, {{0x81, 0x42, 0x00, 0xFF}}, false);
    imgtest::TiffBuilder second;
    second.Chain(first);
    second.Short(256, {4});
    second.Short(257, {1});
    second.Short(258, {4});
    second.Short(259, {1});
    second.Short(262, {1});
    second.Append(&file, {{0x12, 0x34}}, false);
    Viewer& view = NewViewer();
    const std::string in = WriteBytes("bw.tif", file), out = *folder_ / "bw-g4.tif";
    ASSERT_EQ(S_OK, view.Load(in));
    view.PutLong(L"SaveTIFFCompression", 3);
    view.PutText(L"SaveFileName", std::wstring(out.begin(), out.end()));
    ASSERT_EQ(S_OK, view.Call(L"SaveFile").hr) << view.GetText(L"LastError");
    const std::vector<uint8_t> saved = testkit::ReadBytes(out);
    const imgtest::ParsedTiff parsed = imgtest::ParseTiff(saved, true);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(std::vector<uint32_t>{4}, parsed.Values(kCompressionTag));
    for (uint16_t tag : {274, 305, 32931}) EXPECT_EQ(1u, parsed.entries.count(tag)) << tag;
    Raster before, after;
    ASSERT_TRUE(imaging::LoadImageFile(in, &before));
    ASSERT_TRUE(imaging::LoadImageFile(out, &after));
    EXPECT_EQ("", imgtest::Difference(before, after));
    const std::vector<StoredPage> was = Stored(file), is = Stored(saved);
    ASSERT_EQ(2u, is.size());
    EXPECT_EQ(was[1].tags, is[1].tags);
    EXPECT_EQ(was[1].pixels, is[1].pixels);
}

TEST_F(ViewerSave, AFileWhosePagesCannotAllBeKeptIsNotSavedOver) {
    const std::vector<uint8_t> original = ThreePages(true);
    Viewer& view = NewViewer();
    const std::string path = WriteBytes("subdirs.tif", original);
    ASSERT_EQ(S_OK, view.Load(path));
    view.PutText(L"SaveFileName", std::wstring(path.begin(), path.end()));
    const CallResult save = view.Call(L"SaveFile");
    EXPECT_EQ(DISP_E_EXCEPTION, save.hr);
    EXPECT_NE(std::wstring::npos, save.description.find(L"nothing was saved")) << save.description;
    EXPECT_NE(std::wstring::npos, save.description.find(L"330")) << save.description;
    EXPECT_EQ(original, testkit::ReadBytes(path));
    EXPECT_FALSE(testkit::FileExists(path + ".saving"));
}

} // namespace
} // namespace viewertest
