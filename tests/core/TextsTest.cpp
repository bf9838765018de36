#include "core/Texts.h"

#include <gtest/gtest.h>

namespace {

TEST(LaunchFailureMessage, NamesFileAndDirectoryExactlyAsPassed) {
    EXPECT_EQ(L"Program http://www.tolvan.example in directory  was not successfully launched. "
              L"Please contact support.",
              core::LaunchFailureMessage(L"http://www.tolvan.example", L""));
    EXPECT_EQ(L"Program C:\\Tools\\a b.exe in directory C:\\Work\\ was not successfully launched. "
              L"Please contact support.",
              core::LaunchFailureMessage(L"C:\\Tools\\a b.exe", L"C:\\Work\\"));
    EXPECT_EQ(L"Program  in directory  was not successfully launched. Please contact support.",
              core::LaunchFailureMessage(L"", L""));
}

TEST(ApplicationTitle, IsTheFileNameUpToItsFirstDotWithTheRestLowered) {
    const struct {
        const wchar_t* path;
        const wchar_t* title;
    } cases[] = {
        {L"C:\\Program Files\\Tolvan\\tarnwick.exe", L"tarnwick"},
        {L"C:\\APPS\\TARNWICK.EXE", L"Tarnwick"},
        {L"Z:\\tmp\\my.app.v2.exe", L"my"},
        {L"\\\\server\\share\\Notice.Exe", L"Notice"},
        {L"D:/unix/style/TarnWick.exe", L"Tarnwick"},
        {L"C:tarnwick.exe", L"tarnwick"},
        {L"C:\\dir.with.dots\\NoExtension", L"Noextension"},
        {L"C:\\x\\\x00C4RGER.exe", L"\x00C4rger"},
        {L"C:\\x\\.hidden", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)));
        EXPECT_EQ(c.title, core::ApplicationTitle(c.path));
    }
}

TEST(ErrorReportText, AddsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    const struct {
        const wchar_t* message;
        const wchar_t* shown;
    } cases[] = {
        {L"Access denied", L"Access denied."},
        {L"Already said.", L"Already said."},
        {L"Really?", L"Really?."},       // "?" sorts after "."
        {L"Out of range 7", L"Out of range 7."},
        {L"Stopped!", L"Stopped!"},       // '!' sorts before '.'
        {L"A list,", L"A list,"},         // ',' sorts before '.'
        {L"Path /", L"Path /."},          // '/' sorts just after '.'
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.shown, core::ErrorReportText(c.message));
    }
}

} // namespace
