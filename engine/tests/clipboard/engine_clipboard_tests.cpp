// The clipboard through the DLL as the host loads it: a layer or its
// selection copied in one engine and pasted in another, of this process or
// of a second one (clipboard_peer.exe), a scrambled layer asking for its
// password, and damaged clipboard data refused with nothing changed.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "engine_test_host.h"
#include "format_test_support.h"
#include "testkit.h"

using namespace engine_test;
using namespace formats_test;

namespace {

const RECT kA = {0x00100000, 0x00200000, 0x00500000, 0x00400000};
const RECT kB = {0x00010000, 0x00010000, 0x00FF0000, 0x00FF0000};
const RECT kC = {0x00800000, 0x00800000, 0x00900000, 0x00A00000};

// A layer of three items (seq 1, 2 and 5) read from a hand-written record.
int PlansLayer(AnnotationEngine* e)
{
    return AddRecordLayer(e, LayerRecord(L"Plans", {ItemRecord(RectangleTool, 1, kA),
                                                     ItemRecord(EllipseTool, 2, kB),
                                                     ItemRecord(RectangleTool, 5, kC)}));
}

// Empties the clipboard, or puts raw bytes there in the layer format, as
// another program might.
class ClipboardWriter {
public:
    ClipboardWriter()
    {
        window_ = CreateWindowExA(0, "STATIC", "clipboard writer", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, nullptr, nullptr);
    }
    ~ClipboardWriter() { DestroyWindow(window_); }

    bool Empty() const
    {
        if (!OpenClipboard(window_))
            return false;
        const bool emptied = EmptyClipboard() != 0;
        CloseClipboard();
        return emptied;
    }
    bool Put(const Bytes& bytes) const
    {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
        if (!block)
            return false;
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        if (!OpenClipboard(window_)) {
            GlobalFree(block);
            return false;
        }
        EmptyClipboard();
        const bool set = SetClipboardData(RegisterClipboardFormatA("QMK7_Layer"), block) != nullptr;
        if (!set)
            GlobalFree(block);
        CloseClipboard();
        return set;
    }
    // The bytes the clipboard holds in the layer format.
    Bytes Get() const
    {
        Bytes bytes;
        if (!OpenClipboard(window_))
            return bytes;
        if (HANDLE data = GetClipboardData(RegisterClipboardFormatA("QMK7_Layer"))) {
            const uint8_t* first = static_cast<const uint8_t*>(GlobalLock(data));
            if (first)
                bytes.assign(first, first + GlobalSize(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return bytes;
    }

private:
    HWND window_ = nullptr;
};

// The session's one clipboard is left empty for whatever runs next.
class EmptyClipboardAtEnd : public ::testing::Environment {
public:
    void TearDown() override { ClipboardWriter().Empty(); }
};
const ::testing::Environment* const kEmptyAtEnd =
    ::testing::AddGlobalTestEnvironment(new EmptyClipboardAtEnd);

std::set<int> SequenceNumbers(AnnotationEngine* e, int layer)
{
    std::set<int> seqs;
    int seq = 0;
    for (e->PrgGetFirstItem(layer, &seq); seq != 0; e->PrgGetNextItem(layer, &seq))
        seqs.insert(seq);
    return seqs;
}

int ItemCount(AnnotationEngine* e, int layer)
{
    int count = -1;
    e->PrgGetItemCount(layer, &count);
    return count;
}

std::string PeerPath()
{
    return testkit::ProgramFolder() + "\\clipboard_peer.exe";
}

TEST(Clipboard, ALayerCopiedHereIsPastedByAnEngineOfAnotherProcess)
{
    EngineLibrary library;
    TestHost source(library);
    const int plans = PlansLayer(source.Engine());
    ASSERT_NE(plans, 0);
    source->PrgSetItemAttribute(plans, 2, QMK_PenColor, 0x123456);
    const std::string expected = Describe(source.Engine());
    ASSERT_EQ(source->CopyToClipboard(plans, 0), 0);
    EXPECT_EQ(source->IsPasteAvailable(), 1);

    const std::string out = testkit::ProgramFolder() + "\\clipboard_peer_" +
                            std::to_string(GetCurrentProcessId()) + ".txt";
    DeleteFileA(out.c_str());
    ASSERT_EQ(testkit::RunAndWait("\"" + PeerPath() + "\" paste \"" + out + "\"",
                                  testkit::ProgramFolder()),
              0);
    EXPECT_EQ(testkit::ReadText(out), expected);
    DeleteFileA(out.c_str());
}

TEST(Clipboard, ALayerCopiedByAnotherProcessIsPastedHere)
{
    ClipboardWriter().Empty();
    ASSERT_EQ(testkit::RunAndWait("\"" + PeerPath() + "\" copy", testkit::ProgramFolder()), 0);
    EngineLibrary library;
    TestHost target(library);
    EXPECT_EQ(target->IsPasteAvailable(), 1);
    int layer = 0;
    ASSERT_EQ(target->PasteLayer(&layer), 0);
    ASSERT_NE(layer, 0);
    BSTR name = nullptr;
    target->GetLayerProperty(layer, QMK_LayerName, reinterpret_cast<EngineValue*>(&name));
    EXPECT_STREQ(name, L"From the peer");
    SysFreeString(name);
    EXPECT_EQ(SequenceNumbers(target.Engine(), layer), (std::set<int>{3, 4}));
    RECT bounds = {};
    target->PrgGetItemAttribute(layer, 4, QMK_BoundingRect, reinterpret_cast<EngineValue*>(&bounds));
    EXPECT_EQ(bounds.left, 0x400000);
    EXPECT_EQ(bounds.bottom, 0x500000);
}

TEST(Clipboard, TheClipboardHoldsExactlyTheRecordAndPastingNeverRepeatsANumber)
{
    EngineLibrary library;
    TestHost host(library);
    const int plans = PlansLayer(host.Engine());
    ASSERT_EQ(host->CopyToClipboard(plans, 0), 0);
    VARIANT v;
    VariantInit(&v);
    ASSERT_EQ(host->GetLayerIntoVariant(&v, plans, nullptr), 0);
    EXPECT_EQ(ClipboardWriter().Get(), ArrayBytes(v));
    VariantClear(&v);

    // Pasted into the layer it came from: three more items, new numbers, and
    // the layer keeps its name and its own items.
    host.ClearCalls();
    ASSERT_EQ(host->Paste(plans), 0);
    const std::set<int> seqs = SequenceNumbers(host.Engine(), plans);
    EXPECT_EQ(ItemCount(host.Engine(), plans), 6);
    EXPECT_EQ(seqs.size(), 6u);
    EXPECT_EQ(seqs, (std::set<int>{1, 2, 5, 6, 7, 8}));
    // Each pasted item is announced (the pointer tool was current already).
    std::vector<ChannelCall> announced;
    for (const ChannelCall& call : host.Calls())
        if (call.channel == Channel_AnnotateEvent)
            announced.push_back(call);
    const std::vector<ChannelCall> expected = {
        {Channel_AnnotateEvent, {QMK_AnnotationAdded, 6}},
        {Channel_AnnotateEvent, {QMK_AnnotationAdded, 7}},
        {Channel_AnnotateEvent, {QMK_AnnotationAdded, 8}},
    };
    EXPECT_EQ(announced, expected) << Describe(announced);
    BSTR name = nullptr;
    host->GetLayerProperty(plans, QMK_LayerName, reinterpret_cast<EngineValue*>(&name));
    EXPECT_STREQ(name, L"Plans");
    SysFreeString(name);
}

TEST(Clipboard, OnlyTheSelectionIsCopiedWhenAsked)
{
    EngineLibrary library;
    TestHost host(library);
    const int plans = PlansLayer(host.Engine());
    host->PrgSetItemAttribute(plans, 5, QMK_Selected, 1);
    host->PrgSetItemAttribute(plans, 2, QMK_Selected, 1);
    ASSERT_EQ(host->CopyToClipboard(plans, 1), 0);
    int pasted = 0;
    ASSERT_EQ(host->PasteLayer(&pasted), 0);
    ASSERT_NE(pasted, 0);
    EXPECT_NE(pasted, plans);
    EXPECT_EQ(host->GetLayerCount(), 2);
    // In selection order, selected as they were saved.
    std::vector<int> order;
    int seq = 0;
    for (host->PrgGetFirstItem(pasted, &seq); seq != 0; host->PrgGetNextItem(pasted, &seq))
        order.push_back(seq);
    EXPECT_EQ(order, (std::vector<int>{5, 2}));
    RECT bounds = {};
    host->PrgGetItemAttribute(pasted, 5, QMK_BoundingRect, reinterpret_cast<EngineValue*>(&bounds));
    EXPECT_EQ(bounds.top, kC.top);
    EXPECT_EQ(host->IsSelection(pasted), 1);
    // The new layer is in front and not current.
    EXPECT_EQ(host->GetFirstLayer(), pasted);
    EXPECT_NE(host->GetCurrentLayer(), pasted);

    // An empty selection copies a layer without items.
    host->PrgSelectAll(plans, 0);
    ASSERT_EQ(host->CopyToClipboard(plans, 1), 0);
    ASSERT_EQ(host->PasteLayer(&pasted), 0);
    EXPECT_EQ(ItemCount(host.Engine(), pasted), 0);
}

TEST(Clipboard, AScrambledLayerAsksForItsPasswordWhenPasted)
{
    EngineLibrary library;
    TestHost source(library);
    const int secret = AddRecordLayer(source.Engine(),
                                      LayerRecord(L"Secret", {ItemRecord(EllipseTool, 7, kC)}));
    BSTR password = SysAllocString(L"pw one");
    source->SetLayerPassword(secret, password);
    SysFreeString(password);
    ASSERT_EQ(source->CopyToClipboard(secret, 0), 0);

    TestHost right(library);
    PasswordDesk& desk = AnswerPasswords(right);
    desk.answers[L"Secret"] = L"pw one";
    int layer = 0;
    ASSERT_EQ(right->PasteLayer(&layer), 0);
    EXPECT_EQ(desk.asked, (std::vector<std::wstring>{L"Secret"}));
    EXPECT_EQ(SequenceNumbers(right.Engine(), layer), (std::set<int>{7}));
    BSTR kept = nullptr;
    right->GetLayerPassword(layer, &kept);
    EXPECT_STREQ(kept, L"pw one");
    SysFreeString(kept);

    // A wrong or missing password: an error, and nothing changes.
    struct Case {
        const wchar_t* answer;
    };
    for (const Case& c : {Case{L"wrong"}, Case{L""}}) {
        TestHost wrong(library);
        PasswordDesk& wrongDesk = AnswerPasswords(wrong);
        wrongDesk.answers[L"Secret"] = c.answer;
        const int own = PlansLayer(wrong.Engine());
        const std::string before = Describe(wrong.Engine());
        int made = -1;
        EXPECT_EQ(wrong->PasteLayer(&made), QMK_ErrInvalidPassword);
        EXPECT_EQ(made, 0);
        EXPECT_EQ(wrong->Paste(own), QMK_ErrInvalidPassword);
        EXPECT_EQ(wrongDesk.asked, (std::vector<std::wstring>{L"Secret", L"Secret"}));
        EXPECT_EQ(Describe(wrong.Engine()), before);
        EXPECT_EQ(wrong->GetLayerCount(), 1);
    }
}

// The host deletes the layer it is asked a password for.
AnnotationEngine* g_deleter = nullptr;
int g_doomed = 0;
int __stdcall DeleteWhenAsked(HostCookie, BSTR, BSTR* password)
{
    g_deleter->DeleteLayer(g_doomed);
    SysFreeString(*password);
    *password = SysAllocString(L"pw one");
    return 0;
}

TEST(Clipboard, APasteIntoALayerTheHostDeletesWhenAskedForThePasswordStops)
{
    EngineLibrary library;
    TestHost source(library);
    const int secret = AddRecordLayer(source.Engine(),
                                      LayerRecord(L"Secret", {ItemRecord(EllipseTool, 7, kC)}));
    BSTR password = SysAllocString(L"pw one");
    source->SetLayerPassword(secret, password);
    SysFreeString(password);
    ASSERT_EQ(source->CopyToClipboard(secret, 0), 0);

    TestHost target(library);
    const int doomed = PlansLayer(target.Engine());
    g_deleter = target.Engine();
    g_doomed = doomed;
    target->RegisterCallback(Channel_RequestLayerPassword, reinterpret_cast<void*>(&DeleteWhenAsked));
    EXPECT_EQ(target->Paste(doomed), QMK_ErrInvalidLayer);
    EXPECT_EQ(target->GetLayerCount(), 0);
}

TEST(Clipboard, PastedGroupsGetNewIdsAfterTheLayersLast)
{
    // A layer whose items 1 and 2 form group 1 (the record's last group id 1).
    Hand body;
    body.D(36762).R(1800, 1).R(36753, 3).R(36766, 1).D(36763);
    body.D(1792).D(1794).R(1800, 1).R(1801, 0).R(1802, 0).R(1799, 1).R(1799, 2).D(1795).D(1793);
    Hand one, two;
    one.D(RectangleTool).D(36756).R(36765, 0x17).D(7).D(kA.left).D(kA.top).D(kA.right).D(kA.bottom);
    one.R(1800, 1).R(36751, 1).D(36757);
    two.D(EllipseTool).D(36756).R(36765, 0x17).D(7).D(kB.left).D(kB.top).D(kB.right).D(kB.bottom);
    two.R(1800, 1).R(36751, 2).D(36757);
    body.Raw(one.bytes()).Raw(two.bytes()).Raw(ItemRecord(RectangleTool, 5, kC));
    Hand record;
    record.D(36754).D(36752).D(0).D(0).D(static_cast<uint32_t>(body.Size())).Str(L"Grouped");
    record.Raw(body.bytes()).D(36755);

    ASSERT_TRUE(ClipboardWriter().Put(record.bytes()));
    EngineLibrary library;
    TestHost host(library);
    int layer = 0;
    ASSERT_EQ(host->PasteLayer(&layer), 0);
    ASSERT_EQ(host->Paste(layer), 0);
    struct Expected {
        int seq;
        int group;
    };
    const Expected expected[] = {{1, 1}, {2, 1}, {5, 0}, {6, 2}, {7, 2}, {8, 0}};
    for (const Expected& e : expected) {
        EngineValue group = -1;
        EXPECT_EQ(host->PrgGetItemAttribute(layer, e.seq, QMK_GroupId, &group), 0);
        EXPECT_EQ(static_cast<int>(group), e.group) << e.seq;
    }
}

TEST(Clipboard, DamagedClipboardDataIsRefusedAndChangesNothing)
{
    const Bytes good = LayerRecord(L"Fine", {ItemRecord(RectangleTool, 1, kA)});
    auto cut = [&](size_t size) { return Bytes(good.begin(), good.begin() + size); };
    auto patched = [&](size_t offset, uint32_t value) {
        Bytes bytes = good;
        std::memcpy(&bytes[offset], &value, 4);
        return bytes;
    };
    const size_t bodyLength = 16;  // start, mark, scrambled flag, check value
    const size_t nameCount = 20;
    const size_t bodyStart = 24 + 10;  // the name "Fine" takes 10 bytes
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"one byte", Bytes{0x92}},
        {"the head only", cut(20)},
        {"cut in the body", cut(good.size() - 12)},
        {"without its end word", cut(good.size() - 4)},
        {"a wrong start", patched(0, 36755)},
        {"a body longer than the data", patched(bodyLength, 0x7FFFFFF0)},
        {"a name longer than the data", patched(nameCount, 0xFFFFFFF0)},
        {"an odd name count", patched(nameCount, 9)},
        {"a body of no layer", patched(bodyStart, 1)},
        {"an item count beyond the items", patched(bodyStart + 8, 0x10000000)},
    };
    EngineLibrary library;
    TestHost host(library);
    const int plans = PlansLayer(host.Engine());
    const std::string before = Describe(host.Engine());
    ClipboardWriter writer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writer.Put(c.bytes));
        EXPECT_EQ(host->IsPasteAvailable(), 1);
        int made = -1;
        EXPECT_NE(host->PasteLayer(&made), 0);
        EXPECT_EQ(made, 0);
        EXPECT_NE(host->Paste(plans), 0);
        EXPECT_EQ(Describe(host.Engine()), before);
    }
    // The good record with bytes after it reads, and stops at its end.
    Bytes longer = good;
    longer.insert(longer.end(), 64, 0xCD);
    ASSERT_TRUE(writer.Put(longer));
    EXPECT_EQ(host->Paste(plans), 0);
    EXPECT_EQ(ItemCount(host.Engine(), plans), 4);
}

TEST(Clipboard, WithoutLayerDataOrLayerNothingIsPasted)
{
    EngineLibrary library;
    TestHost host(library);
    const int plans = PlansLayer(host.Engine());
    ASSERT_TRUE(ClipboardWriter().Empty());
    EXPECT_EQ(host->IsPasteAvailable(), 0);
    EXPECT_EQ(host->Paste(plans), QMK_ErrClipboard);
    int made = -1;
    EXPECT_EQ(host->PasteLayer(&made), QMK_ErrClipboard);
    EXPECT_EQ(made, 0);
    EXPECT_EQ(host->GetLayerCount(), 1);
    EXPECT_EQ(host->CopyToClipboard(plans + 1000, 0), QMK_ErrInvalidLayer);
    EXPECT_EQ(host->Paste(plans + 1000), QMK_ErrInvalidLayer);
    EXPECT_EQ(host->IsPasteAvailable(), 0);
}

} // namespace
