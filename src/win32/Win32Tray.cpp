#include "win32/Win32Tray.h"

#include <algorithm>
#include <cstddef>

#include "win32/Convert.h"
#include "win32/Win32Api.h"
#include "win32/Win32Dialogs.h"

namespace velmora {

static_assert(NOTIFYICONDATAW_V1_SIZE == NotifyIconDataV1Size);
static_assert(NOTIFYICONDATAW_V2_SIZE > offsetof(NOTIFYICONDATAW, uVersion));

bool Win32Tray::Shell_NotifyIcon(std::uint32_t message, const NotifyIconData& data) {
  NOTIFYICONDATAW nid{};
  // The version and focus calls need a structure that reaches uVersion; icons
  // are added, changed and deleted with the first version, as ever.
  const bool versioned = message == NIM_SETVERSION || message == NIM_SETFOCUS;
  const bool balloon = (data.uFlags & NIF_INFO) != 0;
  // A balloon with its own icon needs the whole structure (Vista on), which reaches hBalloonIcon.
  const bool ownIcon = balloon && (data.dwInfoFlags & NIIF_USER) != 0;
  nid.cbSize = ownIcon ? sizeof nid : versioned || balloon ? NOTIFYICONDATAW_V2_SIZE : NOTIFYICONDATAW_V1_SIZE;
  if (ownIcon) nid.hBalloonIcon = ToHicon(data.hBalloonIcon);
  if (balloon) {
    // A balloon needs the second version's fields; each text ends with a zero.
    const auto copy = [](const char* utf8, wchar_t* out, std::size_t size) {
      const std::wstring text = ToWide(std::string(utf8), CP_UTF8);
      const std::size_t count = std::min(text.size(), size - 1);
      std::copy_n(text.begin(), count, out);
      out[count] = L'\0';
    };
    copy(data.szInfo.data(), nid.szInfo, std::size(nid.szInfo));
    copy(data.szInfoTitle.data(), nid.szInfoTitle, std::size(nid.szInfoTitle));
    nid.dwInfoFlags = data.dwInfoFlags;
  }
  if (versioned) nid.uVersion = data.uVersion;
  nid.hWnd = ToHwnd(data.hWnd);
  nid.uID = data.uID;
  nid.uFlags = data.uFlags;
  nid.uCallbackMessage = data.uCallbackMessage;
  nid.hIcon = ToHicon(data.hIcon);
  // The first version has 64 characters of tip; it always ends with a zero.
  const std::wstring tip = ToWide(std::string(data.szTip.data()), CP_UTF8);
  const std::size_t n = std::min<std::size_t>(tip.size(), 63);
  std::copy_n(tip.begin(), n, nid.szTip);
  nid.szTip[n] = L'\0';
  return ::Shell_NotifyIconW(message, &nid) != FALSE;
}

}  // namespace velmora
