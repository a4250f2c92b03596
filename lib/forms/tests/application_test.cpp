// The application's loop: what handlers throw goes to the exception box and
// the loop goes on; closing the main form or Terminate ends it.
#include "forms/application.h"
#include "forms/button.h"
#include "forms/form.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using forms::Application;

class ApplicationLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application::SetExceptionHook([this](const std::string& message) { events.push_back("box:" + message); });
    }
    void TearDown() override
    {
        Application::SetExceptionHook({});
        Application::SetMainForm(nullptr);
    }

    std::vector<std::string> events;
};

TEST_F(ApplicationLoop, ExceptionsFromHandlersReachTheBoxAndTheLoopGoesOn)
{
    forms::Form main("TForm1");
    forms::Form modal("TForm2");
    forms::Button failing(main, "Button1", {10, 10, 80, 24}, "Fail");
    forms::Button odd(main, "Button2", {10, 40, 80, 24}, "Odd");
    forms::Button opens(main, "Button3", {10, 70, 80, 24}, "Open");
    forms::Button last(main, "Button4", {10, 100, 80, 24}, "Last");
    failing.OnClick = [] { throw std::runtime_error("disk full"); };
    odd.OnClick = [] { throw 42; };
    opens.OnClick = [&] {
        events.push_back("modal:" + std::to_string(modal.ShowModal()));
        PostMessageA(last.Handle(), BM_CLICK, 0, 0);
    };
    modal.OnShow = [&] {
        PostMessageA(modal.Handle(), WM_CLOSE, 0, 0);
        throw std::logic_error("in the show event");
    };
    modal.OnClose = [&](bool&) {
        events.push_back(main.Enabled() ? "main enabled" : "main disabled");
        throw std::runtime_error("in the close event");
    };
    last.OnClick = [&] {
        events.push_back("last");
        main.Close();
    };
    Application::SetMainForm(&main);

    for (forms::Button* b : {&failing, &odd, &opens})
        PostMessageA(b->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(Application::Run(), 0);

    // A throwing close event still closes the modal form and gives the main
    // form back.
    const std::vector<std::string> expected = {"box:disk full", "box:", "box:in the show event", "main disabled",
                                               "box:in the close event",
                                               "modal:" + std::to_string(forms::kModalCancel), "last"};
    EXPECT_EQ(events, expected);
    EXPECT_FALSE(main.Visible());
    EXPECT_TRUE(main.Enabled());
}

TEST_F(ApplicationLoop, RunShowsTheMainFormAndEndsWithTheTerminateCode)
{
    forms::Form main("TForm1");
    main.OnShow = [&] {
        events.push_back("show");
        Application::Terminate(7);
    };
    Application::SetMainForm(&main);
    EXPECT_EQ(Application::Run(), 7);
    EXPECT_TRUE(main.Visible());
    EXPECT_EQ(events, std::vector<std::string>{"show"});
}

TEST_F(ApplicationLoop, ProcessMessagesKeepsTheQuitRequestForTheLoop)
{
    forms::Form main("TForm1");
    forms::Button button(main, "Button1", {0, 0, 50, 20});
    button.OnClick = [&] { events.push_back("click"); };
    PostMessageA(button.Handle(), BM_CLICK, 0, 0);
    Application::Terminate(3);
    Application::ProcessMessages();
    EXPECT_EQ(events, std::vector<std::string>{"click"});

    // Not posted again (a wait letting messages run would wake for it over
    // and over), but remembered: the loop ends with its code.
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_TRUE(Application::Terminated());
    EXPECT_EQ(Application::Run(), 3);
}

TEST_F(ApplicationLoop, FormsAreListedInCreationOrderAndTheFirstIsTheMainForm)
{
    Application::SetMainForm(nullptr);
    {
        auto& first = Application::CreateForm<forms::Form>("TForm1");
        auto& second = Application::CreateForm<forms::Form>("TForm2");
        auto& third = Application::CreateForm<forms::Form>("TForm3");
        EXPECT_EQ(Application::Forms(), (std::vector<forms::Form*>{&first, &second, &third}));
        EXPECT_EQ(Application::MainForm(), &first);
    }
    Application::FreeForms();
    EXPECT_TRUE(Application::Forms().empty());
    EXPECT_EQ(Application::MainForm(), nullptr);
}

} // namespace
