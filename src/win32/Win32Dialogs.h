#pragma once
// Message boxes without an owner window. The logic's texts are UTF-8 (the
// Chinese texts must show whatever the ANSI code page), so the box is the
// wide one.
#include "platform/Dialogs.h"

namespace velmora {

class Win32Dialogs final : public Dialogs {
 public:
  int MessageBox(std::string_view text, std::string_view caption, std::uint32_t type) override;
};

// Conversions between a byte string in code page `codePage` and UTF-16.
std::wstring ToWide(std::string_view text, unsigned codePage);
// Stored text as UTF-8, or, when it is not valid UTF-8 (written by other
// versions), in the ANSI code page.
std::wstring TextToWide(std::string_view text);
std::string FromWide(std::wstring_view text, unsigned codePage);

}  // namespace velmora
