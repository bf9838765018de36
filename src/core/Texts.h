// Texts the program derives at run time: the launcher's failure sentence, the application
// title and the default error report.
#pragma once

#include <string>

namespace core {

// The sentence shown when the shell could not open fileName.
std::wstring LaunchFailureMessage(const std::wstring& fileName, const std::wstring& directory);

// The executable's file name without folder and without everything from its first ".",
// every character after the first in lower case: "C:\Apps\TARNWICK.EXE" gives "Tarnwick".
std::wstring ApplicationTitle(const std::wstring& exePath);

// An error's message as the default error report shows it: a "." is added when the last
// character sorts after ".".
std::wstring ErrorReportText(const std::wstring& message);

} // namespace core
