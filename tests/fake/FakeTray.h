#pragma once
// The notification area: records every Shell_NotifyIcon call and keeps the
// current icons keyed by (hWnd, uID) with the shell's rules.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "FakeDesktop.h"
#include "FakeLog.h"
#include "platform/Tray.h"

namespace velmora::fake {

// What the user does on an icon; DoubleClick is the second press of a double click.
enum class TrayInput { LeftClick, DoubleClick, RightClick, Space, Enter, MenuKey };

struct TrayCall {
  std::uint32_t message = 0;  // NIM_ADD, NIM_MODIFY, NIM_DELETE, NIM_SETVERSION, NIM_SETFOCUS
  NotifyIconData data{};        // a copy, as passed
  bool result = false;
};

class FakeTray : public Tray {
 public:
  explicit FakeTray(CallLog* log = nullptr);

  // NIM_ADD fails for an existing key, the others for a missing one; any call
  // with a cbSize other than the first version's fails. NIM_MODIFY changes only
  // what uFlags names; an icon has version 0 until NIM_SETVERSION. Logged as "NIM_ADD <uID>" etc.
  bool Shell_NotifyIcon(std::uint32_t message, const NotifyIconData& data) override;

  // Lookups by uID alone (Velmora's icons all belong to one window).
  bool Has(std::uint32_t id) const;
  const NotifyIconData* Icon(std::uint32_t id) const;  // null when absent
  std::string Tip(std::uint32_t id) const;             // "" when absent
  std::size_t Count() const { return icons_.size(); }
  std::size_t CountCalls(std::uint32_t message) const;
  std::set<std::uint32_t> Ids() const;

  // Called inside every Shell_NotifyIcon before the shell answers (the call is
  // a send to the taskbar), so that a test can deliver another event meanwhile.
  // Not called again while it runs.
  std::function<void()> onSend;

  // The user's input on an icon, posted as the shell reports it (version 3: NIN_SELECT and WM_CONTEXTMENU after the
  // buttons, keys, Enter twice); modal loops dispatch too, so a report's rest arrives inside what its first part opened.
  void UserInput(std::uint32_t id, TrayInput input);
  void DispatchPosted();
  // The user clicks the balloon last shown on an icon.
  void ClickBalloon(std::uint32_t id);
  struct Balloon {
    std::uint32_t id;
    std::string text;
    std::string title;
    std::uint32_t flags;
    Hicon icon;
  };
  std::vector<Balloon> balloons;  // every NIM_MODIFY with NIF_INFO

  std::vector<TrayCall> calls;
  bool failAdds = false;              // every NIM_ADD fails (no taskbar yet)
  std::set<std::uint32_t> failAddIds;  // NIM_ADD of these ids fails
  bool refuseVersion = false;         // an older shell: every NIM_SETVERSION fails
  FakeDesktop* desktop = nullptr;     // receives the reports

 private:
  CallLog* log_;
  bool inOnSend_ = false;
  std::map<std::pair<std::uint64_t, std::uint32_t>, NotifyIconData> icons_;
  std::deque<SentMessage> posted_;
};

}  // namespace velmora::fake
