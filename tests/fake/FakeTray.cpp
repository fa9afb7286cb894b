#include "FakeTray.h"

#include <algorithm>

#include "platform/WinConst.h"

namespace velmora::fake {

FakeTray::FakeTray(CallLog* log) : log_(log) {}

std::set<std::uint32_t> FakeTray::Ids() const {
  std::set<std::uint32_t> ids;
  for (const auto& [key, icon] : icons_) ids.insert(key.second);
  return ids;
}

bool FakeTray::Shell_NotifyIcon(std::uint32_t message, const NotifyIconData& data) {
  const char* name = message == win::NIM_ADD      ? "NIM_ADD"
                     : message == win::NIM_MODIFY ? "NIM_MODIFY"
                     : message == win::NIM_DELETE ? "NIM_DELETE"
                     : message == win::NIM_SETVERSION ? "NIM_SETVERSION"
                     : message == win::NIM_SETFOCUS ? "NIM_SETFOCUS"
                                                  : "NIM_?";
  LogCall(log_, std::string(name) + " " + Hex(data.uID));
  if (onSend && !inOnSend_) {
    inOnSend_ = true;
    try {
      onSend();
    } catch (...) {
      inOnSend_ = false;
      throw;
    }
    inOnSend_ = false;
  }
  const auto key = std::make_pair(data.hWnd.value, data.uID);
  auto it = icons_.find(key);
  bool ok = data.cbSize == NotifyIconDataV1Size;
  if (ok && message == win::NIM_ADD) {
    ok = it == icons_.end() && !failAdds && !failAddIds.contains(data.uID);
    if (ok) {
      NotifyIconData stored = data;
      // An added icon has only what uFlags names, as the shell keeps it.
      if (!(data.uFlags & win::NIF_ICON)) stored.hIcon = Hicon{};
      if (!(data.uFlags & win::NIF_TIP)) stored.szTip = {};
      if (!(data.uFlags & win::NIF_MESSAGE)) stored.uCallbackMessage = 0;
      stored.uVersion = 0;
      icons_.emplace(key, stored);
    }
  } else if (ok && message == win::NIM_MODIFY) {
    ok = it != icons_.end();
    if (ok) {
      NotifyIconData& icon = it->second;
      if (data.uFlags & win::NIF_ICON) icon.hIcon = data.hIcon;
      if (data.uFlags & win::NIF_TIP) icon.szTip = data.szTip;
      if (data.uFlags & win::NIF_MESSAGE) icon.uCallbackMessage = data.uCallbackMessage;
      if (data.uFlags & win::NIF_INFO) balloons.push_back({data.uID, std::string(data.szInfo.data()), std::string(data.szInfoTitle.data()),
                                                         data.dwInfoFlags, data.hBalloonIcon});
      icon.uFlags |= data.uFlags & ~win::NIF_INFO;
    }
  } else if (ok && message == win::NIM_DELETE) {
    ok = it != icons_.end();
    if (ok) icons_.erase(it);
  } else if (ok && message == win::NIM_SETVERSION) {
    ok = it != icons_.end() && !refuseVersion;
    if (ok) it->second.uVersion = data.uVersion;
  } else if (ok && message == win::NIM_SETFOCUS) {
    ok = it != icons_.end();
  } else {
    ok = false;
  }
  calls.push_back({message, data, ok});
  return ok;
}

void FakeTray::ClickBalloon(std::uint32_t id) {
  if (const NotifyIconData* icon = Icon(id))
    posted_.push_back({icon->hWnd, icon->uCallbackMessage, id, win::NIN_BALLOONUSERCLICK});
  DispatchPosted();
}

void FakeTray::UserInput(std::uint32_t id, TrayInput input) {
  using namespace win;
  static const std::vector<std::uint32_t> reports[] = {{WM_LBUTTONUP, NIN_SELECT},     {WM_LBUTTONDBLCLK},
                                                      {WM_RBUTTONUP, WM_CONTEXTMENU}, {NIN_KEYSELECT},
                                                      {NIN_KEYSELECT, NIN_KEYSELECT}, {WM_CONTEXTMENU}};
  const NotifyIconData* icon = Icon(id);
  for (const std::uint32_t event : icon ? reports[static_cast<int>(input)] : std::vector<std::uint32_t>{})
    if (icon->uVersion >= NOTIFYICON_VERSION || (event >= WM_LBUTTONUP && event <= WM_RBUTTONUP))
      posted_.push_back({icon->hWnd, icon->uCallbackMessage, id, event});
  DispatchPosted();
}

void FakeTray::DispatchPosted() {
  while (desktop && !posted_.empty()) {
    const SentMessage next = posted_.front();
    posted_.pop_front();
    desktop->Deliver(next.wnd, next.msg, next.wParam, next.lParam);
  }
}

bool FakeTray::Has(std::uint32_t id) const { return Icon(id) != nullptr; }

const NotifyIconData* FakeTray::Icon(std::uint32_t id) const {
  for (const auto& [key, icon] : icons_)
    if (key.second == id) return &icon;
  return nullptr;
}

std::string FakeTray::Tip(std::uint32_t id) const {
  const NotifyIconData* icon = Icon(id);
  if (!icon) return "";
  const auto& tip = icon->szTip;
  return std::string(tip.begin(), std::find(tip.begin(), tip.end(), '\0'));
}

std::size_t FakeTray::CountCalls(std::uint32_t message) const {
  return static_cast<std::size_t>(
      std::count_if(calls.begin(), calls.end(), [&](const TrayCall& c) { return c.message == message; }));
}

}  // namespace velmora::fake
