#pragma once
// Message boxes without an owner window.
#include "platform/Dialogs.h"

namespace velmora {

class Win32Dialogs final : public Dialogs {
 public:
  int MessageBox(std::string_view text, std::string_view caption, std::uint32_t type) override;
};

}  // namespace velmora
