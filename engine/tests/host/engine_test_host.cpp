#include "engine_test_host.h"

#include <set>
#include <sstream>

namespace engine_test {

namespace {
// Live hosts, so that a callback can tell a real cookie from a stray one.
std::set<const TestHost*>& LiveHosts()
{
    static std::set<const TestHost*> hosts;
    return hosts;
}

int strayCalls = 0;

// Recorders with the exact argument count of each channel.
int __stdcall OnAnnotateEvent(HostCookie c, int code, int data)
{
    TestHost::Record(c, Channel_AnnotateEvent, {code, data});
    return 0;
}
int __stdcall OnRequestLayerPassword(HostCookie c, BSTR name, BSTR* password)
{
    TestHost::Record(c, Channel_RequestLayerPassword,
                     {reinterpret_cast<intptr_t>(name), reinterpret_cast<intptr_t>(password)});
    return 0;
}
int __stdcall OnStamping(HostCookie c)
{
    TestHost::Record(c, Channel_Stamping, {});
    return 0;
}
int __stdcall OnMouseEvent(HostCookie c, int code, int layer, int seq, int button, int shift,
                           int x, int y)
{
    TestHost::Record(c, Channel_MouseEvent, {code, layer, seq, button, shift, x, y});
    return 0;
}
int __stdcall OnPaletteMenuSelect(HostCookie c, int tool, int menuId, int subMenuId, int user1,
                                  int user2)
{
    TestHost::Record(c, Channel_PaletteMenuSelect, {tool, menuId, subMenuId, user1, user2});
    return 0;
}
int __stdcall OnUserDraw(HostCookie c, HDC dc, int x, int y, int width, int height, int layer,
                         int seq, int userLong)
{
    TestHost::Record(c, Channel_UserDraw, {reinterpret_cast<intptr_t>(dc), x, y, width, height,
                                           layer, seq, userLong});
    return 0;
}
int __stdcall OnItemChanged(HostCookie c, int layer, int seq, int attribute)
{
    TestHost::Record(c, Channel_ItemChanged, {layer, seq, attribute});
    return 0;
}
int __stdcall OnCurrentLayerChange(HostCookie c, int layer)
{
    TestHost::Record(c, Channel_CurrentLayerChange, {layer});
    return 0;
}
int __stdcall OnContextMenuSelect(HostCookie c, int menuId, int layer, int seq)
{
    TestHost::Record(c, Channel_ContextMenuSelect, {menuId, layer, seq});
    return 0;
}
int __stdcall OnUserGroupCreated(HostCookie c, int layer, int groupId)
{
    TestHost::Record(c, Channel_UserGroupCreated, {layer, groupId});
    return 0;
}
int __stdcall OnUserGroupDestroyed(HostCookie c, int layer, int groupId)
{
    TestHost::Record(c, Channel_UserGroupDestroyed, {layer, groupId});
    return 0;
}
int __stdcall OnMenuSelect(HostCookie c, int menu, int tool, int topId, int subId, int user1,
                           int user2, int layer, int seq)
{
    TestHost::Record(c, Channel_MenuSelect, {menu, tool, topId, subId, user1, user2, layer, seq});
    return 0;
}
int __stdcall OnToolbarSelect(HostCookie c, int tool, int layer)
{
    TestHost::Record(c, Channel_ToolbarSelect, {tool, layer});
    return 0;
}

// What both geometry services answer: the given kind and view, and the image.
int FillGeometry(const FakeServices& s, int kindValue, const RECT& viewValue, int* kind, RECT* view,
                 RECT* image, int* width, int* height)
{
    if (kind)
        *kind = kindValue;
    if (view)
        *view = viewValue;
    if (image)
        *image = s.image;
    if (width)
        *width = s.imageWidth;
    if (height)
        *height = s.imageHeight;
    return 0;
}

int __stdcall FakeGetViewGeometry(HostCookie c, int* kind, RECT* view, RECT* image, int* width,
                                  int* height)
{
    TestHost* host = TestHost::FromServiceCookie(c);
    if (!host)
        return 0;
    FakeServices& s = host->Services();
    ++s.getViewGeometryCalls;
    s.log.push_back(ServiceCall::GetViewGeometry);
    return FillGeometry(s, s.kind, s.view, kind, view, image, width, height);
}
int __stdcall FakeGetFixedViewGeometry(HostCookie c, int* kind, RECT* view, RECT* image,
                                       int* width, int* height)
{
    TestHost* host = TestHost::FromServiceCookie(c);
    if (!host)
        return 0;
    FakeServices& s = host->Services();
    s.log.push_back(ServiceCall::GetFixedViewGeometry);
    return FillGeometry(s, s.fixedKind, s.fixedViewTwips, kind, view, image, width, height);
}
int __stdcall FakeSetViewGeometry(HostCookie c, int value)
{
    TestHost* host = TestHost::FromServiceCookie(c);
    if (!host)
        return 0;
    host->Services().log.push_back(ServiceCall::SetViewGeometry);
    host->Services().setViewGeometryValues.push_back(value);
    return 0;
}
int __stdcall FakeGetResolution(HostCookie c, double* x, double* y)
{
    TestHost* host = TestHost::FromServiceCookie(c);
    if (!host)
        return 0;
    FakeServices& s = host->Services();
    ++s.getResolutionCalls;
    s.log.push_back(ServiceCall::GetResolution);
    if (x)
        *x = s.resolutionX;
    if (y)
        *y = s.resolutionY;
    return 0;
}
int __stdcall FakeGetImageDib(HostCookie c, HGLOBAL* image, BOOL* mustFree)
{
    TestHost* host = TestHost::FromServiceCookie(c);
    if (!host)
        return 0;
    if (image)
        *image = host->Services().picture;
    if (mustFree)
        *mustFree = host->Services().imageMustFree;
    return 0;
}
int __stdcall FakeSetImageDib(HostCookie c, HGLOBAL image)
{
    if (TestHost* host = TestHost::FromServiceCookie(c))
        host->Services().receivedImages.push_back(image);
    return 0;
}
} // namespace

std::string Describe(const std::vector<ChannelCall>& calls)
{
    std::ostringstream out;
    for (const ChannelCall& call : calls) {
        out << "channel " << call.channel << "(";
        for (size_t i = 0; i < call.args.size(); ++i)
            out << (i ? ", " : "") << call.args[i];
        out << ")\n";
    }
    return out.str();
}

EngineLibrary::EngineLibrary()
{
    module_ = LoadLibraryA("inkcore7.dll");
    if (!module_)
        return;
    init_ = reinterpret_cast<AnnInitFn>(
        reinterpret_cast<void*>(GetProcAddress(module_, MAKEINTRESOURCEA(kAnnInitOrdinal))));
    deinit_ = reinterpret_cast<AnnDeinitFn>(
        reinterpret_cast<void*>(GetProcAddress(module_, MAKEINTRESOURCEA(kAnnDeinitOrdinal))));
}

EngineLibrary::~EngineLibrary()
{
    if (module_)
        FreeLibrary(module_);
}

TestHost::TestHost(EngineLibrary& library, bool wire) : library_(library)
{
    LiveHosts().insert(this);
    if (library_.Loaded())
        engine_ = library_.Init()(Cookie(), nullptr, 0);
    if (engine_ && wire) {
        RegisterRecorders();
        RegisterServices();
    }
}

TestHost::~TestHost()
{
    Deinit();
    for (HGLOBAL block : services_.receivedImages)
        GlobalFree(block);
    if (services_.picture && !services_.imageMustFree)
        GlobalFree(services_.picture);
    LiveHosts().erase(this);
}

void TestHost::Deinit()
{
    if (engine_)
        library_.Deinit()(engine_);
    engine_ = nullptr;
}

void TestHost::RegisterRecorders()
{
    struct Row {
        int channel;
        void* function;
    };
    // The control's order of registration.
    const Row rows[] = {
        {Channel_AnnotateEvent, reinterpret_cast<void*>(&OnAnnotateEvent)},
        {Channel_MouseEvent, reinterpret_cast<void*>(&OnMouseEvent)},
        {Channel_PaletteMenuSelect, reinterpret_cast<void*>(&OnPaletteMenuSelect)},
        {Channel_RequestLayerPassword, reinterpret_cast<void*>(&OnRequestLayerPassword)},
        {Channel_UserDraw, reinterpret_cast<void*>(&OnUserDraw)},
        {Channel_Stamping, reinterpret_cast<void*>(&OnStamping)},
        {Channel_ItemChanged, reinterpret_cast<void*>(&OnItemChanged)},
        {Channel_ContextMenuSelect, reinterpret_cast<void*>(&OnContextMenuSelect)},
        {Channel_CurrentLayerChange, reinterpret_cast<void*>(&OnCurrentLayerChange)},
        {Channel_UserGroupCreated, reinterpret_cast<void*>(&OnUserGroupCreated)},
        {Channel_UserGroupDestroyed, reinterpret_cast<void*>(&OnUserGroupDestroyed)},
        {Channel_MenuSelect, reinterpret_cast<void*>(&OnMenuSelect)},
        {Channel_ToolbarSelect, reinterpret_cast<void*>(&OnToolbarSelect)},
    };
    for (const Row& row : rows)
        engine_->RegisterCallback(row.channel, row.function);
}

void TestHost::RegisterServices()
{
    engine_->SetHostGetViewGeometry(Cookie(), &FakeGetViewGeometry);
    engine_->SetHostSetViewGeometry(Cookie(), &FakeSetViewGeometry);
    engine_->SetHostGetFixedViewGeometry(Cookie(), &FakeGetFixedViewGeometry);
    engine_->SetHostGetResolution(Cookie(), &FakeGetResolution);
    engine_->SetHostGetImageDib(&FakeGetImageDib);
    engine_->SetHostSetImageDib(&FakeSetImageDib);
}

void TestHost::Record(HostCookie cookie, int channel, std::vector<intptr_t> args)
{
    auto* host = reinterpret_cast<TestHost*>(cookie);
    if (!LiveHosts().count(host)) {
        ++strayCalls;
        return;
    }
    host->calls_.push_back({channel, std::move(args)});
}

TestHost* TestHost::FromServiceCookie(HostCookie cookie)
{
    auto* host = reinterpret_cast<TestHost*>(cookie);
    return LiveHosts().count(host) ? host : nullptr;
}

int TestHost::StrayCalls()
{
    return strayCalls;
}

GuiCounts CurrentGuiCounts()
{
    GuiCounts counts;
    counts.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    counts.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    return counts;
}

} // namespace engine_test
