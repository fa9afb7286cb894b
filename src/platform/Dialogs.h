#pragma once
// Message boxes: no owner window, the caption given. Texts are UTF-8; titles
// of foreign windows arrive in the ANSI code page and are converted first.
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

class Dialogs {
 public:
  Dialogs() = default;
  Dialogs(const Dialogs&) = delete;
  Dialogs& operator=(const Dialogs&) = delete;
  virtual ~Dialogs() = default;
  virtual int MessageBox(std::string_view text, std::string_view caption, std::uint32_t type) = 0;
};

}  // namespace velmora
