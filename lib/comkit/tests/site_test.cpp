// The container site: hosting the sample control in a window, in-place
// activation into the site's rectangle, resizing, events, ambients, the
// container's list of controls and teardown.
#include "sample_fixture.h"

#include "forms/activex_site.h"

#include <functional>
#include <memory>
#include <vector>

namespace {

enum : DISPID { kCaption = 1, kNumber = 2, kUserMode = 4, kSay = 11 };
enum : DISPID { kNumberChanged = 1, kSaid = 2 };

class SiteTest : public OleTest {
protected:
    void SetUp() override {
        OleTest::SetUp();
        ASSERT_EQ(S_OK, server_.Register()); // the site creates by ProgID and CLSID
        form_ = CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                                0, 640, 480, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, form_);
        ShowWindow(form_, SW_SHOW);
    }
    void TearDown() override {
        sites_.clear();
        if (form_) DestroyWindow(form_);
        OleTest::TearDown();
    }

    forms::ActiveXSite& NewSite(const RECT& rect) {
        sites_.push_back(std::make_unique<forms::ActiveXSite>(form_, rect));
        return *sites_.back();
    }

    // The control's own window, through its IOleWindow.
    static HWND ControlWindow(forms::ActiveXSite& site) {
        IOleWindow* window = nullptr;
        HWND hwnd = nullptr;
        if (site.Control() &&
            SUCCEEDED(site.Control()->QueryInterface(IID_IOleInPlaceObject,
                                                     reinterpret_cast<void**>(&window)))) {
            window->GetWindow(&hwnd);
            window->Release();
        }
        return hwnd;
    }

    // A window's rectangle in the form's client coordinates.
    RECT RectInForm(HWND window) const {
        RECT r;
        GetWindowRect(window, &r);
        MapWindowPoints(HWND_DESKTOP, form_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    HWND form_ = nullptr;
    std::vector<std::unique_ptr<forms::ActiveXSite>> sites_;
};

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

TEST_F(SiteTest, HostsTheControlInPlaceInItsRectangleAndFollowsResizes) {
    forms::ActiveXSite& site = NewSite({10, 20, 210, 140});
    ASSERT_EQ(S_OK, site.Create(L"ComKitTest.SampleControl"));
    ASSERT_NE(nullptr, site.GetDispatch());
    HWND control = ControlWindow(site);
    ASSERT_TRUE(IsWindow(control));
    EXPECT_EQ(site.Window(), GetParent(control));
    EXPECT_EQ(form_, GetParent(site.Window()));
    EXPECT_TRUE(IsWindowVisible(control));
    EXPECT_EQ(Text({10, 20, 210, 140}), Text(RectInForm(control)));

    IOleObject* created = nullptr;
    site.Control()->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&created));
    SIZEL first = {};
    created->GetExtent(DVASPECT_CONTENT, &first);
    created->Release();
    EXPECT_EQ(MulDiv(200, 2540, 96), first.cx);
    EXPECT_EQ(MulDiv(120, 2540, 96), first.cy);

    ASSERT_EQ(S_OK, site.SetRect({30, 40, 130, 90}));
    EXPECT_EQ(Text({30, 40, 130, 90}), Text(RectInForm(control)));
    EXPECT_EQ(Text({30, 40, 130, 90}), Text(RectInForm(site.Window())));

    // The control's extent (HIMETRIC, what it saves) follows the size.
    IOleObject* ole = nullptr;
    site.Control()->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole));
    SIZEL extent = {};
    ole->GetExtent(DVASPECT_CONTENT, &extent);
    EXPECT_EQ(MulDiv(100, 2540, 96), extent.cx);
    EXPECT_EQ(MulDiv(50, 2540, 96), extent.cy);
    ole->Release();
}

TEST_F(SiteTest, ForwardsTheControlsEventsToItsHandler) {
    forms::ActiveXSite& site = NewSite({0, 0, 100, 100});
    std::vector<std::pair<DISPID, std::wstring>> events;
    site.SetEventHandler([&](DISPID id, const DISPPARAMS& p) {
        events.push_back({id, p.cArgs ? VariantText(p.rgvarg[p.cArgs - 1]) : L""});
    });
    ASSERT_EQ(S_OK, site.Create(CLSID_SampleControl));
    ASSERT_EQ(S_OK, PutProperty(site.GetDispatch(), kNumber, IntArg(7)));
    VARIANT text = TextArg(L"hello");
    DISPPARAMS params = {&text, nullptr, 1, 0};
    ASSERT_EQ(S_OK, site.GetDispatch()->Invoke(kSay, IID_NULL, 0, DISPATCH_METHOD, &params,
                                               nullptr, nullptr, nullptr));
    VariantClear(&text);
    site.SetEventHandler(nullptr);
    PutProperty(site.GetDispatch(), kNumber, IntArg(8));

    const std::vector<std::pair<DISPID, std::wstring>> expected = {{kNumberChanged, L"7"},
                                                                   {kSaid, L"hello"}};
    EXPECT_EQ(expected, events);
}

TEST_F(SiteTest, ReportsUserModeAsAnAmbientProperty) {
    forms::ActiveXSite& site = NewSite({0, 0, 50, 50});
    ASSERT_EQ(S_OK, site.Create(CLSID_SampleControl));
    VARIANT mode;
    ASSERT_EQ(S_OK, GetProperty(site.GetDispatch(), kUserMode, &mode));
    EXPECT_EQ(VARIANT_TRUE, mode.boolVal);
    site.SetUserMode(false);
    ASSERT_EQ(S_OK, GetProperty(site.GetDispatch(), kUserMode, &mode));
    EXPECT_EQ(VARIANT_FALSE, mode.boolVal);
}

TEST_F(SiteTest, ContainerEnumeratesTheControlsOfTheSameForm) {
    forms::ActiveXSite& first = NewSite({0, 0, 50, 50});
    forms::ActiveXSite& second = NewSite({60, 0, 110, 50});
    ASSERT_EQ(S_OK, first.Create(CLSID_SampleControl));
    ASSERT_EQ(S_OK, second.Create(CLSID_SampleControl));

    // The way a control finds its neighbours: client site, container, list.
    IOleObject* ole = nullptr;
    second.Control()->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole));
    IOleClientSite* clientSite = nullptr;
    ASSERT_EQ(S_OK, ole->GetClientSite(&clientSite));
    IOleContainer* container = nullptr;
    ASSERT_EQ(S_OK, clientSite->GetContainer(&container));
    IEnumUnknown* objects = nullptr;
    ASSERT_EQ(S_OK, container->EnumObjects(OLECONTF_EMBEDDINGS, &objects));
    std::vector<IUnknown*> found;
    IUnknown* object = nullptr;
    while (objects->Next(1, &object, nullptr) == S_OK) {
        found.push_back(object);
        object->Release();
    }
    objects->Release();
    container->Release();
    clientSite->Release();
    ole->Release();
    EXPECT_EQ((std::vector<IUnknown*>{first.Control(), second.Control()}), found);
}

TEST_F(SiteTest, VerbsShowHideAndDeactivateTheControlsWindow) {
    forms::ActiveXSite& site = NewSite({0, 0, 80, 60});
    ASSERT_EQ(S_OK, site.Create(CLSID_SampleControl));
    IOleObject* ole = nullptr;
    site.Control()->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole));
    IOleInPlaceObject* inPlace = nullptr;
    site.Control()->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace));
    IOleClientSite* clientSite = nullptr;
    ole->GetClientSite(&clientSite);

    enum Window { kNone, kHidden, kVisible };
    const struct {
        const char* what;
        std::function<HRESULT()> act;
        HRESULT hr;
        Window window;
    } steps[] = {
        {"hide", [&] { return ole->DoVerb(OLEIVERB_HIDE, nullptr, clientSite, 0, nullptr, nullptr); },
         S_OK, kHidden},
        {"show", [&] { return ole->DoVerb(OLEIVERB_SHOW, nullptr, clientSite, 0, nullptr, nullptr); },
         S_OK, kVisible},
        {"UI-activate",
         [&] { return ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, clientSite, 0, nullptr, nullptr); },
         S_OK, kVisible},
        {"UI-deactivate", [&] { return inPlace->UIDeactivate(); }, S_OK, kVisible},
        {"unknown negative verb",
         [&] { return ole->DoVerb(-100, nullptr, clientSite, 0, nullptr, nullptr); },
         OLEOBJ_E_INVALIDVERB, kVisible},
        {"deactivate", [&] { return inPlace->InPlaceDeactivate(); }, S_OK, kNone},
        {"unknown positive verb acts as primary",
         [&] { return ole->DoVerb(77, nullptr, clientSite, 0, nullptr, nullptr); },
         OLEOBJ_S_INVALIDVERB, kVisible},
        {"close", [&] { return ole->Close(OLECLOSE_NOSAVE); }, S_OK, kNone},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(step.hr, step.act()) << step.what;
        HWND window = ControlWindow(site);
        const Window state = !window ? kNone : IsWindowVisible(window) ? kVisible : kHidden;
        EXPECT_EQ(step.window, state) << step.what;
        if (window) {
            EXPECT_EQ(site.Window(), GetParent(window)) << step.what;
        }
    }
    clientSite->Release();
    inPlace->Release();
    ole->Release();
}

TEST_F(SiteTest, TeardownLeavesNoReferencesAndNoLiveObjects) {
    forms::ActiveXSite& site = NewSite({5, 5, 105, 105});
    ASSERT_EQ(S_OK, site.Create(CLSID_SampleControl));
    HWND control = ControlWindow(site);
    ASSERT_TRUE(IsWindow(control));
    EXPECT_EQ(S_FALSE, server_.CanUnloadNow());
    EXPECT_GT(site.References(), 0);

    site.Destroy();
    EXPECT_FALSE(IsWindow(control));
    EXPECT_EQ(nullptr, site.GetDispatch());
    EXPECT_EQ(0, site.References());
    EXPECT_EQ(S_OK, server_.CanUnloadNow());
    site.Destroy(); // twice is harmless
    EXPECT_EQ(0, site.References());
}

TEST_F(SiteTest, ClosingTheFormTearsTheControlDown) {
    forms::ActiveXSite& site = NewSite({5, 5, 105, 105});
    ASSERT_EQ(S_OK, site.Create(CLSID_SampleControl));
    HWND control = ControlWindow(site);
    DestroyWindow(form_);
    form_ = nullptr;
    EXPECT_FALSE(IsWindow(control));
    EXPECT_EQ(nullptr, site.Control());
    EXPECT_EQ(nullptr, site.Window());
    EXPECT_EQ(0, site.References());
    EXPECT_EQ(S_OK, server_.CanUnloadNow());
    EXPECT_EQ(E_FAIL, site.SetRect({0, 0, 10, 10}));
}

TEST_F(SiteTest, CreateFailsCleanlyForAnUnknownClass) {
    forms::ActiveXSite& site = NewSite({0, 0, 10, 10});
    EXPECT_TRUE(FAILED(site.Create(L"ComKitTest.NoSuchControl")));
    EXPECT_TRUE(FAILED(site.Create(IID_IUnknown)));
    EXPECT_EQ(nullptr, site.Control());
    EXPECT_EQ(0, site.References());
    ASSERT_EQ(S_OK, site.Create(CLSID_SampleControl));
    EXPECT_EQ(E_UNEXPECTED, site.Create(CLSID_SampleControl)); // one control per site
}

} // namespace
