#include "step_result_viewer.h"

#include "viewer_glyphs.h"

namespace platform {

namespace {

// The strip: one column of three lines per step, the buttons right of the
// marked step's column.
constexpr int kColumnPitch = 180;
constexpr int kColumnLeft = 4;
constexpr int kColumnWidth = 154;
constexpr int kLineHeight = 16;
constexpr int kStripTop = 4;
constexpr int kLine1TopTwoLines = 0;   // below the strip's top margin
constexpr int kLine1TopOneLine = 7;
constexpr int kLine2Top = kStripTop + 17;
constexpr int kMethodTop = kStripTop + 35;
constexpr int kPanelHeight = 64;
constexpr int kStepButtonOffset = 160;
constexpr int kBackButtonOffset = 200;
constexpr int kStepButtonWidth = 36;
constexpr int kStepButtonHeight = 26;
constexpr int kPreviousTop = 4;
constexpr int kNextTop = 34;
constexpr int kBackTop = 19;
constexpr int kBackWidth = 75;
const COLORREF kMarkedMethodColour = RGB(255, 255, 160);

void SetGlyphOf(forms::BitBtn& button, ViewerGlyph glyph)
{
    HBITMAP bitmap = MakeViewerGlyph(glyph);
    button.SetGlyph(bitmap);   // the button keeps a copy
    if (bitmap)
        DeleteObject(bitmap);
}

} // namespace

StepResultViewer::StepResultViewer(const std::string& formName)
    : Form(formName),
      Panel1(*this, "Panel1", {0, 0, 800, kPanelHeight}),
      BitBtn1(Panel1, "BitBtn1", {kBackButtonOffset, kBackTop, kBackWidth, kStepButtonHeight}, "Back"),
      BitBtn2(Panel1, "BitBtn2", {kStepButtonOffset, kPreviousTop, kStepButtonWidth, kStepButtonHeight}),
      BitBtn3(Panel1, "BitBtn3", {kStepButtonOffset, kNextTop, kStepButtonWidth, kStepButtonHeight})
{
    SetCaption("View Results");
    SetMaximised(true);
    Panel1.SetAlign(forms::Align::Bottom);
    SetGlyphOf(BitBtn2, ViewerGlyph::Previous);
    SetGlyphOf(BitBtn3, ViewerGlyph::Next);
    BitBtn2.SetVisible(false);
    BitBtn3.SetVisible(false);
    for (int j = 0; j < kSteps; ++j) {
        const int left = j * kColumnPitch + kColumnLeft;
        const int tops[3] = {kStripTop + kLine1TopTwoLines, kLine2Top, kMethodTop};
        for (int line = 0; line < 3; ++line) {
            const int number = j * 3 + line + 1;
            auto label = std::make_unique<forms::Label>(
                Panel1, "Label" + std::to_string(number), forms::Rect{left, tops[line], kColumnWidth, kLineHeight});
            label->SetVisible(false);
            labels_.push_back(std::move(label));
        }
    }
    BitBtn1.OnClick = [this] { BitBtn1Click(); };
    BitBtn2.OnClick = [this] { BitBtn2Click(); };
    BitBtn3.OnClick = [this] { BitBtn3Click(); };
}

StepResultViewer::~StepResultViewer() = default;

bool StepResultViewer::SetResults(const StepResultSet& set)
{
    if (set.results.empty() || set.step < 0 || set.step >= kSteps)
        return false;
    set_ = set;
    if (set_.results.size() > static_cast<size_t>(kMaxResults))
        set_.results.resize(kMaxResults);
    filled_ = true;
    current_ = 1;
    return true;
}

int StepResultViewer::ShowResults()
{
    if (!OpenResults())
        return forms::kModalNone;
    return ShowModal();
}

bool StepResultViewer::OpenResults()
{
    if (!filled_)
        return false;
    current_ = 1;
    ShowStepStrip();
    UpdateStepButtons();
    // Shown first, so that the views are laid out and fitted in the
    // maximised window.
    Show();
    LoadFirstResult();
    return true;
}

void StepResultViewer::ForgetResults()
{
    set_ = StepResultSet();
    filled_ = false;
    current_ = 1;
    for (auto& label : labels_)
        label->SetVisible(false);
    BitBtn2.SetVisible(false);
    BitBtn3.SetVisible(false);
    BitBtn1.SetLeft(kBackButtonOffset);
}

void StepResultViewer::ShowStepStrip()
{
    const int marked = set_.step;
    for (int j = 0; j < kSteps; ++j) {
        forms::Label& line1 = CaptionLine1(j);
        forms::Label& line2 = CaptionLine2(j);
        forms::Label& method = MethodLine(j);
        if (j > marked || static_cast<size_t>(j) >= set_.steps.size()) {
            line1.SetVisible(false);
            line2.SetVisible(false);
            method.SetVisible(false);
            continue;
        }
        const StepRow& row = set_.steps[static_cast<size_t>(j)];
        const bool oneLine = !row.caption2.empty() && row.caption2[0] == '-';
        line1.SetCaption(row.caption1);
        line1.SetTop(kStripTop + (oneLine ? kLine1TopOneLine : kLine1TopTwoLines));
        line1.SetVisible(true);
        line2.SetCaption(oneLine ? std::string() : row.caption2);
        line2.SetVisible(!oneLine);
        // The marked step's line names the method of the result shown.
        method.SetCaption("  " + (j == marked ? set_.results.front().method : row.method));
        const bool standsOut = j == marked && ResultCount() > 1;
        if (standsOut)
            method.SetColor(kMarkedMethodColour);
        method.SetTransparent(!standsOut);
        method.SetVisible(true);
    }
    BitBtn1.SetLeft(marked * kColumnPitch + kBackButtonOffset);
    BitBtn2.SetLeft(marked * kColumnPitch + kStepButtonOffset);
    BitBtn3.SetLeft(marked * kColumnPitch + kStepButtonOffset);
}

void StepResultViewer::UpdateStepButtons()
{
    const int n = ResultCount();
    if (n < 2) {
        BitBtn2.SetEnabled(true);
        BitBtn3.SetEnabled(true);
        BitBtn2.SetVisible(false);
        BitBtn3.SetVisible(false);
        return;
    }
    BitBtn2.SetEnabled(current_ > 1);
    BitBtn3.SetEnabled(current_ < n);
    BitBtn2.SetVisible(true);
    BitBtn3.SetVisible(true);
}

void StepResultViewer::Step(int by)
{
    const int next = current_ + by;
    if (!filled_ || next < 1 || next > ResultCount())
        return;
    current_ = next;
    LoadSteppedResult();
    UpdateStepButtons();
    MethodLine(set_.step).SetCaption("  " + CurrentEntry().method);
}

void StepResultViewer::BitBtn1Click() { Close(); }
void StepResultViewer::BitBtn2Click() { Step(-1); }
void StepResultViewer::BitBtn3Click() { Step(+1); }

} // namespace platform
