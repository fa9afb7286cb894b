#include "main/TFOrvane.h"

#include "tray/MarkRules.h"

#include <cstring>

#include "foreign/HeldWindows.h"
#include "foreign/SystemMenuItems.h"
#include "foreign/WindowKinds.h"
#include "platform/WinConst.h"
#include "settings/HotkeyText.h"
#include "settings/OptionsStore.h"

namespace velmora {

using namespace win;

namespace {
// A window reported as minimizing that is not minimized yet is looked at again
// on later ticks, this long at most.
constexpr std::uint64_t MinimizeGraceMs = 2000;
constexpr const char* HotkeyNames[HotkeyCount + 1] = {"",           "VLMMinimize", "VLMActivate", "VLMRestoreFT",
                                                      "VLMCloseFT", "VLMCloseFTT", ""};
}  // namespace

TFOrvane::TFOrvane(Ports& ports, FormHost& host)
    : TimerHide(ports.timers, 100, [this] { TimerHideTimer(); }),
      TimerInitial(ports.timers, 500, [this] { TimerInitialTimer(); }),
      TimerOthers(ports.timers, 5000, [this] { TimerOthersTimer(); }),
      TimerExplorer(ports.timers, 1000, [this] { TimerExplorerTimer(); }),
      ports_(ports),
      desktop_(ports.desktop),
      host_(host),
      texts_(UserTexts(ports.kernel)),
      held_(ports.desktop, ports.shell),
      sections_(ports.kernel) {
  // Nothing runs before start-up has loaded the settings and made the hotkey
  // identifiers: a click on the splash waits for it.
  paths_.Hold();
  TimerInitial.SetEnabled(true);
}

TFOrvane::~TFOrvane() { Shutdown(); }

void TFOrvane::CloseMainMutex() { MainMutex.reset(); }

void TFOrvane::FormCreate() {
  // The main window exists from here on: programs' answers come to it.
  held_.SetAnswerTarget(host_.Handle());
  // Each start begins from clean sections: they outlive a Velmora that was
  // killed (every program the library was loaded into keeps them).
  sections_.Map(desktop_.GetWindowProcessId(host_.Handle()));
}

void TFOrvane::TimerInitialTimer() {
  TimerInitial.SetEnabled(false);
  if (closed_) return;
  host_.SetCaption(AppTitle);
  TrayList = std::make_unique<TListTrayIcon>(ports_, *this, &sections_);
  Menus = std::make_unique<TrayMenus>(ports_, *this, *TrayList);
  TrayList->SetListMenus(Menus.get());
  MakeHotkeyIds();
  paths_.Release();
  paths_.RunOrDefer([this] {
    TrayList->LoadClassFile();
    // Windows a Velmora that was killed left hidden come back into the list.
    AdoptMarkedWindows();
    if (sections_.Mapped()) {
      sections_.SetMainWindow(TrayIdOf(host_.Handle()));
      ports_.kernel.SetHook();
      // 32-bit programs are served by the helper; without it Velmora runs on for the others.
      helperStarted_ = ports_.kernel.StartHookHelper();
    }
    // Flashes of held windows come through the shell hook. The message is taken also where the
    // registration fails (Wine's is a stub): a flash of a window Velmora does not hold changes nothing.
    shellHookMessage_ = desktop_.RegisterWindowMessage("SHELLHOOK");
    desktop_.RegisterShellHookWindow(host_.Handle());
    RegisterHotkeys();
  });
  TimerOthers.SetEnabled(true);
}

bool TFOrvane::FormCloseQuery() {
  if (closed_) return true;
  // A close is never refused. A path that waits in a menu or a dialog still
  // uses the list: its modal loop is ended, and the shutdown follows once it
  // has returned (the caller asks again).
  closeRequested_ = true;
  paths_.SetClosing();
  if (AboutForm) AboutForm->DropEdits();
  if (paths_.InPath()) {
    host_.EndModalLoops();
    return false;
  }
  Shutdown();
  return true;
}

void TFOrvane::Shutdown() {
  if (closed_) return;
  closed_ = true;
  paths_.Close();  // for good: nothing is acted on from here on
  TimerInitial.SetEnabled(false);
  TimerHide.SetEnabled(false);
  TimerOthers.SetEnabled(false);
  TimerExplorer.SetEnabled(false);
  pendingHides_.clear();
  Unhook();
  if (shellHookMessage_ != 0) desktop_.DeregisterShellHookWindow(host_.Handle());  // harmless when it was refused
  shellHookMessage_ = 0;
  StripTrayMenuItems(desktop_);
  UnregisterHotkeys();
  if (TrayList) TrayList->SetListMenus(nullptr);
  Menus.reset();
  TrayList.reset();
  held_.AtExit(TopLevelWindows(desktop_));
  // Left empty for the libraries that still map them: no rule acts without Velmora.
  sections_.Unmap();
}

bool TFOrvane::SaveOptions(const TOptionsRecord& options) {
  if (closed_) return false;
  // Stored at once; the icons are rebuilt once no other path is at work. Before
  // the list exists (the splash), the list will load what is stored.
  return velmora::SaveOptions(options, ports_.registry, nullptr, [this](const TOptionsRecord& o) {
    sections_.PushOptions(o);
    if (!TrayList) startOptions_ = o;
    paths_.RunOrDefer([this, o] {
      if (TrayList) TrayList->ApplySettings(o);
    });
  });
}

bool TFOrvane::QueryEndSession() {
  if (!TrayList || closed_) return true;
  if (!paths_.TryRun([this] {
        pendingHides_.clear();
        TimerHide.SetEnabled(false);
        TrayList->RestoreAll();
      })) {
    // Another path is at work: the windows are shown now, the list follows once it ends.
    ShowListedWindowsNow();
    paths_.RunOrDefer([this] {
      if (TrayList) TrayList->RestoreAll();
    });
  }
  return true;
}

void TFOrvane::Unhook() {
  if (!sections_.Mapped()) return;
  sections_.SetMainWindow(0);
  ports_.kernel.UnSetHook();
  ports_.kernel.StopHookHelper();
}

void TFOrvane::ShowListedWindowsNow() {
  pendingHides_.clear();
  TimerHide.SetEnabled(false);
  if (TrayList) TrayList->ShowListedWindows();
}

void TFOrvane::EndSession(bool ending, bool closeApp) {
  if (!ending) return;
  if (!FormCloseQuery()) {
    // The session ends while another event path is at work and the process ends
    // right after: unhook and bring every window back, freeing nothing it uses.
    Unhook();
    StripTrayMenuItems(desktop_);
    ShowListedWindowsNow();
    paths_.Close();
  }
  // Closed by the Restart Manager, the process must end of itself: the session goes on and
  // nobody else ends it, and an installer would otherwise ask for a restart.
  if (closeApp) host_.Close();
}

bool TFOrvane::IsOwnWindow(Hwnd wnd) {
  return wnd && desktop_.GetWindowProcessId(wnd) == desktop_.GetCurrentProcessId();
}

bool TFOrvane::MayHide(Hwnd wnd) {
  // Never the taskbar, the desktop or a window of our own.
  if (!wnd || !desktop_.IsWindow(wnd) || IsOwnWindow(wnd)) return false;
  return !IsShellClass(desktop_.GetClassName(wnd));
}

void TFOrvane::InsertIcon(bool startHideTimer) {
  if (!TrayList || !MayHide(CurrentWindow) || TrayList->FindEntry(CurrentWindow)) return;
  const Hwnd wnd = CurrentWindow;
  // A dialog goes and comes back with its owner.
  if (TravelsWithOwner(desktop_, wnd)) return;
  auto entry = std::make_unique<TTrayIcon>();
  entry->Window = wnd;
  entry->uID = TrayIdOf(wnd);
  // A store app's frame stands for the app it hosts, with the app's icon.
  entry->AppIcon = OwnedIcon(ports_.painter, StoreAppIcon(desktop_, ports_.painter, wnd));
  entry->hIcon = entry->AppIcon ? entry->AppIcon.get() : WindowIcon(desktop_, ports_.painter, wnd);
  // The icon query is a send: the window may have been listed or gone meanwhile.
  if (TrayList->FindEntry(wnd) || !desktop_.IsWindow(wnd)) return;
  TrayList->AddEntry(std::move(entry));
  if (!startHideTimer) return;
  // Each window waits for its own hide; one that is slow holds up no other.
  pendingHides_.push_back({wnd, ports_.timers.TickCount()});
  TimerHide.SetEnabled(true);
}

TFOrvane::HideResult TFOrvane::HideListed(Hwnd wnd, bool justMinimized) {
  std::size_t index = 0;
  TTrayIcon* entry = TrayList ? TrayList->FindEntry(wnd, &index) : nullptr;
  if (!entry) return HideResult::Done;  // restored meanwhile: a window the list does not hold is never hidden
  if (!entry->IconFailed && !desktop_.IsIconic(wnd) && justMinimized) return HideResult::NotYet;
  if (entry->IconFailed || !desktop_.IsIconic(wnd)) {
    // No icon to come back by, or the window did not stay minimized: leave it on the taskbar.
    TrayList->RemoveEntry(entry, index);
    return HideResult::Done;
  }
  held_.Hide(wnd, IsBrowserFrame(desktop_, wnd));
  return HideResult::Done;
}

void TFOrvane::InsertIconAndHide(Hwnd wnd) {
  CurrentWindow = wnd;
  InsertIcon(false);
  HideListed(wnd, false);
}

void TFOrvane::SendToTray(Hwnd wnd) {
  if (desktop_.IsIconic(wnd)) return InsertIconAndHide(wnd);
  // Listed first, then minimized without taking the foreground: hidden once it
  // is, as a window the user minimized; one that will not minimize stays shown.
  CurrentWindow = wnd;
  InsertIcon(true);
  if (TrayList && TrayList->FindEntry(wnd)) desktop_.ShowWindowAsync(wnd, SW_SHOWMINNOACTIVE);
}

void TFOrvane::TimerHideTimer() {
  // Busy: the windows wait for the next tick.
  paths_.TryRun([this] { HidePending(); });
}

void TFOrvane::HidePending() {
  const std::uint64_t now = ports_.timers.TickCount();
  std::vector<PendingHide> due;
  due.swap(pendingHides_);
  for (const PendingHide& p : due) {
    const bool young = now - p.since < MinimizeGraceMs;
    if (HideListed(p.wnd, young) == HideResult::NotYet) pendingHides_.push_back(p);
  }
  if (pendingHides_.empty()) TimerHide.SetEnabled(false);
}

void TFOrvane::TimerOthersTimer() {
  if (!TrayList) return;
  const bool ran = paths_.TryRun([this] { Sweep(); });
  TimerOthers.SetEnabled(false);
  TimerOthers.SetInterval(ran && !RequestMissed ? 5000 : 1000);
  TimerOthers.SetEnabled(true);
}

void TFOrvane::KeepHookHelper() {
  if (!helperStarted_ || ports_.kernel.HookHelperRunning()) return;
  // Ended from outside, or crashed: started again, but not without end.
  const std::uint64_t now = ports_.timers.TickCount();
  std::erase_if(helperStarts_, [now](std::uint64_t at) { return now - at >= 60000; });
  if (helperStarts_.size() >= 3) {
    helperStarted_ = false;
    return;
  }
  helperStarts_.push_back(now);
  helperStarted_ = ports_.kernel.StartHookHelper();
}

void TFOrvane::Sweep() {
  KeepHookHelper();
  held_.DropGone();
  for (Hwnd wnd : TopLevelWindows(desktop_)) LookAt(wnd);
  if (TrayList) TrayList->CheckWindows();
}

void TFOrvane::LookAt(Hwnd wnd) {
  if (!TrayList || TrayList->FindEntry(wnd)) return;
  // A window hidden and then lost from the list (any slip) is taken back.
  if (AdoptIfStillHidden(wnd) != HeldWindows::Found::NotHeld || !desktop_.IsIconic(wnd)) return;
  CurrentWindow = wnd;
  if (TrayList && TakenWhenMinimized(wnd)) InsertIconAndHide(wnd);
}

bool TFOrvane::TakenWhenMinimized(Hwnd wnd) {
  const TOptionsRecord& o = TrayList->Options;
  if (IsConsoleWindow(desktop_, wnd)) return o.HandleConsole == 1;
  return IsMarkedNow(wnd) || (IsExcelWindow(desktop_, wnd) && o.HandleExcel) ||
         (IsWordWindow(desktop_, wnd) && o.HandleWord);
}

void TFOrvane::ProgramAnswered(Hwnd wnd, std::uint32_t token) {
  // Looked at again as soon as its program has caught up, not at the next sweep.
  const HeldWindows::Answer answer = held_.Answered(wnd, token);
  if (answer == HeldWindows::Answer::WantsFront && TrayList) TrayList->ForceForegroundWindow(wnd);
  if (answer != HeldWindows::Answer::Stale) LookAt(wnd);
}

void TFOrvane::AdoptMarkedWindows() {
  for (Hwnd wnd : TopLevelWindows(desktop_))
    if (!TrayList->FindEntry(wnd)) AdoptIfStillHidden(wnd);
}

HeldWindows::Found TFOrvane::AdoptIfStillHidden(Hwnd wnd) {
  if (!MayHide(wnd)) {
    held_.LetGo(wnd);
    return HeldWindows::Found::NotHeld;
  }
  const HeldWindows::Found found = held_.Look(wnd);
  if (found != HeldWindows::Found::Hidden) return found;
  // Off the taskbar with nothing queued for it: listed again, with its icon.
  CurrentWindow = wnd;
  InsertIcon(false);
  if (!TrayList) return found;
  // No icon, no hiding: a window the shell gave no icon goes back on the taskbar.
  if (const TTrayIcon* entry = TrayList->FindEntry(wnd); entry && entry->IconFailed) TrayList->BringBackUnreachable();
  if (TrayList && !TrayList->FindEntry(wnd)) held_.LetGo(wnd);
  return found;
}

void TFOrvane::TimerExplorerTimer() {
  if (!TrayList) return;
  // Another event path is at work: the timer stays on and comes back in a second.
  paths_.TryRun([this] {
    TimerExplorer.SetEnabled(false);
    // A new taskbar, or a new DPI, may show icons at another size: every icon is made again at it.
    TrayList->LoadIcons();
    TrayList->RedrawMarks();
    TrayList->ApplySettings(TrayList->Options);
  });
}

bool TFOrvane::WindowMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (msg == AnsweredMessage) {
    if (!TrayList || closeRequested_) return true;
    const Hwnd wnd = HwndOfTrayId(static_cast<std::uint32_t>(wParam));
    const auto token = static_cast<std::uint32_t>(lParam);
    // Refused (a flood), the window is asked again when it is next looked at.
    if (!paths_.RunOrMerge((static_cast<std::uint64_t>(AnsweredMessage) << 32) | TrayIdOf(wnd),
                           [this, wnd, token] { ProgramAnswered(wnd, token); }))
      held_.Answered(wnd, token);
    return true;
  }
  if (msg == WindowChangedMessage) {
    if (TrayList && !closeRequested_) TrayList->WindowChanged(HwndOfTrayId(static_cast<std::uint32_t>(wParam)));
    return true;
  }
  if (msg != shellHookMessage_ || shellHookMessage_ == 0) return false;
  if (wParam != HSHELL_FLASH || !TrayList || closeRequested_) return true;
  // lParam is the window; handles use their low 32 bits.
  const Hwnd wnd = HwndOfTrayId(static_cast<std::uint32_t>(lParam));
  paths_.RunOrMerge((static_cast<std::uint64_t>(HSHELL_FLASH) << 32) | TrayIdOf(wnd), [this, wnd] {
    if (TrayList) TrayList->Flash(wnd);
  });
  return true;
}

void TFOrvane::TaskbarCreated() {
  if (!closed_) TimerExplorer.SetEnabled(true);
}

void TFOrvane::UserCloseWindow(Hwnd wnd, bool confirm) {
  if (!desktop_.IsWindow(wnd)) return;
  if (confirm) {
    const std::string title = desktop_.GetWindowText(wnd);
    const std::string text = texts_(TextId::AskCloseWindow, title);
    // The question may stay open for long: other paths go on meanwhile.
    // "Yes" closes a program: "No" is the default button.
    const int answer = AskUser(paths_, ports_.dialogs, text, AppTitle,
                               MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL | MB_DEFBUTTON2);
    if (answer != IDYES || !desktop_.IsWindow(wnd)) return;
  }
  desktop_.PostMessage(wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void TFOrvane::MakeHotkeyIds() {
  for (std::size_t i = 1; i <= HotkeyCount; ++i) HotkeyIds[i].Name = HotkeyNames[i];
  for (std::size_t i = 1; i <= HotkeyCount; ++i)
    HotkeyIds[i].Id = HotkeyIds[i].Name.empty() ? 0 : ports_.hotkeys.GlobalAddAtom(HotkeyIds[i].Name);
}

void TFOrvane::RegisterHotkeys() {
  if (!TrayList) return;
  bool cleared = false;
  for (std::size_t i = 1; i <= HotkeyCount; ++i) {
    THotkeyRecord& hotkey = TrayList->Options.Hotkey(static_cast<int>(i));
    if (hotkey.Enabled != 1) continue;
    // A held combination does not repeat; the stored modifiers stay without it.
    if (ports_.hotkeys.RegisterHotKey(host_.Handle(), HotkeyIds[i].Id, hotkey.Modifiers | MOD_NOREPEAT, hotkey.Key))
      continue;
    ShowHotkeyUnavailable(HotkeyText(hotkey.Modifiers, hotkey.Key));
    // Switched off and stored so, so that the warning does not come again at the next start.
    if (!TrayList) return;
    TrayList->Options.Hotkey(static_cast<int>(i)) = THotkeyRecord{};
    cleared = true;
  }
  if (cleared) SaveOptions(TrayList->Options);
}

void TFOrvane::UnregisterHotkeys() {
  for (std::size_t i = 1; i <= HotkeyCount; ++i) {
    ports_.hotkeys.UnregisterHotKey(host_.Handle(), HotkeyIds[i].Id);
    if (HotkeyIds[i].Id != 0) ports_.hotkeys.GlobalDeleteAtom(static_cast<std::uint16_t>(HotkeyIds[i].Id));
    HotkeyIds[i] = TMyHotkey{};
  }
}

void TFOrvane::ShowHotkeyUnavailable(const std::string& text) {
  AskUser(paths_, ports_.dialogs, texts_(TextId::HotkeyUnavailable, text), AppTitle,
          MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL);
}

void TFOrvane::WMHotKey(std::uintptr_t id) {
  if (closed_ || !TrayList) return;
  for (std::size_t i = 1; i <= HotkeyCount; ++i) {
    if (static_cast<std::uintptr_t>(static_cast<std::uint32_t>(HotkeyIds[i].Id)) != id) continue;
    if (TrayList->Options.Hotkey(static_cast<int>(i)).Enabled != 1) continue;
    RunHotkey(i);
    return;
  }
}

void TFOrvane::RunHotkey(std::size_t number) {
  switch (number) {
    case 1: MinimizeForeground(); break;
    case 2: Velmora1Click(); break;
    case 3:
      paths_.RunOrDefer([this] {
        if (TrayList) TrayList->RestoreAll();
      });
      break;
    case 4:
      paths_.RunOrDefer([this] {
        if (TrayList) TrayList->CloseAll();
      });
      break;
    case 5: paths_.RunOrDefer([this] { AskAndCloseMinimized(); }); break;
    case 6:
      paths_.RunOrDefer([this] {
        if (Menus) Menus->ShowListMenu("", MenuMode::Restore, true, true);
      });
      break;
    default: break;
  }
}

void TFOrvane::AskAndCloseMinimized() {
  // "Yes" closes programs: "No" is the default button.
  if (AskUser(paths_, ports_.dialogs, texts_[TextId::AskCloseMinimized], AppTitle,
              MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL | MB_DEFBUTTON2) == IDYES)
    CloseMinimizedWindows();
}

void TFOrvane::MinimizeForeground() {
  const Hwnd foreground = desktop_.GetForegroundWindow();
  // Never Velmora's own windows (the options dialog among them), the taskbar or the desktop.
  if (!foreground || IsOwnWindow(foreground) || !sections_.Mapped()) return;
  Hwnd wnd = OwningAppWindow(desktop_, foreground);
  // A program's dialog in front: the program goes, dialog and all.
  if (!wnd) wnd = OwnerItTravelsWith(desktop_, foreground);
  if (!MayHide(wnd) || desktop_.GetParent(wnd)) return;
  if (!desktop_.IsWindowEnabled(wnd)) {
    // A modal dialog is up: the window ignores system commands, but not a show.
    paths_.RunOrDefer([this, wnd] {
      if (TrayList && MayHide(wnd)) SendToTray(wnd);
    });
    return;
  }
  pendingWindow_ = wnd;
  // The library reports the minimizing (request 46) and, as the pending window, it goes to the tray.
  desktop_.PostMessage(wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void TFOrvane::Velmora1Click() {
  if (AboutForm) AboutForm->Velmora1Click();
}

bool TFOrvane::RegisterHotkey(int number, std::uint8_t modifiers, std::uint16_t key) {
  // Before start-up the identifiers do not exist yet: nothing registers under a wrong one.
  if (!TrayList || number < 1 || number > static_cast<int>(HotkeyCount)) return false;
  const auto& id = HotkeyIds[static_cast<std::size_t>(number)];
  return ports_.hotkeys.RegisterHotKey(host_.Handle(), id.Id, modifiers | MOD_NOREPEAT, key);
}

void TFOrvane::UnregisterHotkey(int number) {
  ports_.hotkeys.UnregisterHotKey(host_.Handle(), HotkeyIds[static_cast<std::size_t>(number)].Id);
}

}  // namespace velmora
