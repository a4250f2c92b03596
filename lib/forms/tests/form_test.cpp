// Forms: modal showing with its nested loop, closing, the show event, the
// window styles the program asks for, the component name and the cursor.
#include "forms/application.h"
#include "forms/button.h"
#include "forms/component_name.h"
#include "forms/form.h"
#include "forms/panel.h"
#include "forms/screen_cursor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using forms::Form;

class Forms : public ::testing::Test {
protected:
    void TearDown() override
    {
        forms::Application::SetMainForm(nullptr);
        forms::ScreenCursor::Set(nullptr);
        forms::Application::ProcessMessages();
    }
};

TEST_F(Forms, ModalFormDisablesTheOthersAndReturnsItsResult)
{
    Form owner("TForm1");
    Form other("TForm3");
    Form modal("TForm6");
    forms::Button ok(modal, "Button1", {10, 10, 80, 24}, "OK");
    owner.Show();
    other.Show();

    std::vector<bool> seen;
    modal.OnShow = [&] { PostMessageA(ok.Handle(), BM_CLICK, 0, 0); };
    ok.OnClick = [&] {
        seen = {owner.Enabled(), other.Enabled(), modal.Enabled(), modal.Modal()};
        modal.SetModalResult(forms::kModalOk);
    };

    EXPECT_EQ(modal.ShowModal(), forms::kModalOk);
    EXPECT_EQ(seen, (std::vector<bool>{false, false, true, true}));
    EXPECT_TRUE(owner.Enabled());
    EXPECT_TRUE(other.Enabled());
    EXPECT_FALSE(modal.Visible());
    EXPECT_FALSE(modal.Modal());
}

TEST_F(Forms, NestedModalFormsGiveBackOnlyWhatTheyDisabled)
{
    Form owner("TForm1");
    Form settings("TForm3");
    Form creation("TForm8");
    forms::Button create(settings, "Button2", {10, 10, 100, 24}, "Create Module");
    owner.Show();
    std::vector<std::string> states;
    auto state = [&](const char* when) {
        states.push_back(std::string(when) + (owner.Enabled() ? " owner" : "") +
                         (settings.Enabled() ? " settings" : ""));
    };
    settings.OnShow = [&] { PostMessageA(create.Handle(), BM_CLICK, 0, 0); };
    create.OnClick = [&] {
        state("settings up:");
        creation.ShowModal();
        state("creation done:");
        settings.Close();
    };
    creation.OnShow = [&] {
        state("creation up:");
        PostMessageA(creation.Handle(), WM_CLOSE, 0, 0);
    };

    settings.ShowModal();
    state("settings done:");
    const std::vector<std::string> expected = {"settings up: settings", "creation up:",
                                               "creation done: settings", "settings done: owner settings"};
    EXPECT_EQ(states, expected);
}

TEST_F(Forms, ClosingAModalFormAsksOnCloseAndEndsWithItsResult)
{
    struct Case {
        const char* how;
        int refusals;                         // OnClose says no this many times first
        int result;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"close box", 0, forms::kModalCancel, {"show", "close"}},
        {"result", 0, 5, {"show", "close"}},
        {"close box", 1, forms::kModalCancel, {"show", "close", "close"}},
        {"result", 2, 5, {"show", "close", "close", "close"}},
    };
    for (const Case& c : cases) {
        Form modal("TForm4");
        forms::Button done(modal, "Button1", {10, 10, 80, 24}, "Done");
        done.OnClick = [&] { modal.SetModalResult(5); };
        std::vector<std::string> events;
        int refusals = c.refusals;
        auto ask = [&] {
            if (std::string(c.how) == "close box")
                PostMessageA(modal.Handle(), WM_CLOSE, 0, 0);
            else
                PostMessageA(done.Handle(), BM_CLICK, 0, 0);
        };
        modal.OnShow = [&] {
            events.push_back("show");
            ask();
        };
        modal.OnClose = [&](bool& allow) {
            events.push_back("close");
            allow = refusals-- <= 0;
            if (!allow)
                ask();
        };
        EXPECT_EQ(modal.ShowModal(), c.result) << c.how << " " << c.refusals;
        EXPECT_EQ(events, c.events) << c.how << " " << c.refusals;
    }
}

TEST_F(Forms, TerminateEndsAModalFormAndLeavesTheQuitForTheOuterLoop)
{
    Form owner("TForm1");
    Form modal("TForm9");
    owner.Show();
    modal.OnShow = [] { forms::Application::Terminate(4); };
    EXPECT_EQ(modal.ShowModal(), forms::kModalCancel);
    EXPECT_TRUE(owner.Enabled());
    EXPECT_FALSE(modal.Visible());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 4u);
}

TEST_F(Forms, ShowEventFiresOnEveryShow)
{
    Form form("TForm2");
    int shows = 0;
    form.OnShow = [&] { ++shows; };
    form.Show();
    form.Show();   // already visible: no new show
    form.Hide();
    form.Show();
    EXPECT_EQ(shows, 2);
}

TEST_F(Forms, ClosingOnlyEndsTheLoopForTheMainForm)
{
    Form main("TForm1");
    Form viewer("TForm4");
    forms::Application::SetMainForm(&main);
    main.Show();
    viewer.Show();
    viewer.Close();
    EXPECT_FALSE(viewer.Visible());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));

    bool refuse = true;
    main.OnClose = [&](bool& allow) { allow = !refuse; };
    main.Close();
    EXPECT_TRUE(main.Visible());
    refuse = false;
    main.Close();
    EXPECT_FALSE(main.Visible());
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(Forms, StylesAndPlacementTheProgramAsksFor)
{
    Form splash("TForm2");
    splash.SetClientSize(264, 105);
    splash.SetToolWindow(true);
    splash.SetBorderIcons(false);
    splash.SetCentred(true);
    splash.SetCaption("Folivar v.1");
    splash.Show();
    EXPECT_EQ(splash.ClientWidth(), 264);
    EXPECT_EQ(splash.ClientHeight(), 105);
    EXPECT_EQ(splash.Left(), (GetSystemMetrics(SM_CXSCREEN) - splash.Width()) / 2);
    EXPECT_EQ(splash.Top(), (GetSystemMetrics(SM_CYSCREEN) - splash.Height()) / 2);
    EXPECT_TRUE(GetWindowLongA(splash.Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(GetWindowLongA(splash.Handle(), GWL_STYLE) & WS_SYSMENU);
    EXPECT_EQ(splash.Caption(), "Folivar v.1");

    Form viewer("TForm4");
    viewer.SetMaximised(true);
    viewer.Show();
    EXPECT_TRUE(IsZoomed(viewer.Handle()));
    EXPECT_TRUE(viewer.Maximised());
}

TEST_F(Forms, WindowsCarryTheirNameAsAGlobalAtomUntilDestroyed)
{
    HWND formWindow;
    HWND buttonWindow;
    {
        Form form("TFormNameCheck");
        forms::Button button(form, "ButtonNameCheck15", {0, 0, 40, 20});
        formWindow = form.Handle();
        buttonWindow = button.Handle();
        // What a reader in another process does.
        ATOM atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(buttonWindow, "ComponentName")));
        char name[64] = {};
        ASSERT_NE(atom, 0);
        GlobalGetAtomNameA(atom, name, sizeof name);
        EXPECT_STREQ(name, "ButtonNameCheck15");
        EXPECT_EQ(forms::ComponentNameOf(formWindow), "TFormNameCheck");
        EXPECT_EQ(forms::Control::FromHandle(buttonWindow), &button);
    }
    EXPECT_FALSE(IsWindow(formWindow));
    EXPECT_FALSE(IsWindow(buttonWindow));
    EXPECT_EQ(GlobalFindAtomA("ButtonNameCheck15"), 0);
    EXPECT_EQ(GlobalFindAtomA("TFormNameCheck"), 0);
}

TEST_F(Forms, EveryWindowShowsTheProgramWideCursor)
{
    Form form("TForm1");
    forms::Panel panel(form, "Panel1", {0, 0, 100, 100});
    forms::Button button(panel, "Button1", {10, 10, 50, 20});
    form.Show();
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    forms::ScreenCursor::Set(wait);
    for (HWND window : {form.Handle(), panel.Handle(), button.Handle()}) {
        SetCursor(arrow);
        SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), wait) << forms::ComponentNameOf(window);
    }
}

} // namespace
