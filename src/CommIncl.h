// Shared routines of the maker's programs.
#pragma once

#include <windows.h>

#include <string>

// Asks the shell to open a program, document or address. A failure is reported to the user
// in an "Error" dialog and gives false; nothing is thrown.
bool LaunchProgram(HWND owner, const std::wstring& fileName, const std::wstring& parameters,
                   const std::wstring& directory, WORD showCommand) noexcept;
