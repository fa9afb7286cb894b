#include "win32/Win32Tray.h"

#include <algorithm>

#include "win32/Convert.h"
#include "win32/Win32Api.h"

namespace velmora {

static_assert(NOTIFYICONDATAA_V1_SIZE == NotifyIconDataV1Size);

bool Win32Tray::Shell_NotifyIcon(std::uint32_t message, const NotifyIconData& data) {
  NOTIFYICONDATAA nid{};
  nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
  nid.hWnd = ToHwnd(data.hWnd);
  nid.uID = data.uID;
  nid.uFlags = data.uFlags;
  nid.uCallbackMessage = data.uCallbackMessage;
  nid.hIcon = ToHicon(data.hIcon);
  // The first version has 64 bytes of tip; it always ends with a zero.
  std::copy_n(data.szTip.begin(), 63, nid.szTip);
  nid.szTip[63] = '\0';
  return ::Shell_NotifyIconA(message, &nid) != FALSE;
}

}  // namespace velmora
