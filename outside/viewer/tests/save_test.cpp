// SaveFile: the compression each SaveTIFFCompression value gives for each
// kind of page, the pixels read back exactly, the private tags kept from the
// loaded file, and the failures.
#include "viewer_fixture.h"

#include "image_reader.h"
#include "test_support.h"

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

} // namespace
} // namespace viewertest
