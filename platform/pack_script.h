#pragma once
// The rules of method packing that need no window: which method file names
// are allowed, the one command line of "run.bat" that has the archiver build
// the package, and the description file's bytes.
#include <string>
#include <vector>

namespace platform {

// A method file name N names the method's batch file (N + ".bat") and its
// package ("<module file>." + N). Allowed: letters, digits, "_", "-" and
// ".", not empty, not starting with "-" or "." (the archiver would read a
// leading "-" as a switch) and not ending with "." (Windows drops a
// trailing dot, so the package would land under another name).
// A name ending in ".Folivar" (in any letter case) is refused too: its
// package would be taken for a module file at the next start.
bool IsValidMethodFileName(const std::string& name);
// The message that refuses a method file name, or empty when it is allowed.
std::string MethodFileNameProblem(const std::string& name);

// A chosen file that packing itself needs in the work folder: "run.bat"
// would be overwritten by the script, and a "rar" program there would run in
// place of the archiver. Letter case does not matter.
bool IsReservedPackingName(const std::string& fileName);

// The name as it goes on the "run.bat" line: plain names (the characters of
// a method file name) as they are; anything else in double quotes with "%"
// doubled, so that the command processor neither splits nor expands it. A
// name starting with "-" is written as ".\-..." so the archiver takes it for
// a file.
std::string PackScriptArgument(const std::string& name);

// The one line of "run.bat", without line end:
//   rar a -sfxwincon.sfx <module>.<method> <method>.bat <method>.txt
//       <method>.name <method>.tab <chosen files...>
// The archiver makes "<module>.<method>.exe" in the folder the line runs in.
std::string PackScriptLine(const std::string& moduleFile, const std::string& method,
                           const std::vector<std::string>& chosenFiles);

// The command processor reads a batch file in the OEM code page: the
// script's bytes are the line's (ANSI) text in that code page. False when a
// character has no place in it, so that the archiver would get another name.
bool ScriptBytes(const std::string& line, std::string* bytes);
bool CanNameInScript(const std::string& name);

// The description file's bytes: every line break ("\r\n" or a lone "\n")
// written once as "\r\n".
std::string DescriptionFileText(const std::string& memoText);

} // namespace platform
