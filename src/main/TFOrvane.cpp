#include "main/TFOrvane.h"

#include <cstring>

#include "main/SystemMenuItems.h"
#include "main/WindowKinds.h"
#include "platform/WinConst.h"
#include "settings/OptionsStore.h"

namespace velmora {

using namespace win;

namespace {
constexpr char UninstallClass[] = "ZURUUninstall";

// Clears the guard when a request ends, also when a step fails.
class BusyScope {
 public:
  explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
  ~BusyScope() {
    if (!keep) busy_ = false;
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
  bool keep = false;

 private:
  bool& busy_;
};
}  // namespace

TFOrvane::TFOrvane(Ports& ports, FormHost& host)
    : TimerHide(ports.timers, 100, [this] { TimerHideTimer(); }),
      TimerInitial(ports.timers, 500, [this] { TimerInitialTimer(); }),
      TimerOthers(ports.timers, 5000, [this] { TimerOthersTimer(); }),
      TimerExplorer(ports.timers, 1000, [this] { TimerExplorerTimer(); }),
      ports_(ports),
      desktop_(ports.desktop),
      host_(host) {
  TimerInitial.SetEnabled(true);
}

TFOrvane::~TFOrvane() { Shutdown(); }

void TFOrvane::MapMemBlock() {
  MemBlock = static_cast<TMemBlock*>(ports_.kernel.MapSharedBlock(MemBlockName, sizeof(TMemBlock)));
}

void TFOrvane::UnmapMemBlock() {
  if (MemBlock == nullptr) return;
  ports_.kernel.UnmapSharedBlock(MemBlock);
  MemBlock = nullptr;
}

void TFOrvane::CloseMainMutex() {
  if (MainMutex == 0) return;
  ports_.kernel.CloseHandle(MainMutex);
  MainMutex = 0;
}

void TFOrvane::FormCreate() { MapMemBlock(); }

void TFOrvane::TimerInitialTimer() {
  TimerInitial.SetEnabled(false);
  if (closed_) return;
  host_.SetCaption(AppTitle);
  TrayList = std::make_unique<TListTrayIcon>(ports_, *this, MemBlock);
  Menus = std::make_unique<TrayMenus>(ports_, *this, *TrayList);
  TrayList->SetListMenus(Menus.get());
  PushHookOptions(TrayList->Options, MemBlock);
  TrayList->LoadClassFile();
  busy_ = true;
  if (MemBlock) {
    MemBlock->MainWindow = TrayIdOf(host_.Handle());
    ports_.kernel.SetHook();
  }
  busy_ = false;
  TimerOthers.SetEnabled(true);
}

bool TFOrvane::FormCloseQuery() {
  if (closed_) return true;
  if (busy_ && !closeRequested_) return false;
  Shutdown();
  return true;
}

void TFOrvane::Shutdown() {
  if (closed_) return;
  closed_ = true;
  busy_ = true;  // for good: nothing is acted on from here on
  TimerInitial.SetEnabled(false);
  TimerHide.SetEnabled(false);
  TimerOthers.SetEnabled(false);
  TimerExplorer.SetEnabled(false);
  if (MemBlock) {
    MemBlock->MainWindow = 0;
    ports_.kernel.UnSetHook();
  }
  StripTrayMenuItems(desktop_);
  if (TrayList) TrayList->SetListMenus(nullptr);
  Menus.reset();
  TrayList.reset();
  UnmapMemBlock();
}

bool TFOrvane::SaveOptions(const TOptionsRecord& options) {
  if (!TrayList || closed_) return false;
  const bool was = busy_;
  busy_ = true;  // the icons are rebuilt: nothing else may change the list meanwhile
  const bool saved = velmora::SaveOptions(options, ports_.registry, MemBlock,
                                          [this](const TOptionsRecord& o) { TrayList->ApplySettings(o); });
  busy_ = was;
  return saved;
}

bool TFOrvane::QueryEndSession() {
  if (TrayList && !closed_) {
    const bool was = busy_;
    busy_ = true;
    TimerHide.SetEnabled(false);
    TrayList->RestoreAll();
    busy_ = was;
  }
  return true;
}

void TFOrvane::EndSession(bool ending) {
  if (!ending || FormCloseQuery()) return;
  // The session ends while another event path is at work and the process ends
  // right after: unhook and bring every window back, freeing nothing it uses.
  busy_ = true;
  if (MemBlock) {
    MemBlock->MainWindow = 0;
    ports_.kernel.UnSetHook();
  }
  StripTrayMenuItems(desktop_);
  if (TrayList) TrayList->RestoreAll();
}

bool TFOrvane::IsOwnWindow(Hwnd wnd) {
  return wnd && desktop_.GetWindowProcessId(wnd) == desktop_.GetCurrentProcessId();
}

bool TFOrvane::MayHide(Hwnd wnd) {
  // Never the taskbar, the desktop or a window of our own.
  if (!wnd || !desktop_.IsWindow(wnd) || IsOwnWindow(wnd)) return false;
  return !IsShellClass(desktop_.GetClassName(wnd));
}

std::string TFOrvane::BlockClassKey() const {
  if (MemBlock == nullptr) return {};
  const std::uint8_t length = MemBlock->ClassKey[0];
  return std::string(reinterpret_cast<const char*>(MemBlock->ClassKey + 1), length);
}

std::string TFOrvane::ClassKeyOf(Hwnd wnd) {
  const std::string cls = desktop_.GetClassName(wnd);
  return IsGenericClass(cls) ? BlockClassKey() : cls;
}

void TFOrvane::WMCopyData(std::uintptr_t code, std::uintptr_t dwData) {
  RequestMissed = false;
  if (busy_ && code == RQ_MINIMIZING) {
    if (TimerHide.Enabled()) {
      TimerHide.SetEnabled(false);
      TimerHide.SetInterval(500);
      TimerHide.SetEnabled(true);
    } else {
      RequestMissed = true;
    }
  }
  if (busy_ || TimerHide.Enabled() || closed_) return;
  BusyScope scope(busy_);
  CurrentWindow = Hwnd{static_cast<std::uint64_t>(dwData)};
  if (IsOwnWindow(CurrentWindow) || !TrayList) return;
  switch (code) {
    case RQ_MINIMIZING: Request46(); break;
    case RQ_ADD_ITEM: {
      const Hmenu menu = desktop_.GetSystemMenu(CurrentWindow, false);
      if (desktop_.IsMenu(menu))
        AddTrayMenuItem(desktop_, TrayList->Options, menu, TrayList->HasClass(ClassKeyOf(CurrentWindow)) ? MF_CHECKED : 0);
      break;
    }
    case RQ_ITEM_CHOSEN: Request48(); break;
    case RQ_ACTIVATED: Request49(); break;
    case RQ_DESTROYED: Request50(); break;
    case RQ_APP_FORM:
      if (MemBlock) TrayList->AttachAppWindow(HwndOfTrayId(MemBlock->AppWindow), CurrentWindow);
      break;
    case RQ_APP_WINDOW: {
      const Hmenu menu = desktop_.GetSystemMenu(CurrentWindow, false);
      if (desktop_.IsMenu(menu)) {
        const std::string key = BlockClassKey();
        AddTrayMenuItem(desktop_, TrayList->Options, menu, TrayList->HasClass(key) ? MF_CHECKED : 0);
        TrayList->AddApp(CurrentWindow, key);
      }
      break;
    }
    case RQ_SHELL_RESTART: TimerExplorer.SetEnabled(true); break;
    case RQ_INSTANCE: Request56(scope.keep); break;
    case RQ_CLOSE_MINIMIZED: CloseMinimizedWindows(); break;
    default: break;
  }
}

void TFOrvane::Request46() {
  const Hwnd wnd = CurrentWindow;
  const TOptionsRecord& o = TrayList->Options;
  const bool pending = MemBlock && MemBlock->PendingWindow != 0 && MemBlock->PendingWindow == TrayIdOf(wnd);
  const bool qualifies = TrayItemChecked(desktop_, wnd) || (IsExcelWindow(desktop_, wnd) && o.HandleExcel) ||
                         (IsWordWindow(desktop_, wnd) && o.HandleWord) || pending;
  // A pending window is taken once; later minimizes of it follow the usual rules again.
  if (pending) MemBlock->PendingWindow = 0;
  if (qualifies && !TrayList->FindEntry(wnd)) InsertIcon(true);
}

void TFOrvane::Request48() {
  const Hwnd app = OwningAppWindow(desktop_, CurrentWindow);
  if (app) {
    CurrentWindow = app;
    ToggleTrayClass(app);
    SyncAppMenuItems(app);
  } else {
    ToggleTrayClass(Hwnd{});
  }
}

void TFOrvane::ToggleTrayClass(Hwnd app) {
  std::string key = desktop_.GetClassName(CurrentWindow);
  if (app) key = TrayList->GetAppClass(app);
  if (HasGenericClass(desktop_, CurrentWindow)) key = BlockClassKey();
  // No key to mark under: the item keeps its state rather than show a mark that is not kept.
  if (key.empty()) return;
  const Hmenu menu = desktop_.GetSystemMenu(CurrentWindow, false);
  if (!desktop_.IsMenu(menu)) return;
  const std::uint32_t state = desktop_.GetMenuState(menu, IDM_TRAY_ITEM, MF_BYCOMMAND);
  if (state == MENU_ITEM_MISSING) return;
  if (state & MF_CHECKED) {
    desktop_.CheckMenuItem(menu, IDM_TRAY_ITEM, MF_UNCHECKED);
    TrayList->RemoveClass(key);
  } else {
    desktop_.CheckMenuItem(menu, IDM_TRAY_ITEM, MF_CHECKED);
    TrayList->AddClass(key);
  }
}

void TFOrvane::SyncAppMenuItems(Hwnd appWnd) {
  if (!TrayList || !TrayList->HasApp(appWnd)) return;
  const Hwnd first = TrayList->GetAppWindow(appWnd, false);
  const Hwnd second = TrayList->GetAppWindow(appWnd, true);
  const Hmenu appMenu = desktop_.GetSystemMenu(appWnd, false);
  if (!desktop_.IsMenu(appMenu)) return;
  const std::uint32_t state = desktop_.GetMenuState(appMenu, IDM_TRAY_ITEM, MF_BYCOMMAND);
  if (state == MENU_ITEM_MISSING) return;
  const std::uint32_t check = state & MF_CHECKED;
  const TOptionsRecord& o = TrayList->Options;
  if (first) {
    const Hmenu menu = desktop_.GetSystemMenu(first, false);
    if (desktop_.IsMenu(menu) && desktop_.CheckMenuItem(menu, IDM_TRAY_ITEM, check) == MENU_ITEM_MISSING)
      AddTrayMenuItem(desktop_, o, menu, check);
  }
  if (second) {
    const Hmenu menu = desktop_.GetSystemMenu(second, false);
    if (!desktop_.IsMenu(menu)) return;
    const bool firstEnabled = desktop_.IsWindowEnabled(first);
    const bool allaire = desktop_.GetClassName(second, 255) == "TfAllaireClientMain";
    if (desktop_.CheckMenuItem(menu, IDM_TRAY_ITEM, check) == MENU_ITEM_MISSING) {
      if (firstEnabled && !allaire) {
        desktop_.DeleteMenu(menu, IDM_TRAY_ITEM, MF_BYCOMMAND);
        desktop_.DeleteMenu(menu, IDM_TRAY_SEPARATOR, MF_BYCOMMAND);
      } else {
        AddTrayMenuItem(desktop_, o, menu, check);
      }
    }
  }
}

void TFOrvane::AddMenuItemIfMissing(Hwnd wnd) {
  const Hmenu menu = desktop_.GetSystemMenu(wnd, false);
  if (!desktop_.IsMenu(menu) || desktop_.GetMenuState(menu, IDM_TRAY_ITEM, MF_BYCOMMAND) != MENU_ITEM_MISSING) return;
  AddTrayMenuItem(desktop_, TrayList->Options, menu, TrayList->HasClass(ClassKeyOf(wnd)) ? MF_CHECKED : 0);
}

void TFOrvane::Request49() {
  const Hwnd app = OwningAppWindow(desktop_, CurrentWindow);
  if (app) SyncAppMenuItems(app);
  if (desktop_.GetClassName(CurrentWindow) == "OutlookExpressHiddenWindow") {
    if (const Hwnd browser = TrayList->FindOutlookBrowser()) CurrentWindow = browser;
  }
  std::size_t index = 0;
  if (TTrayIcon* entry = TrayList->FindEntry(CurrentWindow, &index)) {
    if (!desktop_.IsIconic(CurrentWindow)) TrayList->RemoveEntry(entry, index);
  } else if (!app) {
    AddMenuItemIfMissing(CurrentWindow);
  }
}

void TFOrvane::Request50() {
  if (const Hwnd app = OwningAppWindow(desktop_, CurrentWindow)) {
    TrayList->DetachAppWindow(app, CurrentWindow);
    SyncAppMenuItems(app);
  }
  std::size_t index = 0;
  if (TTrayIcon* entry = TrayList->FindEntry(CurrentWindow, &index)) TrayList->RemoveEntry(entry, index);
}

void TFOrvane::Request56(bool& keepBusy) {
  CurrentWindow = desktop_.FindWindow(UninstallClass, "Uninstall Velmora");
  if (!CurrentWindow) CurrentWindow = desktop_.FindWindow(UninstallClass, "Select Uninstall Method");
  if (CurrentWindow) {
    CloseMainMutex();
    keepBusy = true;
    closeRequested_ = true;
    host_.Close();
  }
}

void TFOrvane::CloseMinimizedWindows() {
  desktop_.EnumWindows([this](Hwnd wnd) {
    if (desktop_.IsIconic(wnd)) desktop_.PostMessage(wnd, WM_CLOSE, 0, 0);
    return true;
  });
}

void TFOrvane::InsertIcon(bool startHideTimer) {
  if (!TrayList || !MayHide(CurrentWindow)) return;
  auto entry = std::make_unique<TTrayIcon>();
  entry->Window = CurrentWindow;
  entry->uID = TrayIdOf(CurrentWindow);
  entry->hIcon = WindowIcon(desktop_, ports_.painter, CurrentWindow);
  TrayList->AddEntry(std::move(entry));
  TimerHide.SetEnabled(startHideTimer);
}

void TFOrvane::HideListed(Hwnd wnd) {
  std::size_t index = 0;
  TTrayIcon* entry = TrayList ? TrayList->FindEntry(wnd, &index) : nullptr;
  if (!entry) return;  // restored meanwhile: a window the list does not hold is never hidden
  if (entry->IconFailed || !desktop_.IsIconic(wnd)) {
    // No icon to come back by, or the window did not stay minimized: leave it on the taskbar.
    TrayList->RemoveEntry(entry, index);
    return;
  }
  if (IsBrowserFrame(desktop_, wnd) && ports_.shell.DeleteTaskbarTab(wnd)) return;
  desktop_.ShowWindow(wnd, SW_HIDE);
}

void TFOrvane::InsertIconAndHide(Hwnd wnd) {
  CurrentWindow = wnd;
  InsertIcon(false);
  HideListed(wnd);
}

void TFOrvane::TimerHideTimer() {
  // Running until the window is hidden, so that requests meanwhile are turned away.
  HideListed(CurrentWindow);
  TimerHide.SetEnabled(false);
}

void TFOrvane::TimerOthersTimer() {
  if (busy_ || TimerHide.Enabled()) {
    TimerOthers.SetEnabled(false);
    TimerOthers.SetInterval(1000);
    TimerOthers.SetEnabled(true);
    return;
  }
  if (!TrayList) return;
  BusyScope scope(busy_);
  TimerOthers.SetEnabled(false);
  const bool handleConsole = TrayList->Options.HandleConsole == 1;
  desktop_.EnumWindows([&](Hwnd wnd) {
    if (!desktop_.IsIconic(wnd) || TrayList->FindEntry(wnd)) return true;
    CurrentWindow = wnd;
    if (!IsConsoleWindow(desktop_, wnd)) {
      if (TrayItemChecked(desktop_, wnd)) InsertIconAndHide(wnd);
    } else if (handleConsole) {
      InsertIconAndHide(wnd);
    }
    return true;
  });
  TrayList->CheckWindows();
  TimerOthers.SetInterval(RequestMissed ? 1000 : 5000);
  TimerOthers.SetEnabled(true);
}

void TFOrvane::TimerExplorerTimer() {
  // Another event path is at work: the timer stays on and comes back in a second.
  if (busy_ || TimerHide.Enabled()) return;
  TimerExplorer.SetEnabled(false);
  if (!TrayList) return;
  BusyScope scope(busy_);
  TrayList->ApplySettings(TrayList->Options);
}

void TFOrvane::TaskbarCreated() {
  if (!closed_) TimerExplorer.SetEnabled(true);
}

void TFOrvane::UserCloseWindow(Hwnd wnd, bool confirm) {
  if (!desktop_.IsWindow(wnd)) return;
  if (confirm) {
    const std::string title = ports_.dialogs.AnsiToUtf8(desktop_.GetWindowText(wnd));
    const std::string text = "以下应用程序将被关闭:\r" + title + "\r确定要关闭吗？";
    if (ports_.dialogs.MessageBox(text, AppTitle, MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL) != IDYES) return;
  }
  desktop_.PostMessage(wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

}  // namespace velmora
