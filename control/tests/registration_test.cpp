// The server's registration: every key and value the control and its
// property page are registered with, the type library, and their removal.
#include "control_fixture.h"

#include "testkit.h"

#include <algorithm>
#include <cwctype>

namespace {

const std::wstring kControlKey = L"CLSID\\{BD1A7D5D-F3FB-4238-A072-6948D1150CD2}";
const std::wstring kPageKey = L"CLSID\\{799031F9-A22D-4B56-BCA3-BDA55019B711}";
const std::wstring kTypeLibKey = L"TypeLib\\{E1FB61CC-C792-444D-B4A8-A864937B753A}";
const wchar_t kModule[] = L"%MODULE%"; // stands for the server's path

// A key under HKEY_CLASSES_ROOT and one of its values (null name: the
// default value; null value: the key only has to exist).
struct ExpectedKey {
    std::wstring key;
    const wchar_t* name;
    const wchar_t* value;
};

const ExpectedKey kRegistration[] = {
    {L"MorvaneImaging.Quillmark.7", nullptr, L"Quillmark Class"},
    {L"MorvaneImaging.Quillmark.7\\CLSID", nullptr, L"{BD1A7D5D-F3FB-4238-A072-6948D1150CD2}"},
    {L"MorvaneImaging.Quillmark", nullptr, L"Quillmark Class"},
    {L"MorvaneImaging.Quillmark\\CLSID", nullptr, L"{BD1A7D5D-F3FB-4238-A072-6948D1150CD2}"},
    {L"MorvaneImaging.Quillmark\\CurVer", nullptr, L"MorvaneImaging.Quillmark.7"},
    {kControlKey, nullptr, L"Morvane Quillmark Control v7.0"},
    {kControlKey + L"\\ProgID", nullptr, L"MorvaneImaging.Quillmark.7"},
    {kControlKey + L"\\VersionIndependentProgID", nullptr, L"MorvaneImaging.Quillmark"},
    {kControlKey + L"\\Programmable", nullptr, nullptr},
    {kControlKey + L"\\InprocServer32", nullptr, kModule},
    {kControlKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    {kControlKey + L"\\Control", nullptr, nullptr},
    {kControlKey + L"\\Insertable", nullptr, nullptr},
    {kControlKey + L"\\ToolboxBitmap32", nullptr, L"%MODULE%, 101"},
    {kControlKey + L"\\MiscStatus", nullptr, L"0"},
    {kControlKey + L"\\MiscStatus\\1", nullptr, L"132497"},
    {kControlKey + L"\\TypeLib", nullptr, L"{E1FB61CC-C792-444D-B4A8-A864937B753A}"},
    {kControlKey + L"\\Version", nullptr, L"1.0"},
    {kControlKey + L"\\Verb\\1", nullptr, L"&Properties,0,2"},
    {L"MorvaneImaging.NoteProps.7", nullptr, L"NoteProps Class"},
    {L"MorvaneImaging.NoteProps.7\\CLSID", nullptr, L"{799031F9-A22D-4B56-BCA3-BDA55019B711}"},
    {L"MorvaneImaging.NoteProps", nullptr, L"NoteProps Class"},
    {L"MorvaneImaging.NoteProps\\CLSID", nullptr, L"{799031F9-A22D-4B56-BCA3-BDA55019B711}"},
    {L"MorvaneImaging.NoteProps\\CurVer", nullptr, L"MorvaneImaging.NoteProps.7"},
    {kPageKey, nullptr, L"NoteProps Class"},
    {kPageKey + L"\\Programmable", nullptr, nullptr},
    {kPageKey + L"\\InprocServer32", nullptr, kModule},
    {kPageKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    {kTypeLibKey + L"\\1.0", nullptr, nullptr},
};

// Keys the registration must not write.
const std::wstring kAbsent[] = {kPageKey + L"\\ProgID", kPageKey + L"\\Control",
                                kPageKey + L"\\TypeLib"};

std::wstring Lower(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return std::towlower(c); });
    return s;
}

std::wstring ServerPath() {
    const std::string folder = testkit::ProgramFolder();
    return std::wstring(folder.begin(), folder.end()) + L"\\inkctl7.dll";
}

void ExpectRegistered(const std::wstring& modulePath) {
    for (const ExpectedKey& k : kRegistration) {
        SCOPED_TRACE(k.key + L" " + (k.name ? k.name : L"(default)"));
        ASSERT_TRUE(KeyExists(k.key));
        if (!k.value) continue;
        std::wstring expected = k.value;
        const size_t at = expected.find(kModule);
        if (at != std::wstring::npos) expected.replace(at, wcslen(kModule), modulePath);
        EXPECT_EQ(Lower(expected), Lower(ClassesValue(k.key, k.name)));
    }
    for (const std::wstring& key : kAbsent) EXPECT_FALSE(KeyExists(key)) << key.c_str();
}

class ControlRegistrationTest : public ControlTest {};

// The build registered the DLL in the test prefix with regsvr32.
TEST_F(ControlRegistrationTest, TheBuildRegistersBothClassesAndTheTypeLibrary) {
    ExpectRegistered(ServerPath());
}

// Registration and removal through the exports, into a private key that
// stands in for HKEY_CLASSES_ROOT in this process.
class ControlPrivateRegistrationTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        module_ = LoadLibraryW(ServerPath().c_str());
        ASSERT_NE(nullptr, module_);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, root_.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key_, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, key_));
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        if (key_) RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, root_.c_str());
        if (module_) FreeLibrary(module_);
        ControlTest::TearDown();
    }
    HRESULT Call(const char* name) {
        auto fn = reinterpret_cast<HRESULT(__stdcall*)()>(GetProcAddress(module_, name));
        return fn ? fn() : E_NOTIMPL;
    }

    HMODULE module_ = nullptr;
    HKEY key_ = nullptr;
    // One key per process: runs side by side do not share it.
    const std::wstring root_ =
        L"Software\\QuillmarkRegistrationTest" + std::to_wstring(GetCurrentProcessId());
};

TEST_F(ControlPrivateRegistrationTest, RegisterWritesTheTableClearingWhatWasThereAndUnregisterRemovesIt) {
    // Left from an older registration: the class key is cleared before it is written.
    HKEY stale = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, (kControlKey + L"\\Stale").c_str(),
                                             0, nullptr, 0, KEY_WRITE, nullptr, &stale, nullptr));
    RegCloseKey(stale);

    ASSERT_EQ(S_OK, Call("DllRegisterServer"));
    ExpectRegistered(ServerPath());
    EXPECT_FALSE(KeyExists(kControlKey + L"\\Stale"));

    ASSERT_EQ(S_OK, Call("DllUnregisterServer"));
    for (const ExpectedKey& k : kRegistration) EXPECT_FALSE(KeyExists(k.key)) << k.key.c_str();
    EXPECT_FALSE(KeyExists(kControlKey));
    EXPECT_FALSE(KeyExists(kPageKey));
    EXPECT_FALSE(KeyExists(L"MorvaneImaging.Quillmark"));
    EXPECT_FALSE(KeyExists(L"MorvaneImaging.NoteProps.7"));
    EXPECT_FALSE(KeyExists(kTypeLibKey + L"\\1.0"));
}

TEST_F(ControlPrivateRegistrationTest, ExportsAreThereByTheirPlainNames) {
    for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer",
                             "DllUnregisterServer", "YQ_ConnectEvents", "YQ_DisConnectEvents"})
        EXPECT_NE(nullptr, reinterpret_cast<void*>(GetProcAddress(module_, name))) << name;
}

} // namespace
