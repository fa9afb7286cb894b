#include "main/MessageFilter.h"

#include "hook/MemBlock.h"
#include "platform/WinConst.h"

namespace velmora {

std::vector<std::uint32_t> MessagesFromLowerLevels(bool elevated, std::uint32_t taskbarCreated) {
  if (!elevated) return {};
  std::vector<std::uint32_t> messages{win::WM_COPYDATA, WindowChangedMessage};
  if (taskbarCreated != 0) messages.push_back(taskbarCreated);
  return messages;
}

}  // namespace velmora
