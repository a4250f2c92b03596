// The server module: registration from the class table, the class factory
// and the unload rule.
#include "sample_fixture.h"

#include "testkit.h"

#include <olectl.h>

#include <functional>
#include <vector>

namespace {

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

const std::wstring kClsid = L"CLSID\\{61D0193F-5054-4DCA-B35E-52D9385FBBAD}";
const std::wstring kLibId = L"{CF2721BE-23F9-44E0-9522-8A93012A40E4}";

// A key and value under HKEY_CLASSES_ROOT; name null = the default value;
// value empty = the key exists, its value is not checked. "%MODULE%" stands for
// the DLL's path.
struct ExpectedKey {
    std::wstring key;
    const wchar_t* name;
    std::wstring value;
};

std::wstring Expand(const std::wstring& value) {
    std::wstring text = value;
    const std::wstring module = L"%MODULE%";
    for (size_t at = text.find(module); at != std::wstring::npos; at = text.find(module))
        text.replace(at, module.size(), SampleServer::Path());
    return text;
}

std::vector<ExpectedKey> RegistrationKeys() {
    const std::wstring misc = std::to_wstring(OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT |
                                              OLEMISC_ACTIVATEWHENVISIBLE |
                                              OLEMISC_SETCLIENTSITEFIRST);
    return {
        {kClsid, nullptr, L"ComKit Sample Control"},
        {kClsid + L"\\InprocServer32", nullptr, L"%MODULE%"},
        {kClsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {kClsid + L"\\ProgID", nullptr, L"ComKitTest.SampleControl.1"},
        {kClsid + L"\\VersionIndependentProgID", nullptr, L"ComKitTest.SampleControl"},
        {kClsid + L"\\Control", nullptr, L""},
        {kClsid + L"\\MiscStatus", nullptr, L"0"},
        {kClsid + L"\\MiscStatus\\1", nullptr, misc},
        {kClsid + L"\\TypeLib", nullptr, kLibId},
        {kClsid + L"\\Version", nullptr, L"1.0"},
        {L"ComKitTest.SampleControl.1", nullptr, L"ComKit Sample Control"},
        {L"ComKitTest.SampleControl.1\\CLSID", nullptr,
         L"{61D0193F-5054-4DCA-B35E-52D9385FBBAD}"},
        {L"ComKitTest.SampleControl", nullptr, L"ComKit Sample Control"},
        {L"ComKitTest.SampleControl\\CLSID", nullptr, L"{61D0193F-5054-4DCA-B35E-52D9385FBBAD}"},
        {L"ComKitTest.SampleControl\\CurVer", nullptr, L"ComKitTest.SampleControl.1"},
        {L"TypeLib\\" + kLibId + L"\\1.0", nullptr, L""},
    };
}

class ServerTest : public OleTest {};

// Registration tests write into a private key that stands in for
// HKEY_CLASSES_ROOT in this process, so that they never disturb the classes
// other test programs register and use at the same time.
class RegistrationTest : public OleTest {
protected:
    void SetUp() override {
        OleTest::SetUp();
        root_ = L"Software\\ComKitTests\\Classes" + std::to_wstring(GetCurrentProcessId());
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, root_.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key_, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, key_));
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        if (key_) RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, root_.c_str());
        OleTest::TearDown();
    }

    std::wstring root_;
    HKEY key_ = nullptr;
};

TEST_F(RegistrationTest, RegisterWritesEveryKeyAndUnregisterRemovesThem) {
    ASSERT_EQ(S_OK, server_.Register());
    for (const ExpectedKey& k : RegistrationKeys()) {
        SCOPED_TRACE(testing::Message() << "key " << std::string(k.key.begin(), k.key.end()));
        EXPECT_TRUE(KeyExists(k.key));
        if (!k.value.empty()) {
            EXPECT_EQ(Expand(k.value), ClassesValue(k.key, k.name));
        }
    }
    ASSERT_EQ(S_OK, server_.Unregister());
    for (const ExpectedKey& k : RegistrationKeys()) {
        SCOPED_TRACE(testing::Message() << "key " << std::string(k.key.begin(), k.key.end()));
        EXPECT_FALSE(KeyExists(k.key));
    }
    EXPECT_FALSE(KeyExists(L"ComKitTest.SampleControl"));
}

TEST_F(RegistrationTest, UnregisterLeavesWhatOthersAddedToOurKeys) {
    ASSERT_EQ(S_OK, server_.Register());
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CLASSES_ROOT, (kClsid + L"\\Implemented Categories").c_str(),
                              0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CLASSES_ROOT, L"ComKitTest.SampleControl", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr));
    const wchar_t other[] = L"someone else's";
    RegSetValueExW(key, L"Other", 0, REG_SZ, reinterpret_cast<const BYTE*>(other), sizeof other);
    RegCloseKey(key);

    ASSERT_EQ(S_OK, server_.Unregister());
    EXPECT_TRUE(KeyExists(kClsid + L"\\Implemented Categories"));
    EXPECT_FALSE(KeyExists(kClsid + L"\\InprocServer32"));
    EXPECT_EQ(L"<missing>", ClassesValue(kClsid, nullptr));
    EXPECT_EQ(L"someone else's", ClassesValue(L"ComKitTest.SampleControl", L"Other"));
    EXPECT_FALSE(KeyExists(L"ComKitTest.SampleControl\\CurVer"));
    EXPECT_FALSE(KeyExists(L"ComKitTest.SampleControl.1"));
}

TEST_F(ServerTest, CreatedByProgIdAfterRegistration) {
    ASSERT_EQ(S_OK, server_.Register());
    CLSID clsid = {};
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"ComKitTest.SampleControl", &clsid));
    EXPECT_EQ(GuidText(CLSID_SampleControl), GuidText(clsid));

    ISampleControl* control = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ISampleControl,
                                     reinterpret_cast<void**>(&control)));
    LONG sum = 0;
    EXPECT_EQ(S_OK, control->Add(40, 2, &sum));
    EXPECT_EQ(42, sum);
    // The object lives in the DLL this test loaded: the module is shared.
    EXPECT_EQ(S_FALSE, server_.CanUnloadNow());
    control->Release();
    EXPECT_EQ(S_OK, server_.CanUnloadNow());
}

// What an installer does. Only registration: other test programs use the
// registered class at the same time, so nothing here unregisters it.
TEST_F(ServerTest, Regsvr32RegistersTheServer) {
    const std::wstring path = SampleServer::Path();
    const std::string narrow(path.begin(), path.end());
    ASSERT_EQ(0, testkit::RunAndWait("regsvr32.exe /s \"" + narrow + "\"",
                                     testkit::ProgramFolder()));
    EXPECT_EQ(path, ClassesValue(kClsid + L"\\InprocServer32", nullptr));
    EXPECT_EQ(L"{61D0193F-5054-4DCA-B35E-52D9385FBBAD}",
              ClassesValue(L"ComKitTest.SampleControl\\CLSID", nullptr));
    EXPECT_NE(0, testkit::RunAndWait("regsvr32.exe /s \"" + testkit::ProgramFolder() +
                                         "\\no-such-server.dll\"",
                                     testkit::ProgramFolder()));
}

TEST_F(ServerTest, FactoryRefusesUnknownClassesAndAggregation) {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              server_.GetClassObject(IID_IUnknown, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(nullptr, factory);
    ASSERT_EQ(S_OK, server_.GetClassObject(CLSID_SampleControl, IID_IClassFactory,
                                           reinterpret_cast<void**>(&factory)));
    IUnknown* object = nullptr;
    IUnknown* outer = factory; // any non-null outer asks for aggregation
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&object)));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(E_NOINTERFACE,
              factory->CreateInstance(nullptr, IID_IClassFactory,
                                      reinterpret_cast<void**>(&object)));
    factory->Release();
    EXPECT_EQ(S_OK, server_.CanUnloadNow());
}

// DllCanUnloadNow answers S_OK only while no object (factories included)
// lives and no lock is held.
TEST_F(ServerTest, CanUnloadNowFollowsObjectsAndLocks) {
    IClassFactory* factory = nullptr;
    IUnknown* object = nullptr;
    struct Step {
        const char* what;
        HRESULT canUnload;
    };
    std::vector<std::pair<Step, std::function<void()>>> steps = {
        {{"nothing alive", S_OK}, [] {}},
        {{"factory held", S_FALSE},
         [&] {
             server_.GetClassObject(CLSID_SampleControl, IID_IClassFactory,
                                    reinterpret_cast<void**>(&factory));
         }},
        {{"object created", S_FALSE},
         [&] {
             factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object));
         }},
        {{"locked, factory released", S_FALSE},
         [&] {
             factory->LockServer(TRUE);
             factory->Release();
             factory = nullptr;
         }},
        {{"object released, still locked", S_FALSE}, [&] { object->Release(); }},
        {{"unlocked, factory held", S_FALSE},
         [&] {
             server_.GetClassObject(CLSID_SampleControl, IID_IClassFactory,
                                    reinterpret_cast<void**>(&factory));
             factory->LockServer(FALSE);
         }},
        {{"factory released", S_OK}, [&] { factory->Release(); }},
    };
    for (auto& step : steps) {
        step.second();
        EXPECT_EQ(step.first.canUnload, server_.CanUnloadNow()) << step.first.what;
    }
}

} // namespace
