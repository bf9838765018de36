// Text derivations kept free of Windows calls so that they are tested natively.
#include "Texts.h"

namespace core {

std::wstring LaunchFailureMessage(const std::wstring& fileName, const std::wstring& directory) {
    return L"Program " + fileName + L" in directory " + directory +
           L" was not successfully launched. Please contact support.";
}

namespace {

// Lower case for the Latin letters a file name is made of; other characters stay as they are.
wchar_t ToLower(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + (L'a' - L'A'));
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 0x20);
    return c;
}

} // namespace

std::wstring ApplicationTitle(const std::wstring& exePath) {
    const auto folderEnd = exePath.find_last_of(L"\\/:");
    std::wstring name = folderEnd == std::wstring::npos ? exePath : exePath.substr(folderEnd + 1);
    name = name.substr(0, name.find(L'.'));
    for (std::size_t i = 1; i < name.size(); ++i) name[i] = ToLower(name[i]);
    return name;
}

std::wstring ErrorReportText(const std::wstring& message) {
    if (!message.empty() && message.back() > L'.') return message + L".";
    return message;
}

} // namespace core
