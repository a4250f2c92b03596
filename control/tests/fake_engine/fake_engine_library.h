#pragma once
// The test's own hold on the fake engine: loads inkcore7.dll from the test
// program's folder (the file the code under test loads too, so both reach one
// state) and binds the FakeEngine_ functions.
#include "fake_engine.h"

#include <string>
#include <vector>

class FakeEngineLibrary {
public:
    FakeEngineLibrary()
    {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring folder(path);
        folder.resize(folder.find_last_of(L"\\/") + 1);
        module_ = LoadLibraryW((folder + L"inkcore7.dll").c_str());
        Bind(reset, "FakeEngine_Reset");
        Bind(logCount, "FakeEngine_LogCount");
        Bind(logLine, "FakeEngine_LogLine");
        Bind(setInitFails, "FakeEngine_SetInitFails");
        Bind(setResult, "FakeEngine_SetResult");
        Bind(setOuts, "FakeEngine_SetOuts");
        Bind(reportChangeOn, "FakeEngine_ReportChangeOn");
        Bind(setProperty, "FakeEngine_SetProperty");
        Bind(setPropertyText, "FakeEngine_SetPropertyText");
        Bind(setLayerProperty, "FakeEngine_SetLayerProperty");
        Bind(setTool, "FakeEngine_SetTool");
        Bind(setLogFont, "FakeEngine_SetLogFont");
        Bind(callback, "FakeEngine_Callback");
        Bind(cookie, "FakeEngine_Cookie");
        Bind(liveCount, "FakeEngine_LiveCount");
        if (reset)
            reset();
    }
    ~FakeEngineLibrary()
    {
        if (module_)
            FreeLibrary(module_);
    }
    FakeEngineLibrary(const FakeEngineLibrary&) = delete;
    FakeEngineLibrary& operator=(const FakeEngineLibrary&) = delete;

    bool Loaded() const { return module_ && reset && liveCount; }

    std::vector<std::string> Log() const
    {
        std::vector<std::string> lines;
        for (int i = 0; i < logCount(); ++i)
            lines.push_back(logLine(i));
        return lines;
    }
    // The lines logged from index `from` on.
    std::vector<std::string> LogFrom(size_t from) const
    {
        std::vector<std::string> lines = Log();
        return from < lines.size() ? std::vector<std::string>(lines.begin() + from, lines.end())
                                   : std::vector<std::string>();
    }
    size_t LogSize() const { return static_cast<size_t>(logCount()); }

    // What a slot writes through its out arguments (see FakeEngineSetOutsFn).
    void SetOuts(int slot, std::vector<int> words) const
    {
        setOuts(slot, words.data(), static_cast<int>(words.size()));
    }

    template <class Fn>
    Fn Callback(int channel) const
    {
        return reinterpret_cast<Fn>(callback(channel));
    }

    FakeEngineResetFn reset = nullptr;
    FakeEngineLogCountFn logCount = nullptr;
    FakeEngineLogLineFn logLine = nullptr;
    FakeEngineSetInitFailsFn setInitFails = nullptr;
    FakeEngineSetResultFn setResult = nullptr;
    FakeEngineSetOutsFn setOuts = nullptr;
    FakeEngineReportChangeOnFn reportChangeOn = nullptr;
    FakeEngineSetPropertyFn setProperty = nullptr;
    FakeEngineSetPropertyTextFn setPropertyText = nullptr;
    FakeEngineSetLayerPropertyFn setLayerProperty = nullptr;
    FakeEngineSetToolFn setTool = nullptr;
    FakeEngineSetLogFontFn setLogFont = nullptr;
    FakeEngineCallbackFn callback = nullptr;
    FakeEngineCookieFn cookie = nullptr;
    FakeEngineLiveCountFn liveCount = nullptr;

private:
    template <class Fn>
    void Bind(Fn& fn, const char* name)
    {
        fn = module_ ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)))
                     : nullptr;
    }
    HMODULE module_ = nullptr;
};
