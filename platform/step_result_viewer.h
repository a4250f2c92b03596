#pragma once
// What the two step-result viewers share: the results of one pipeline step
// they are given, the strip of step labels and the Back/previous/next
// buttons on Panel1 at the bottom, and stepping through the results. The
// views themselves and how a result is loaded into them belong to the
// viewers (TForm4 one result view, TForm5 two page views).
//
// Filling and showing, as the main window does it:
//
//   StepResultSet set;
//   set.input = "C:\\scans\\p7.tif";
//   set.step = 1;
//   set.steps = {{"Binarize", "-", "otsu"}, {"Deskew", "fine", "hough"}};
//   set.results = {{"...\\p7.tif_0012.tif", "", "hough"}, {"...\\p7.tif_0011.tif", "", "radon"}};
//   if (viewer.SetResults(set)) viewer.ShowResults();
//
// Components on Panel1: BitBtn1 "Back", BitBtn2 (previous result) and BitBtn3
// (next result), and per step j (0..6) the labels "Label<3j+1>" (caption line
// 1), "Label<3j+2>" (caption line 2) and "Label<3j+3>" (the method line).
#include "forms/bit_btn.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/panel.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

// One pipeline step as the strip shows it.
struct StepRow {
    std::string caption1;   // the module's caption lines; a second line that
    std::string caption2;   // begins with "-" means the module has none
    std::string method;     // display name of the step's chosen method; the
                            // marked step's line names the shown result's instead
};

// One result of the step.
struct StepResult {
    std::string path;        // the result; in the two-page viewer the left page
    std::string rightPath;   // the two-page viewer only: the right page
    std::string method;      // display name of the method that made it
};

struct StepResultSet {
    std::string input;                 // the image that entered the pipeline
    int step = 0;                      // the step the results belong to, 0..6
    std::vector<StepRow> steps;        // steps[j] for steps 0..step
    std::vector<StepResult> results;   // entry 0: the chosen method's result
};

class StepResultViewer : public forms::Form {
public:
    static constexpr int kMaxResults = 20;
    static constexpr int kSteps = 7;

    // Takes the results to show next. Refused (false, nothing changes) for a
    // set with no result or a step outside 0..6; results past the 20th are
    // dropped.
    bool SetResults(const StepResultSet& set);
    // Shows the results given last, modally, from result 1 (each showing
    // loads the images afresh, once the window has its maximised size: show
    // the viewer through this, not ShowModal). kModalNone without showing
    // when none were given (or a preview came since).
    int ShowResults();
    // The same, not modal: returns once the window shows the first result.
    bool OpenResults();

    int ResultCount() const { return static_cast<int>(set_.results.size()); }   // N
    int CurrentResult() const { return current_; }                              // K, 1-based
    int MarkedStep() const { return set_.step; }                                // S
    const std::string& InputPath() const { return set_.input; }

    forms::Label& CaptionLine1(int step) { return *labels_.at(static_cast<size_t>(step) * 3); }
    forms::Label& CaptionLine2(int step) { return *labels_.at(static_cast<size_t>(step) * 3 + 1); }
    forms::Label& MethodLine(int step) { return *labels_.at(static_cast<size_t>(step) * 3 + 2); }

    forms::Panel Panel1;
    forms::BitBtn BitBtn1;   // "Back"
    forms::BitBtn BitBtn2;   // previous result
    forms::BitBtn BitBtn3;   // next result

    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();

protected:
    explicit StepResultViewer(const std::string& formName);
    ~StepResultViewer() override;

    // The window was just shown for result 1: place the views, load the
    // input and result 1 and fit them.
    virtual void LoadFirstResult() = 0;
    // The current result changed by one step: load it into the result
    // views, keeping or fitting their zoom.
    virtual void LoadSteppedResult() = 0;

    const StepResult& CurrentEntry() const { return set_.results.at(static_cast<size_t>(current_ - 1)); }
    // Forgets the results and hides the step strip and the step buttons.
    void ForgetResults();

private:
    void ShowStepStrip();
    void Step(int by);
    void UpdateStepButtons();

    std::vector<std::unique_ptr<forms::Label>> labels_;
    StepResultSet set_;
    bool filled_ = false;
    int current_ = 1;
};

} // namespace platform
