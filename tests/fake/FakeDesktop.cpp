#include "FakeDesktop.h"

#include <algorithm>
#include <stdexcept>

#include "hook/HeldMark.h"
#include "hook/MemBlock.h"
#include "platform/WinConst.h"

namespace velmora::fake {

namespace {

constexpr std::uint32_t SysCommand(std::uintptr_t wParam) { return static_cast<std::uint32_t>(wParam & 0xFFF0); }

std::vector<MenuItem> DefaultSystemMenu(bool withMinimize) {
  std::vector<MenuItem> items{{win::SC_RESTORE, 0, "&Restore"}};
  if (withMinimize) items.push_back({win::SC_MINIMIZE, 0, "Mi&nimize"});
  items.push_back({SC_MAXIMIZE, 0, "Ma&ximize"});
  items.push_back({0, win::MF_SEPARATOR, ""});
  items.push_back({win::SC_CLOSE, 0, "&Close"});
  return items;
}

}  // namespace

FakeDesktop::FakeDesktop(CallLog* log) : log_(log) {}

// ---------------------------------------------------------------- test API

Hwnd FakeDesktop::AddWindow(WindowSpec desc) {
  Hwnd h{nextWindow_};
  nextWindow_ += 0x10;
  FakeWindow w;
  w.hwnd = h;
  w.className = std::move(desc.className);
  w.title = std::move(desc.title);
  w.owner = desc.owner;
  w.parent = desc.parent;
  w.style = desc.style;
  w.pid = desc.pid;
  w.tid = desc.tid;
  w.iconic = desc.iconic;
  w.visible = desc.visible;
  w.enabled = desc.enabled;
  w.dragIcon = desc.dragIcon;
  w.getIcon = desc.getIcon;
  w.classSmallIcon = desc.classSmallIcon;
  w.hung = desc.hung;
  w.closesOnClose = desc.closesOnClose;
  w.program = std::move(desc.program);
  w.appId = std::move(desc.appId);
  if (desc.hasSystemMenu) {
    Hmenu m{nextMenu_};
    nextMenu_ += 0x10;
    auto items = DefaultSystemMenu(desc.withMinimize);
    menus_.emplace(m.value, Menu{h, items, items, true});
    w.menu = m;
  }
  windows_.emplace(h.value, std::move(w));
  if (!desc.parent) zorder_.insert(zorder_.begin(), h);
  return h;
}

FakeWindow& FakeDesktop::Window(Hwnd wnd) {
  auto it = windows_.find(wnd.value);
  if (it == windows_.end()) throw std::out_of_range("FakeDesktop: no window " + Hex(wnd.value));
  return it->second;
}

void FakeDesktop::Destroy(Hwnd wnd) {
  FakeWindow* w = Live(wnd);
  if (!w) return;
  w->alive = false;
  w->handler = nullptr;
  if (auto m = menus_.find(w->menu.value); m != menus_.end()) m->second.alive = false;
  std::erase(zorder_, wnd);
  if (foreground_ == wnd) foreground_ = Hwnd{};
  std::vector<Hwnd> dependants;
  for (auto& [value, other] : windows_)
    if (other.alive && (other.owner == wnd || other.parent == wnd)) dependants.push_back(other.hwnd);
  for (Hwnd d : dependants) Destroy(d);
}

void FakeDesktop::SetTitle(Hwnd wnd, std::string title) {
  Window(wnd).title = std::move(title);
  LibraryReport(wnd);
}

void FakeDesktop::SetIcon(Hwnd wnd, Hicon icon) {
  Window(wnd).getIcon = icon;
  LibraryReport(wnd);
}

void FakeDesktop::LibraryReport(Hwnd wnd) {
  if (!IsHeldMark(GetProp(wnd, HeldMarkName))) return;
  const std::uint64_t now = clock ? clock() : 0;
  auto last = lastReport_.find(wnd.value);
  if (last != lastReport_.end() && now - last->second < 100) return;
  lastReport_[wnd.value] = now;
  PostMessage(libraryTarget, WindowChangedMessage, wnd.value, 0);
}

void FakeDesktop::FlashWindow(Hwnd wnd) {
  const std::uint32_t msg = RegisterWindowMessage("SHELLHOOK");
  for (std::uint64_t target : shellHookWindows)
    PostMessage(Hwnd{target}, msg, win::HSHELL_FLASH, static_cast<std::intptr_t>(wnd.value));
}

void FakeDesktop::DispatchPosted() {
  for (std::size_t i = 0; i < ownPosted_.size(); ++i) {
    const SentMessage m = ownPosted_[i];
    Deliver(m.wnd, m.msg, m.wParam, m.lParam);
  }
  ownPosted_.clear();
}

std::uint32_t FakeDesktop::RegisterWindowMessage(std::string_view name) {
  auto [at, added] = registered_.try_emplace(std::string(name), 0xC000u + static_cast<std::uint32_t>(registered_.size()));
  return at->second;
}

bool FakeDesktop::RegisterShellHookWindow(Hwnd wnd) { return Live(wnd) && shellHookWindows.insert(wnd.value).second; }

bool FakeDesktop::DeregisterShellHookWindow(Hwnd wnd) { return shellHookWindows.erase(wnd.value) != 0; }

void FakeDesktop::Activate(Hwnd wnd) {
  if (!Live(wnd)) return;
  foreground_ = wnd;
  ToTop(wnd);
  lastInputOurs = Live(wnd)->pid == currentProcessId;  // the user's click went there
}

std::optional<std::intptr_t> FakeDesktop::Deliver(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam,
                                                  std::intptr_t lParam) {
  FakeWindow* w = Live(wnd);
  if (!w || !w->handler) return std::nullopt;
  // A copy: the handler may destroy its own window, and with it the stored one.
  WindowHandler handler = w->handler;
  return handler(msg, wParam, lParam);
}

std::optional<std::intptr_t> FakeDesktop::DeliverCopyData(Hwnd wnd, std::uintptr_t code, std::uintptr_t dwData) {
  CopyDataStruct cds{dwData, 0, nullptr};
  return Deliver(wnd, win::WM_COPYDATA, code, reinterpret_cast<std::intptr_t>(&cds));
}

std::vector<MenuItem> FakeDesktop::MenuItems(Hwnd wnd) const {
  const FakeWindow* w = Find(wnd);
  return w ? MenuItems(w->menu) : std::vector<MenuItem>{};
}

std::vector<MenuItem> FakeDesktop::MenuItems(Hmenu menu) const {
  auto it = menus_.find(menu.value);
  if (it == menus_.end() || !it->second.alive) return {};
  return it->second.items;
}

std::vector<Hwnd> FakeDesktop::TopLevelWindows() const { return zorder_; }

// ---------------------------------------------------------------- helpers

FakeWindow* FakeDesktop::Live(Hwnd wnd) {
  auto it = windows_.find(wnd.value);
  return it != windows_.end() && it->second.alive ? &it->second : nullptr;
}

const FakeWindow* FakeDesktop::Find(Hwnd wnd) const {
  auto it = windows_.find(wnd.value);
  return it != windows_.end() ? &it->second : nullptr;
}

FakeDesktop::Menu* FakeDesktop::LiveMenu(Hmenu menu) {
  auto it = menus_.find(menu.value);
  return it != menus_.end() && it->second.alive ? &it->second : nullptr;
}

std::vector<MenuItem>::iterator FakeDesktop::FindItem(Menu& menu, std::uint32_t item, std::uint32_t flags) {
  if (flags & MF_BYPOSITION)
    return item < menu.items.size() ? menu.items.begin() + item : menu.items.end();
  return std::find_if(menu.items.begin(), menu.items.end(), [&](const MenuItem& i) { return i.id == item; });
}

void FakeDesktop::ActivatedByOwnProgram(FakeWindow& w) {
  // Restoring itself, a program activates its window when it may take the foreground;
  // a disabled one passes it to its modal dialog.
  if (w.pid == currentProcessId || (foregroundLocked && !allowedProcesses.contains(w.pid))) return;
  foreground_ = w.enabled ? w.hwnd : GetLastActivePopup(w.hwnd);
  ToTop(w.hwnd);
  if (foreground_ != w.hwnd) ToTop(foreground_);
}

bool FakeDesktop::HasButton(Hwnd wnd) const {
  const FakeWindow* w = Find(wnd);
  return w && w->alive && w->visible && !w->tabDeleted;
}

void FakeDesktop::ToTop(Hwnd wnd) {
  auto it = std::find(zorder_.begin(), zorder_.end(), wnd);
  if (it == zorder_.end()) return;
  zorder_.erase(it);
  zorder_.insert(zorder_.begin(), wnd);
}

bool FakeDesktop::ApplyMessage(FakeWindow& w, std::uint32_t msg, std::uintptr_t wParam) {
  if (w.hung) return false;
  // DefWindowProc ignores system commands to a disabled window (one with a modal dialog up).
  if (msg == win::WM_SYSCOMMAND && !w.enabled) return false;
  const bool wasIconic = w.iconic;
  const bool close = msg == win::WM_CLOSE || (msg == win::WM_SYSCOMMAND && SysCommand(wParam) == win::SC_CLOSE);
  if (close && w.closesOnClose) {
    Destroy(w.hwnd);
    return true;
  }
  if (msg == win::WM_SYSCOMMAND && SysCommand(wParam) == win::SC_RESTORE) {
    w.iconic = false;
    w.visible = true;
    ActivatedByOwnProgram(w);
  } else if (msg == win::WM_SYSCOMMAND && SysCommand(wParam) == win::SC_MINIMIZE) {
    w.iconic = true;
    w.visible = true;
  }
  // DefWindowProc hides and shows the owned windows of the active window it minimizes or restores.
  if (w.hwnd == foreground_ && msg == win::WM_SYSCOMMAND) OwnedFollow(w, wasIconic);
  return false;
}

void FakeDesktop::OwnedFollow(FakeWindow& owner, bool wasIconic) {
  if (owner.iconic == wasIconic) return;
  for (auto& [value, other] : windows_) {
    if (!other.alive || other.owner != owner.hwnd) continue;
    if (owner.iconic && other.visible) {
      other.visible = false;
      other.hiddenWithOwner = true;
    } else if (!owner.iconic && other.hiddenWithOwner) {
      other.visible = true;
      other.hiddenWithOwner = false;
    }
  }
}

void FakeDesktop::NoteSend(FakeWindow& w) {
  ++w.sendCount;
  if (onSend && !inOnSend_) {
    inOnSend_ = true;
    try {
      onSend(w.hwnd);
    } catch (...) {
      inOnSend_ = false;
      throw;
    }
    inOnSend_ = false;
  }
}

// ---------------------------------------------------------------- lookup and state

Hwnd FakeDesktop::FindWindow(std::string_view className, std::string_view title) {
  for (Hwnd h : zorder_) {
    const FakeWindow& w = windows_.at(h.value);
    if (w.className == className && w.title == title) return h;
  }
  return Hwnd{};
}

void FakeDesktop::EnumWindows(const std::function<bool(Hwnd)>& visit) {
  const std::vector<Hwnd> snapshot = zorder_;  // the visitor may create or destroy windows
  for (Hwnd h : snapshot) {
    if (!Live(h)) continue;
    if (!visit(h)) return;
  }
}

std::string FakeDesktop::GetClassName(Hwnd wnd, int maxCount) {
  FakeWindow* w = Live(wnd);
  if (!w || maxCount <= 1) return "";
  return w->className.substr(0, static_cast<std::size_t>(maxCount - 1));
}

std::string FakeDesktop::GetWindowText(Hwnd wnd) {
  FakeWindow* w = Live(wnd);
  if (!w) return "";
  NoteSend(*w);
  w = Live(wnd);  // the nested request may have destroyed it
  if (!w) return "";
  // The title is read from the system's copy: a hung window answers too.
  return w->title.substr(0, 255);
}

bool FakeDesktop::IsWindow(Hwnd wnd) { return Live(wnd) != nullptr; }

bool FakeDesktop::IsIconic(Hwnd wnd) {
  FakeWindow* w = Live(wnd);
  return w && w->iconic;
}

bool FakeDesktop::IsWindowVisible(Hwnd wnd) {
  FakeWindow* w = Live(wnd);
  return w && w->visible;
}

bool FakeDesktop::IsWindowEnabled(Hwnd wnd) {
  FakeWindow* w = Live(wnd);
  return w && w->enabled;
}

Hwnd FakeDesktop::GetWindow(Hwnd wnd, std::uint32_t cmd) {
  FakeWindow* w = Live(wnd);
  if (!w || cmd != win::GW_OWNER) return Hwnd{};
  return Live(w->owner) ? w->owner : Hwnd{};
}

Hwnd FakeDesktop::GetParent(Hwnd wnd) {
  FakeWindow* w = Live(wnd);
  if (!w) return Hwnd{};
  Hwnd result = w->parent ? w->parent : ((w->style & WS_POPUP) ? w->owner : Hwnd{});
  return Live(result) ? result : Hwnd{};
}

Hwnd FakeDesktop::GetLastActivePopup(Hwnd wnd) {
  if (!Live(wnd)) return Hwnd{};
  Hwnd last = wnd;
  for (const auto& [value, other] : windows_)
    if (other.alive && other.owner == wnd && other.visible && other.enabled) last = other.hwnd;
  return last;
}

std::uint32_t FakeDesktop::GetWindowProcessId(Hwnd wnd) {
  FakeWindow* w = Live(wnd);
  return w ? w->pid : 0;
}

std::uint32_t FakeDesktop::GetWindowThreadId(Hwnd wnd) {
  FakeWindow* w = Live(wnd);
  return w ? w->tid : 0;
}

std::uint32_t FakeDesktop::GetCurrentProcessId() { return currentProcessId; }

std::string FakeDesktop::GetWindowProgramName(Hwnd wnd) {
  FakeWindow* w = Live(wnd);
  return w ? w->program : std::string();
}

std::string FakeDesktop::GetWindowAppId(Hwnd wnd) {
  FakeWindow* w = Live(wnd);
  return w ? w->appId : std::string();
}

Hwnd FakeDesktop::FindChildWindow(Hwnd parent, std::string_view className) {
  for (const auto& [value, w] : windows_)
    if (w.alive && w.parent == parent && parent && w.className == className) return w.hwnd;
  return Hwnd{};
}

// ---------------------------------------------------------------- commands and messages

bool FakeDesktop::ShowWindow(Hwnd wnd, int cmd) {
  FakeWindow* w = Live(wnd);
  if (!w || w->pid == currentProcessId) return ShowWindowAsync(wnd, cmd);
  // Sent to the window's thread, and waited for.
  if (ThreadHung(w->tid)) ++blockingCalls;
  RunQueued(w->tid, true);
  const bool wasVisible = ShowWindowAsync(wnd, cmd);
  RunQueued(w->tid, true);
  return wasVisible;
}

bool FakeDesktop::SendNotifyMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  sent.push_back({wnd, msg, wParam, lParam});
  LogCall(log_, "SendNotifyMessage " + Hex(wnd.value) + " " + Hex(msg) + " " + Hex(wParam));
  FakeWindow* w = Live(wnd);
  if (!w) return false;
  if (!Queue(*w, {.kind = QueuedCall::Kind::Sent, .wnd = wnd, .msg = msg, .wParam = wParam}))
    ApplyMessage(*w, msg, wParam);
  return true;
}

bool FakeDesktop::Queue(FakeWindow& w, QueuedCall call) {
  if (w.pid == currentProcessId) return false;
  queued_.push_back(call);
  return true;
}

void FakeDesktop::RunQueued(std::uint32_t tid, bool sentOnly) {
  if (ThreadHung(tid)) return;
  // Sent messages first, each kind in the order it came, as GetMessage takes them.
  for (const bool postedOnes : {false, true}) {
    if (postedOnes && sentOnly) return;
    std::vector<QueuedCall> mine, rest;
    for (const QueuedCall& call : queued_) {
      const FakeWindow* w = Find(call.wnd);
      if (!w || !w->alive) continue;
      ((w->tid == tid && (call.kind == QueuedCall::Kind::Posted) == postedOnes) ? mine : rest).push_back(call);
    }
    queued_.swap(rest);
    for (const QueuedCall& call : mine) Run(call);
  }
}

void FakeDesktop::Run(const QueuedCall& call) {
  FakeWindow* w = Live(call.wnd);
  if (!w) return;
  switch (call.kind) {
    case QueuedCall::Kind::Show: ApplyShow(*w, call.cmd); break;
    case QueuedCall::Kind::Sent:
    case QueuedCall::Kind::Posted: ApplyMessage(*w, call.msg, call.wParam); break;
    case QueuedCall::Kind::Answer:
      PostMessage(call.notify, AnsweredMessage, call.wnd.value, static_cast<std::intptr_t>(call.token));
      break;
  }
}

void FakeDesktop::Pump(Hwnd wnd) { RunQueued(Window(wnd).tid, false); }

void FakeDesktop::PumpAll() {
  std::set<std::uint32_t> threads;
  for (const QueuedCall& call : queued_)
    if (const FakeWindow* w = Find(call.wnd)) threads.insert(w->tid);
  for (std::uint32_t tid : threads) RunQueued(tid, false);
}

bool FakeDesktop::Waits(Hwnd wnd) const {
  const FakeWindow* target = Find(wnd);
  return target && std::any_of(queued_.begin(), queued_.end(), [&](const QueuedCall& call) {
           const FakeWindow* w = Find(call.wnd);
           return w && w->alive && w->tid == target->tid;
         });
}

void FakeDesktop::SetHung(Hwnd wnd, bool hung) {
  Window(wnd).hung = hung;
  // Answering again, the thread runs what waited for it, in the order it came.
  if (!hung) RunQueued(Window(wnd).tid, false);
}

bool FakeDesktop::AnyHung() const {
  return std::any_of(windows_.begin(), windows_.end(), [](const auto& e) { return e.second.alive && e.second.hung; });
}

bool FakeDesktop::SetProp(Hwnd wnd, std::string_view name, std::uintptr_t value) {
  FakeWindow* w = Live(wnd);
  if (!w) return false;
  w->props[std::string(name)] = value;
  return true;
}

std::uintptr_t FakeDesktop::GetProp(Hwnd wnd, std::string_view name) {
  FakeWindow* w = Live(wnd);
  if (!w) return 0;
  auto it = w->props.find(name);
  return it == w->props.end() ? 0 : it->second;
}

std::uintptr_t FakeDesktop::RemoveProp(Hwnd wnd, std::string_view name) {
  FakeWindow* w = Live(wnd);
  if (!w) return 0;
  auto it = w->props.find(name);
  if (it == w->props.end()) return 0;
  const std::uintptr_t value = it->second;
  w->props.erase(it);
  return value;
}

bool FakeDesktop::ShowWindowAsync(Hwnd wnd, int cmd) {
  shows.emplace_back(wnd, cmd);
  LogCall(log_, "ShowWindow " + Hex(wnd.value) + " " + std::to_string(cmd));
  FakeWindow* w = Live(wnd);
  if (!w) return false;
  const bool wasVisible = w->visible;
  // Another program shows, hides, restores or minimizes its window when it next takes its messages.
  if (!Queue(*w, {.kind = QueuedCall::Kind::Show, .wnd = wnd, .cmd = cmd})) ApplyShow(*w, cmd);
  return wasVisible;
}

void FakeDesktop::ApplyShow(FakeWindow& window, int cmd) {
  FakeWindow* w = &window;
  switch (cmd) {
    case win::SW_HIDE:
      w->visible = false;
      break;
    case win::SW_MINIMIZE:
    case win::SW_SHOWMINIMIZED:
    case win::SW_SHOWMINNOACTIVE:
    case 11:  // SW_FORCEMINIMIZE
      w->iconic = true;
      w->visible = true;
      break;
    case win::SW_RESTORE:
    case win::SW_SHOWNOACTIVATE:
    case win::SW_SHOWNORMAL:
    case win::SW_SHOWMAXIMIZED:
    case 10:  // SW_SHOWDEFAULT
      w->iconic = false;
      w->visible = true;
      break;
    default:  // SW_SHOW, SW_SHOWNA
      w->visible = true;
      break;
  }
  // SW_SHOW and SW_SHOWMINIMIZED activate: a foreign window still minimized keeps no focus but its frame's.
  if ((cmd == win::SW_SHOW || cmd == win::SW_SHOWMINIMIZED) && w->iconic && w->pid != currentProcessId) ++focusLost;
  // Hidden and shown again, a window gets a new taskbar button.
  if (!w->visible) w->tabDeleted = false;
  if ((cmd == win::SW_RESTORE || cmd == win::SW_SHOW) && !w->iconic) ActivatedByOwnProgram(*w);
}

bool FakeDesktop::PostMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  SentMessage m{wnd, msg, wParam, lParam};
  posted.push_back(m);
  LogCall(log_, "PostMessage " + Hex(wnd.value) + " " + Hex(msg) + " " + Hex(wParam));
  FakeWindow* w = Live(wnd);
  if (!w) return false;
  if (w->handler)
    ownPosted_.push_back(m);
  else if (!Queue(*w, {.kind = QueuedCall::Kind::Posted, .wnd = wnd, .msg = msg, .wParam = wParam}))
    ApplyMessage(*w, msg, wParam);
  if (onPost) onPost(m);
  return true;
}

std::intptr_t FakeDesktop::SendMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  sent.push_back({wnd, msg, wParam, lParam});
  LogCall(log_, "SendMessage " + Hex(wnd.value) + " " + Hex(msg) + " " + Hex(wParam));
  // A broadcast waits for every top-level window, a hung one too.
  if (wnd.value == BroadcastWindow && std::any_of(zorder_.begin(), zorder_.end(), [this](Hwnd h) { return IsHungAppWindow(h); }))
    ++blockingCalls;
  FakeWindow* w = Live(wnd);
  if (!w) return 0;
  NoteSend(*w);
  w = Live(wnd);
  if (!w) return 0;
  if (w->hung) {
    ++hungSends;
    return 0;
  }
  // The receiver takes what was sent to it before, then this.
  if (w->pid != currentProcessId) {
    RunQueued(w->tid, true);
    w = Live(wnd);
    if (!w) return 0;
  }
  if (w->handler) {
    WindowHandler handler = w->handler;
    if (auto result = handler(msg, wParam, lParam)) return *result;
    w = Live(wnd);
    if (!w) return 0;
  }
  if (ApplyMessage(*w, msg, wParam)) return 0;
  switch (msg) {
    case win::WM_QUERYDRAGICON:
      return static_cast<std::intptr_t>(w->dragIcon.value);
    case win::WM_GETICON:
      return static_cast<std::intptr_t>(w->getIcon.value);
    default:
      return 0;
  }
}

bool FakeDesktop::SendCopyData(Hwnd wnd, std::uintptr_t code, std::uintptr_t dwData) {
  copyDataSent.push_back({wnd, code, dwData});
  LogCall(log_, "SendCopyData " + Hex(wnd.value) + " " + std::to_string(code) + " " + Hex(dwData));
  FakeWindow* w = Live(wnd);
  if (!w) return false;
  NoteSend(*w);
  w = Live(wnd);
  if (!w) return false;
  if (w->hung) {
    ++hungSends;
    return false;
  }
  if (w->handler) DeliverCopyData(wnd, code, dwData);
  return true;
}

bool FakeDesktop::NotifyWhenAnswered(Hwnd wnd, Hwnd notify, std::uint32_t token) {
  FakeWindow* w = Live(wnd);
  if (!w) return false;
  const QueuedCall call{.kind = QueuedCall::Kind::Answer, .wnd = wnd, .notify = notify, .token = token};
  if (!Queue(*w, call)) Run(call);
  return true;
}

std::uintptr_t FakeDesktop::GetClassWord(Hwnd, int) {
  // A 16-bit read of a 64-bit handle fails, as GetClassWord(-34) does on 64-bit Windows.
  return 0;
}

std::uintptr_t FakeDesktop::GetClassLong(Hwnd wnd, int index) {
  FakeWindow* w = Live(wnd);
  if (!w || index != win::GCL_HICONSM) return 0;
  return static_cast<std::uintptr_t>(w->classSmallIcon.value);
}

// ---------------------------------------------------------------- foreground

Hwnd FakeDesktop::GetForegroundWindow() { return Live(foreground_) ? foreground_ : Hwnd{}; }

bool FakeDesktop::SetForegroundWindow(Hwnd wnd) {
  foregroundCalls.push_back(wnd);
  LogCall(log_, "SetForegroundWindow " + Hex(wnd.value));
  if (!Live(wnd)) return false;
  const Hwnd fg = GetForegroundWindow();
  // Activated while still minimized, a window keeps no focus but its frame's.
  if (FakeWindow* w = Live(wnd); w->iconic && w->pid != currentProcessId) ++focusLost;
  bool allowed = !foregroundLocked || fg == wnd || (fg && GetWindowProcessId(fg) == currentProcessId);
  if (!allowed) {
    const std::uint32_t fgThread = GetWindowThreadId(fg);
    allowed = fgThread != 0 && std::any_of(attached_.begin(), attached_.end(),
                                           [&](const auto& a) { return a.second == fgThread; });
  }
  if (!allowed) return false;
  foreground_ = wnd;
  ToTop(wnd);
  return true;
}

bool FakeDesktop::BringWindowToTop(Hwnd wnd) {
  if (!Live(wnd)) return false;
  ToTop(wnd);
  return true;
}

bool FakeDesktop::AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach) {
  // Joined to a thread that does not answer, Velmora's own input waits for it.
  if (doAttach && (ThreadHung(attach) || ThreadHung(attachTo))) ++blockingCalls;
  bool ok = !failAttach && attach != 0 && attachTo != 0 && attach != attachTo;
  if (ok) {
    auto link = std::make_pair(attach, attachTo);
    if (doAttach) {
      attached_.push_back(link);
    } else {
      auto it = std::find(attached_.begin(), attached_.end(), link);
      ok = it != attached_.end();
      if (ok) attached_.erase(it);
    }
  }
  attachCalls.push_back({attach, attachTo, doAttach, ok});
  return ok;
}

bool FakeDesktop::AllowSetForegroundWindow(std::uint32_t processId) {
  if (processId == 0) return false;
  const Hwnd fg = GetForegroundWindow();
  if (foregroundLocked && !lastInputOurs && !(fg && GetWindowProcessId(fg) == currentProcessId)) return false;
  allowedProcesses.insert(processId);
  return true;
}

bool FakeDesktop::IsHungAppWindow(Hwnd wnd) {
  // A thread that does not answer does not answer for any of its windows.
  FakeWindow* w = Live(wnd);
  return w && ThreadHung(w->tid);
}

bool FakeDesktop::ThreadHung(std::uint32_t tid) const {
  return std::any_of(windows_.begin(), windows_.end(),
                     [tid](const auto& entry) { return entry.second.alive && entry.second.hung && entry.second.tid == tid; });
}

// ---------------------------------------------------------------- system menus

Hmenu FakeDesktop::GetSystemMenu(Hwnd wnd, bool revert) {
  FakeWindow* w = Live(wnd);
  if (!w) return Hmenu{};
  Menu* m = LiveMenu(w->menu);
  if (!m) return Hmenu{};
  if (revert) {
    m->items = m->initial;
    return Hmenu{};
  }
  return w->menu;
}

bool FakeDesktop::IsMenu(Hmenu menu) { return LiveMenu(menu) != nullptr; }

std::uint32_t FakeDesktop::GetMenuState(Hmenu menu, std::uint32_t id, std::uint32_t flags) {
  Menu* m = LiveMenu(menu);
  if (!m) return win::MENU_ITEM_MISSING;
  auto it = FindItem(*m, id, flags);
  return it == m->items.end() ? win::MENU_ITEM_MISSING : it->flags;
}

bool FakeDesktop::InsertMenu(Hmenu menu, std::uint32_t position, std::uint32_t flags, std::uintptr_t id,
                             std::string_view text) {
  LogCall(log_, "InsertMenu " + Hex(menu.value) + " " + Hex(id));
  Menu* m = LiveMenu(menu);
  if (!m) return false;
  auto it = FindItem(*m, position, flags);
  // By position past the end appends, as InsertMenu(-1) does; by command the item must exist.
  if (it == m->items.end() && !(flags & MF_BYPOSITION)) return false;
  MenuItem item{static_cast<std::uint32_t>(id), flags & ~MF_BYPOSITION, std::string(text)};
  if (item.flags & win::MF_SEPARATOR) item.text.clear();
  m->items.insert(it, std::move(item));
  return true;
}

std::uint32_t FakeDesktop::CheckMenuItem(Hmenu menu, std::uint32_t id, std::uint32_t check) {
  LogCall(log_, "CheckMenuItem " + Hex(menu.value) + " " + Hex(id) + " " + Hex(check & win::MF_CHECKED));
  Menu* m = LiveMenu(menu);
  if (!m) return win::MENU_ITEM_MISSING;
  auto it = FindItem(*m, id, check);
  if (it == m->items.end()) return win::MENU_ITEM_MISSING;
  const std::uint32_t previous = it->flags & win::MF_CHECKED;
  it->flags = (it->flags & ~win::MF_CHECKED) | (check & win::MF_CHECKED);
  return previous;
}

bool FakeDesktop::DeleteMenu(Hmenu menu, std::uint32_t id, std::uint32_t flags) {
  LogCall(log_, "DeleteMenu " + Hex(menu.value) + " " + Hex(id));
  Menu* m = LiveMenu(menu);
  if (!m) return false;
  auto it = FindItem(*m, id, flags);
  if (it == m->items.end()) return false;
  m->items.erase(it);
  return true;
}

// ---------------------------------------------------------------- utility windows

Hwnd FakeDesktop::CreateUtilityWindow(std::string_view className, WindowHandler handler) {
  LogCall(log_, "CreateUtilityWindow " + std::string(className));
  Hwnd h = AddWindow({.className = std::string(className),
                      .pid = currentProcessId,
                      .tid = currentThreadId,
                      .visible = false,
                      .hasSystemMenu = false});
  Window(h).handler = std::move(handler);
  return h;
}

void FakeDesktop::DestroyWindow(Hwnd wnd) {
  LogCall(log_, "DestroyWindow " + Hex(wnd.value));
  FakeWindow* w = Live(wnd);
  if (!w || w->pid != currentProcessId) return;
  Destroy(wnd);
}

}  // namespace velmora::fake
