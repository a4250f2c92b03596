// The error reporter: codes to HRESULTs and error objects, with the control's
// own messages and with a satellite library beside the control.
#include "error_reporter.h"

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "com_test_support.h"
#include "testkit.h"

namespace {

// A class nobody registered: the source falls back to the control's ProgID.
const CLSID kUnregistered = {0x1d1f3c40, 0x2b7a, 0x4d0e, {0x9e, 0x61, 0x3f, 0x20, 0x5a, 0x77, 0x10, 0x42}};

class ErrorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
};

void SetMarkerError() {
    ICreateErrorInfo* create = nullptr;
    ASSERT_TRUE(SUCCEEDED(CreateErrorInfo(&create)));
    create->SetDescription(const_cast<LPOLESTR>(L"earlier error"));
    IErrorInfo* info = nullptr;
    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
    SetErrorInfo(0, info);
    info->Release();
    create->Release();
}

struct CodeCase {
    int code;
    HRESULT result;
    const wchar_t* description;
};

TEST_F(ErrorTest, EveryOtherCodeGivesItsResultAndAnErrorObjectWithItsText) {
    const CodeCase cases[] = {
        {1000, static_cast<HRESULT>(0x800403E8), L"Could not load annotation dll"},
        {1004, static_cast<HRESULT>(0x800403EC), L"No current layer"},
        {1013, static_cast<HRESULT>(0x800403F5), L"Invalid layer"},
        {1033, static_cast<HRESULT>(0x80040409), L"Invalid context"},
        {1042, static_cast<HRESULT>(0x80040412), L"Invalid TIFF annotation option"},
        {1050, static_cast<HRESULT>(0x8004041A), L"Invalid FontScaling value"},
        {1051, static_cast<HRESULT>(0x8004041B), L"Unknown Error"},
        {1, static_cast<HRESULT>(0x80040001), L"Unknown Error"},
    };
    for (const CodeCase& c : cases) {
        SCOPED_TRACE(c.code);
        SetErrorInfo(0, nullptr);
        EXPECT_EQ(c.result, quillmark::ReportError(kUnregistered, c.code));
        const ErrorDetails e = TakeErrorInfo();
        ASSERT_TRUE(e.present);
        EXPECT_EQ(c.description, e.description);
        EXPECT_EQ(L"MorvaneImaging.Quillmark.7", e.source);
        EXPECT_EQ(L"inkctl7.chm", e.helpFile);
        EXPECT_EQ(static_cast<DWORD>(c.code), e.helpContext);
        EXPECT_TRUE(IsEqualGUID(GUID_NULL, e.guid));
    }
}

TEST_F(ErrorTest, InvalidToolSucceedsWithSFalseAndLeavesEarlierErrorInformation) {
    SetMarkerError();
    EXPECT_EQ(S_FALSE, quillmark::ReportError(kUnregistered, 1005));
    const ErrorDetails e = TakeErrorInfo();
    ASSERT_TRUE(e.present);
    EXPECT_EQ(L"earlier error", e.description);
}

TEST_F(ErrorTest, NoErrorGivesSOkAndNoErrorObject) {
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(S_OK, quillmark::ReportError(kUnregistered, 0));
    EXPECT_FALSE(TakeErrorInfo().present);
}

// Failure HRESULTs that an engine operation answers are not offset into
// another (or a success) code: they come back as they are, and an earlier
// error object is not left to describe them.
TEST_F(ErrorTest, AFailureHresultOfTheEnginePassesThroughUnchanged) {
    const HRESULT results[] = {E_FAIL, static_cast<HRESULT>(-1), E_OUTOFMEMORY};
    for (HRESULT hr : results) {
        SCOPED_TRACE(hr);
        SetMarkerError();
        EXPECT_EQ(hr, quillmark::ReportError(kUnregistered, static_cast<int>(hr)));
        EXPECT_FALSE(TakeErrorInfo().present);
    }
}

TEST_F(ErrorTest, EveryMessageOfTheControlIsPresent) {
    EXPECT_EQ(nullptr, quillmark::SatelliteResources());
    for (int code = 1000; code <= 1050; ++code) {
        SCOPED_TRACE(code);
        EXPECT_NE(L"Unknown Error", quillmark::ErrorMessage(code));
    }
    EXPECT_EQ(L"Invalid Variant", quillmark::ErrorMessage(1023));
    EXPECT_EQ(L"Invalid GroupID", quillmark::ErrorMessage(1046));
}

// With a satellite beside the program, its texts win, and a code it lacks
// reads "Unknown Error" (the control's own text is not used). Runs the
// program again from a folder that holds the satellite under its name.
TEST_F(ErrorTest, SatelliteBesideTheControlGivesTheTexts) {
    testkit::TempFolder folder("satellite");
    const std::string program = testkit::ProgramFolder() + "\\control_error_test.exe";
    const std::string name =
        "inkres7_" + std::to_string(LANGIDFROMLCID(GetThreadLocale())) + ".dll";
    ASSERT_TRUE(CopyFileA(program.c_str(), (folder / "control_error_test.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((testkit::ProgramFolder() + "\\control_test_satellite.dll").c_str(),
                          (folder / name).c_str(), FALSE));
    const int rc = testkit::RunAndWait("\"" + (folder / "control_error_test.exe") +
                                           "\" --gtest_also_run_disabled_tests"
                                           " --gtest_filter=SatelliteChild.*",
                                       folder.path());
    EXPECT_EQ(0, rc);
    EXPECT_EQ("checked", testkit::ReadText(folder / "child.txt")); // the child did run
}

TEST(SatelliteChild, DISABLED_TextsComeFromTheSatellite) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_NE(nullptr, quillmark::SatelliteResources());
    EXPECT_EQ(L"Satellite: no current layer", quillmark::ErrorMessage(1004));
    EXPECT_EQ(L"Unknown Error", quillmark::ErrorMessage(1013));
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(static_cast<HRESULT>(0x800403F5), quillmark::ReportError(kUnregistered, 1013));
    EXPECT_EQ(L"Unknown Error", TakeErrorInfo().description);
    // Loaded once: the same module every time.
    EXPECT_EQ(quillmark::SatelliteResources(), quillmark::SatelliteResources());
    CoUninitialize();
    testkit::WriteText(testkit::ProgramFolder() + "\\child.txt", "checked");
}

} // namespace
