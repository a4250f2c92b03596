#pragma once
// The control as an in-process server host loads it (LoadLibrary and
// DllGetClassObject of inkctl7.dll), with the recording fake engine beside
// it, and an event sink the test advises.
#include "fake_engine_library.h"
#include "recording_sink.h"

#include "quillmark.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <string>
#include <vector>

namespace quillmark_test {

using Lines = std::vector<std::string>;

// The HRESULT of an engine error.
constexpr HRESULT Err(int code)
{
    return static_cast<HRESULT>(0x80040000u + static_cast<unsigned>(code));
}

class ControlWithFakeEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fake.Loaded());
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring folder(path);
        folder.resize(folder.find_last_of(L"\\/") + 1);
        server = LoadLibraryW((folder + L"inkctl7.dll").c_str());
        ASSERT_NE(nullptr, server);
        auto getClassObject = reinterpret_cast<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(GetProcAddress(server, "DllGetClassObject")));
        ASSERT_NE(nullptr, getClassObject);
        ASSERT_EQ(S_OK, getClassObject(CLSID_Quillmark, IID_IClassFactory,
                                       reinterpret_cast<void**>(&factory)));
    }
    void TearDown() override
    {
        for (RecordingSink* sink : sinks) {
            sink->Unadvise();
            sink->Release();
        }
        if (control)
            control->Release();
        if (factory)
            factory->Release();
        OleUninitialize();
        if (server)
            FreeLibrary(server);
    }
    IQuillmark* Create()
    {
        IQuillmark* made = nullptr;
        EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IQuillmark,
                                                reinterpret_cast<void**>(&made)));
        return made;
    }
    IConnectionPoint* EventsPoint(IUnknown* object)
    {
        IConnectionPointContainer* container = nullptr;
        object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
        IConnectionPoint* point = nullptr;
        if (container) {
            container->FindConnectionPoint(DIID__IQuillmarkEvents, &point);
            container->Release();
        }
        if (point)
            point->Release();  // the control holds it; no reference kept here
        return point;
    }
    RecordingSink* Advise(std::string name = "")
    {
        sinks.push_back(RecordingSink::Advise(EventsPoint(control), &events, std::move(name)));
        return sinks.back();
    }
    // Creates the control and forgets what creating it logged.
    void CreateControl()
    {
        control = Create();
        ASSERT_NE(nullptr, control);
        mark = fake.LogSize();
    }
    Lines EngineCalls() const { return fake.LogFrom(mark); }

    FakeEngineLibrary fake;
    HMODULE server = nullptr;
    IClassFactory* factory = nullptr;
    IQuillmark* control = nullptr;
    std::vector<RecordingSink*> sinks;
    Lines events;
    size_t mark = 0;
};

} // namespace quillmark_test
