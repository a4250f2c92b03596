// The control as created by a host, with the recording fake engine beside
// it: what creation asks of the engine and in which order, a default font's
// change reaching the engine, teardown through Ann_Deinit, and creation
// refused when the engine beside it cannot be used.
#include "control_fixture.h"

#include "fake_engine.h"
#include "testkit.h"

#include <string>

namespace {

using Lines = std::vector<std::string>;

const Lines kCreation = {
    "Ann_Init(0,0)",
    "RegisterCallback(1,fn)",  "RegisterCallback(5,fn)",  "RegisterCallback(6,fn)",
    "RegisterCallback(3,fn)",  "RegisterCallback(7,fn)",  "RegisterCallback(4,fn)",
    "RegisterCallback(8,fn)",  "RegisterCallback(10,fn)", "RegisterCallback(9,fn)",
    "RegisterCallback(11,fn)", "RegisterCallback(12,fn)", "RegisterCallback(17,fn)",
    "RegisterCallback(18,fn)", "SetProperty(4128,\"\")",  "SetProperty(4131,\"\")",
    "SetProperty(769,null)",   "SetProperty(770,null)",   "SetProperty(768,null)",
    "SetProperty(771,null)",   "ActivateToolbar(1)",      "SetProperty(130,0)",
};

template <class F>
F Bind(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A folder holding a copy of the control and, as its inkcore7.dll, the
// given engine file (none for ""). The control copy is loaded and its class
// object used, the way COM would.
class ControlFolder {
public:
    explicit ControlFolder(const std::string& engineFile) : folder_("engine wiring") {
        const std::string bin = testkit::ProgramFolder();
        CopyFileA((bin + "\\inkctl7.dll").c_str(), (folder_ / "inkctl7.dll").c_str(), FALSE);
        if (!engineFile.empty())
            CopyFileA((std::string(FAKE_ENGINE_FOLDER) + "\\" + engineFile).c_str(),
                      (folder_ / "inkcore7.dll").c_str(), FALSE);
    }
    ~ControlFolder() {
        if (control_) FreeLibrary(control_);
        if (engine_) FreeLibrary(engine_);
    }
    // The fake engine the control will load, loaded first by the test.
    HMODULE LoadEngine() {
        engine_ = LoadLibraryA((folder_ / "inkcore7.dll").c_str());
        return engine_;
    }
    HRESULT Create(IQuillmark** out) {
        *out = nullptr;
        control_ = LoadLibraryA((folder_ / "inkctl7.dll").c_str());
        if (!control_) return E_UNEXPECTED;
        auto getClassObject = Bind<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>(
            control_, "DllGetClassObject");
        IClassFactory* factory = nullptr;
        HRESULT hr = getClassObject(CLSID_Quillmark, IID_IClassFactory,
                                    reinterpret_cast<void**>(&factory));
        if (FAILED(hr)) return hr;
        hr = factory->CreateInstance(nullptr, IID_IQuillmark, reinterpret_cast<void**>(out));
        factory->Release();
        return hr;
    }
    bool EngineLoadedByControl() const {
        // The test's own load does not count: it holds the fake itself.
        return GetModuleHandleA((folder_ / "inkcore7.dll").c_str()) != nullptr;
    }

private:
    testkit::TempFolder folder_;
    HMODULE control_ = nullptr;
    HMODULE engine_ = nullptr;
};

Lines Log(HMODULE engine) {
    auto count = Bind<FakeEngineLogCountFn>(engine, "FakeEngine_LogCount");
    auto line = Bind<FakeEngineLogLineFn>(engine, "FakeEngine_LogLine");
    Lines lines;
    for (int i = 0; count && line && i < count(); ++i) lines.push_back(line(i));
    return lines;
}

class ControlEngineTest : public ControlTest {};

TEST_F(ControlEngineTest, CreationWiresTheEngineInOrderAndReleaseHandsItToAnnDeinit) {
    ControlFolder folder("inkcore7.dll");
    HMODULE engine = folder.LoadEngine();
    ASSERT_NE(nullptr, engine);
    Bind<FakeEngineResetFn>(engine, "FakeEngine_Reset")();
    IQuillmark* control = nullptr;
    ASSERT_EQ(S_OK, folder.Create(&control));
    EXPECT_EQ(kCreation, Log(engine));
    auto live = Bind<FakeEngineLiveCountFn>(engine, "FakeEngine_LiveCount");
    EXPECT_EQ(1, live());

    // A change of the default text font reaches the engine as its LOGFONT.
    size_t seen = Log(engine).size();
    IFontDisp* font = nullptr;
    ASSERT_EQ(S_OK, control->get_DefaultTextFont(&font));
    ASSERT_NE(nullptr, font);
    IFont* f = nullptr;
    font->QueryInterface(IID_IFont, reinterpret_cast<void**>(&f));
    f->put_Bold(FALSE);
    f->Release();
    font->Release();
    Lines log = Log(engine);
    EXPECT_EQ(Lines{"SetProperty(40961,{Arial,-16,400,0})"}, Lines(log.begin() + seen, log.end()));

    seen = log.size();
    EXPECT_EQ(0u, control->Release());
    log = Log(engine);
    EXPECT_EQ(Lines{"Ann_Deinit"}, Lines(log.begin() + seen, log.end()));
    EXPECT_EQ(0, live());
}

TEST_F(ControlEngineTest, CreationFailsWhenTheEngineBesideItCannotBeUsed) {
    {
        SCOPED_TRACE("an engine without ordinal 1");
        ControlFolder folder("fake_engine_no_init.dll");
        IQuillmark* control = nullptr;
        EXPECT_EQ(E_FAIL, folder.Create(&control));
        EXPECT_EQ(nullptr, control);
        EXPECT_FALSE(folder.EngineLoadedByControl()) << "the library is let go again";
    }
    {
        SCOPED_TRACE("Ann_Init gives no engine");
        ControlFolder folder("inkcore7.dll");
        HMODULE engine = folder.LoadEngine();
        ASSERT_NE(nullptr, engine);
        Bind<FakeEngineSetInitFailsFn>(engine, "FakeEngine_SetInitFails")(1);
        IQuillmark* control = nullptr;
        EXPECT_EQ(E_FAIL, folder.Create(&control));
        EXPECT_EQ(nullptr, control);
        EXPECT_EQ(0, Bind<FakeEngineLiveCountFn>(engine, "FakeEngine_LiveCount")());
    }
}

} // namespace
