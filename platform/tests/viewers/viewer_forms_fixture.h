#pragma once
// What the viewer tests share: OLE and a main window for the viewers to sit
// behind, page files of chosen sizes in a scratch folder, and driving the
// viewers' buttons and views by window messages.
#include <windows.h>

#include <gtest/gtest.h>

#include "step_result_viewer.h"
#include "testkit.h"
#include "vistrel_view.h"

#include "forms/form.h"
#include "forms/tool_bar.h"

#include <memory>
#include <string>

namespace viewertest {

class ViewerFormsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A blank 1-bit page of that size, written as TIFF; its full path.
    std::string Page(const std::string& name, int width, int height);

    std::unique_ptr<testkit::TempFolder> folder_;
    std::unique_ptr<forms::Form> main_;

private:
    bool initialised_ = false;
};

// A button click as the system delivers it (BM_CLICK).
void Click(forms::Control& button);
// A click on a tool bar's button, by the command the bar sends its parent.
void ClickTool(forms::ToolBar& bar, const std::string& buttonName);
// The image control's own window inside a view.
HWND ControlWindowOf(platform::TVistrel7_& view);
// The user pages a view down (and right) with its scroll bars.
void UserScroll(platform::TVistrel7_& view);
// The file name the view shows (its control window's text).
std::string ShownFile(platform::TVistrel7_& view);
// The zoom factor a view has when fitted; the view is left fitted.
double FittedZoom(platform::TVistrel7_& view);

} // namespace viewertest
