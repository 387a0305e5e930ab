#pragma once
// Text at the Win32 boundary: the wide (UTF-16) calls everywhere, converted
// from and to our UTF-8 strings; Win32 error codes as errno values.
#include <string>
#include <string_view>

namespace rondivo::platform {

std::wstring wideFromUtf8(std::string_view utf8);
std::string utf8FromWide(std::wstring_view wide);
int errnoFromWindowsError(unsigned long error);

}  // namespace rondivo::platform
