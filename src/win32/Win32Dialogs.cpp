#include "win32/Win32Dialogs.h"

#include <limits>
#include <string>

#include "win32/Win32Api.h"

namespace velmora {

std::wstring ToWide(std::string_view text, unsigned codePage) {
  if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return {};
  const int length = static_cast<int>(text.size());
  const int n = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), length, out.data(), n);
  return out;
}

std::wstring TextToWide(std::string_view text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return {};
  const bool utf8 = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0) > 0;
  return ToWide(text, utf8 ? CP_UTF8 : CP_ACP);
}

std::string FromWide(std::wstring_view text, unsigned codePage) {
  if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return {};
  const int length = static_cast<int>(text.size());
  const int n = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), n, nullptr, nullptr);
  return out;
}

int Win32Dialogs::MessageBox(std::string_view text, std::string_view caption, std::uint32_t type) {
  const std::wstring body = ToWide(text, CP_UTF8), title = ToWide(caption, CP_UTF8);
  return ::MessageBoxW(nullptr, body.c_str(), title.c_str(), type);
}


}  // namespace velmora
