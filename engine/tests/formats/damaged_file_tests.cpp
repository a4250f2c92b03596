// Damaged annotation files of other writers, read in place by an engine that
// holds layers: each is refused with the engine as it was, or read without
// harm (the heap check of the test's run stays quiet).
#include <gtest/gtest.h>

#include <string>

#include "engine_test_host.h"
#include "format_test_support.h"

using namespace engine_test;
using namespace formats_test;

namespace {

TEST(DamagedFile, ASummaryCutPastItsBufferIsReadWithinItsData)
{
    EngineLibrary library;
    TestHost host(library);
    FillEngine(host.Engine());
    AnswerPasswords(host).answers[L"Secret"] = L"pw one";
    const std::string before = Describe(host.Engine());
    const std::wstring path = std::wstring(SHARED_TESTDATA_DIR_W) + L"\\damaged\\summary-past-its-buffer.qmk";
    BSTR name = SysAllocString(path.c_str());
    const int result = host->RetrieveAnnotation(name);
    SysFreeString(name);
    if (result != 0) {
        EXPECT_EQ(Describe(host.Engine()), before);
    } else {
        // The texts read are whole texts: nothing past the set's data.
        for (int code : {QMK_SummaryAuthor, QMK_SummaryComments, QMK_SummarySubject, QMK_SummaryTitle}) {
            EngineValue value = 0;
            host->GetProperty(code, &value);
            BSTR text = reinterpret_cast<BSTR>(value);
            EXPECT_LT(SysStringLen(text), 256u) << code;
            SysFreeString(text);
        }
    }
    // Heap blocks are checked as they are freed, and once more here.
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

} // namespace
