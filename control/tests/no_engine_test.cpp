// The control with no engine file anywhere it looks: a host loading the
// server and asking for the control is refused cleanly, again and again,
// and can let the server go.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "quillmark.h"

namespace {

template <class F>
F Bind(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L"\\/") + 1);
    return folder;
}

TEST(ControlWithoutEngine, CreationIsRefusedAndTheServerCanBeLetGo)
{
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    const std::wstring folder = ProgramFolder();
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"inkcore7.dll").c_str()))
        << "no engine beside the control";
    HMODULE server = LoadLibraryW((folder + L"inkctl7.dll").c_str());
    ASSERT_NE(nullptr, server);
    auto getClassObject =
        Bind<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>(server, "DllGetClassObject");
    auto canUnload = Bind<HRESULT(__stdcall*)()>(server, "DllCanUnloadNow");
    ASSERT_NE(nullptr, getClassObject);
    ASSERT_NE(nullptr, canUnload);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, getClassObject(CLSID_Quillmark, IID_IClassFactory,
                                   reinterpret_cast<void**>(&factory)));
    for (REFIID iid : {IID_IQuillmark, IID_IUnknown, IID_IDispatch}) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            void* made = reinterpret_cast<void*>(1);
            EXPECT_EQ(E_FAIL, factory->CreateInstance(nullptr, iid, &made));
            EXPECT_EQ(nullptr, made);
        }
    }
    EXPECT_EQ(nullptr, GetModuleHandleW(L"inkcore7.dll"));
    factory->Release();
    EXPECT_EQ(S_OK, canUnload()) << "nothing of a refused control is left alive";
    EXPECT_TRUE(FreeLibrary(server));
    OleUninitialize();
}

} // namespace
