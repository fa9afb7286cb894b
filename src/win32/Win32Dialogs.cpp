#include "win32/Win32Dialogs.h"

#include <string>

#include "win32/Win32Api.h"

namespace velmora {

int Win32Dialogs::MessageBox(std::string_view text, std::string_view caption, std::uint32_t type) {
  const std::string body(text), title(caption);
  return ::MessageBoxA(nullptr, body.c_str(), title.c_str(), type);
}

}  // namespace velmora
