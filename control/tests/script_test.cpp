// The control driven from the platform's script host, which reaches it only
// through IDispatch and the type library: created by ProgID, properties read
// and set, and a refused value caught with its number and text.
#include "control_fixture.h"

#include "testkit.h"

namespace {

// Each failed check adds its bit to the exit code, which is 100 when all
// pass: the script host ends a script stopped by an error with 0.
const char kScript[] =
    "Option Explicit\r\n"
    "Dim q, failures\r\n"
    "failures = 0\r\n"
    "Set q = CreateObject(\"MorvaneImaging.Quillmark.7\")\r\n"
    "If q.DefaultTool <> 4103 Then failures = failures + 1\r\n"
    "q.DefaultPenWidth = 5\r\n"
    "If q.DefaultPenWidth <> 5 Then failures = failures + 2\r\n"
    "q.TIFFAnnotationType = 1\r\n"
    "If q.TIFFAnnotationType <> 1 Then failures = failures + 4\r\n"
    "q.Author = \"Script author\"\r\n"
    "If q.Author <> \"Script author\" Then failures = failures + 8\r\n"
    "On Error Resume Next\r\n"
    "q.TIFFAnnotationType = 7\r\n"
    "If Err.Number <> &H80040412 Then failures = failures + 16\r\n"
    "If Err.Description <> \"Invalid TIFF annotation option\" Then failures = failures + 32\r\n"
    "If Err.Source <> \"MorvaneImaging.Quillmark.7\" Then failures = failures + 64\r\n"
    "Err.Clear\r\n"
    "On Error GoTo 0\r\n"
    "If q.TIFFAnnotationType <> 1 Then failures = failures + 128\r\n"
    "Set q = Nothing\r\n"
    "WScript.Quit 100 + failures\r\n";

TEST(ControlScriptTest, ScriptHostCreatesReadsSetsAndCatchesAnError) {
    testkit::TempFolder folder("script");
    testkit::WriteText(folder / "drive.vbs", kScript);
    const int rc = testkit::RunAndWait("cscript.exe //nologo \"" + (folder / "drive.vbs") + "\"",
                                       folder.path(), 120000);
    EXPECT_EQ(100, rc) << "100 + the bits of the failed checks";
}

} // namespace
