#pragma once
// A host for the engine's tests: loads inkcore7.dll by file name, binds
// ordinals 1 and 2, registers a recording callback on each of the 13 channels
// and fake host services, and hands out the engine to drive through its
// vtable. Every recorded call carries the channel and its arguments after the
// cookie; a call whose cookie names no live host is counted apart.
#include <windows.h>

#include <string>
#include <vector>

#include "annotation_engine.h"

namespace engine_test {

struct ChannelCall {
    int channel = 0;
    std::vector<intptr_t> args;  // the arguments after the cookie
    bool operator==(const ChannelCall& other) const
    {
        return channel == other.channel && args == other.args;
    }
};
std::string Describe(const std::vector<ChannelCall>& calls);

// The library, loaded as the control loads it.
class EngineLibrary {
public:
    EngineLibrary();
    ~EngineLibrary();
    EngineLibrary(const EngineLibrary&) = delete;
    EngineLibrary& operator=(const EngineLibrary&) = delete;

    bool Loaded() const { return module_ && init_ && deinit_; }
    HMODULE Module() const { return module_; }
    AnnInitFn Init() const { return init_; }
    AnnDeinitFn Deinit() const { return deinit_; }

private:
    HMODULE module_ = nullptr;
    AnnInitFn init_ = nullptr;
    AnnDeinitFn deinit_ = nullptr;
};

// The host services as the fakes record their calls.
enum class ServiceCall { GetViewGeometry, SetViewGeometry, GetFixedViewGeometry, GetResolution };

// Fake host services: a view of a fixed image, counted and logged calls. The
// fixed (print) view gives its view rectangle in twips.
struct FakeServices {
    int imageWidth = 800;
    int imageHeight = 600;
    RECT view = {0, 0, 800, 600};
    RECT image = {0, 0, 800, 600};
    int kind = 0;
    RECT fixedViewTwips = {0, 0, 12000, 9000};
    int fixedKind = 0;
    double resolutionX = 200.0;
    double resolutionY = 200.0;
    int getViewGeometryCalls = 0;
    int getResolutionCalls = 0;
    std::vector<ServiceCall> log;
    std::vector<int> setViewGeometryValues;
    // The host's image (a packed DIB) handed out by GetImageDib (the engine frees it when
    // imageMustFree is set), and every image SetImageDib received (the test's
    // to free).
    HGLOBAL picture = nullptr;
    BOOL imageMustFree = FALSE;
    std::vector<HGLOBAL> receivedImages;
};

// One engine with its host.
class TestHost {
public:
    // Makes an engine with this host's cookie; registers the recorders and
    // services unless told not to.
    explicit TestHost(EngineLibrary& library, bool wire = true);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    AnnotationEngine* Engine() const { return engine_; }
    AnnotationEngine* operator->() const { return engine_; }
    HostCookie Cookie() const { return reinterpret_cast<HostCookie>(this); }

    void RegisterRecorders();
    void RegisterServices();
    // Ends the engine now (as the control's teardown does).
    void Deinit();

    const std::vector<ChannelCall>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    // Callback calls whose cookie named no live host.
    static int StrayCalls();
    FakeServices& Services() { return services_; }

    // Called by the recorders.
    static void Record(HostCookie cookie, int channel, std::vector<intptr_t> args);
    static TestHost* FromServiceCookie(HostCookie cookie);

private:
    EngineLibrary& library_;
    AnnotationEngine* engine_ = nullptr;
    std::vector<ChannelCall> calls_;
    FakeServices services_;
};

// The process's GDI and USER object counts.
struct GuiCounts {
    DWORD gdi = 0;
    DWORD user = 0;
};
GuiCounts CurrentGuiCounts();

} // namespace engine_test
