// The hook library's requests: what each one does with the window it reports,
// in the order the program receives them (the main form's other paths are in
// TFOrvane.cpp).
#include <cstring>

#include "foreign/SystemMenuItems.h"
#include "foreign/WindowKinds.h"
#include "hook/ClassKeys.h"
#include "hook/Levels.h"
#include "main/TFOrvane.h"
#include "tray/MarkRules.h"
#include "platform/WinConst.h"

namespace velmora {

using namespace win;

namespace {
constexpr char UninstallClass[] = "ZURUUninstall";  // the uninstaller's window
}  // namespace

bool TFOrvane::IsMarkedWindow(Hwnd wnd) {
  return TrayList->IsMarked(ClassKeyOf(wnd), desktop_.GetClassName(wnd));
}

std::string TFOrvane::ClassKeyOf(Hwnd wnd) {
  const std::string cls = desktop_.GetClassName(wnd);
  if (!IsGenericClass(cls)) return cls;
  // A shared class is keyed by the window's own program (a store app's frame by
  // the app it hosts), as Velmora reads it: the key a request carries is another
  // process's word, and a sandboxed one could name any program. Unread, no key.
  const std::string key = WindowClassKey(desktop_, wnd);
  return key == cls ? std::string() : key;
}

bool TFOrvane::IsMarkedNow(Hwnd wnd) {
  // The forms of a "TApplication" program are marked under the key of its forms, kept with the link.
  if (const Hwnd app = OwningAppWindow(desktop_, wnd)) {
    const std::string key = TrayList->GetAppClass(app);
    return (!key.empty() && TrayList->HasClass(key)) || TrayItemChecked(desktop_, wnd);
  }
  return IsMarkedWindow(wnd);
}

void TFOrvane::WMCopyData(std::uintptr_t code, std::uintptr_t dwData, const void* payload, std::size_t payloadSize) {
  RequestMissed = false;
  if (closed_ || closeRequested_ || code < RQ_MINIMIZING || code > RQ_OPENED) return;
  // The 32-bit library's handles may arrive zero-extended: widened as the system widens them.
  HookRequest request{code, HwndOfTrayId(dwData)};
  // A later start of Velmora, at any level, only asks for the About page.
  if (code != RQ_INSTANCE && !Admitted(request, payload, payloadSize)) return;
  // A user's choice (the tray item chosen, a later start, closing the minimized windows) waits its turn and is
  // never merged or refused; state reports about the same window and code are one while they wait.
  const bool choice = code == RQ_ITEM_CHOSEN || code == RQ_INSTANCE || code == RQ_CLOSE_MINIMIZED;
  const std::uint64_t key = (static_cast<std::uint64_t>(code) << 32) | TrayIdOf(request.wnd);
  auto path = [this, request] { HandleRequest(request); };
  if (!(choice ? paths_.RunOrDefer(path) : paths_.RunOrMerge(key, path))) RequestMissed = true;
}

bool TFOrvane::Admitted(HookRequest& request, const void* payload, std::size_t payloadSize) {
  if (payload == nullptr || payloadSize != sizeof(TRequestPayload)) return false;
  TRequestPayload copy;
  std::memcpy(&copy, payload, sizeof copy);
  // Only a library that could read a block of Velmora's knows its secret: the sender's level.
  const std::optional<std::uint32_t> level = sections_.SenderLevel(copy);
  if (!level) return false;
  request.appWindow = copy.AppWindow;
  request.flags = copy.Flags;
  request.level = *level;
  // A request can ask no more than a click in its window could: never about a window above its level.
  auto above = [&](Hwnd wnd) {
    return wnd && LevelOf(ports_.kernel.ProcessIntegrityLevel(desktop_.GetWindowProcessId(wnd))) > *level;
  };
  return !above(request.wnd) && !above(HwndOfTrayId(request.appWindow));
}

void TFOrvane::HandleRequest(const HookRequest& request) {
  if (closeRequested_) return;
  CurrentWindow = request.wnd;
  if (IsOwnWindow(CurrentWindow) || !TrayList) return;
  switch (request.code) {
    case RQ_MINIMIZING: Request46((request.flags & RequestFromTrigger) != 0); break;
    case RQ_OPENED: Request58(); break;
    case RQ_ADD_ITEM: {
      const Hmenu menu = desktop_.GetSystemMenu(CurrentWindow, false);
      if (desktop_.IsMenu(menu))
        AddTrayMenuItem(desktop_, TrayList->Options, menu,
                        IsMarkedWindow(CurrentWindow) ? MF_CHECKED : 0,
                        texts_[TextId::SystemMinimize]);
      break;
    }
    case RQ_ITEM_CHOSEN: Request48(); break;
    case RQ_ACTIVATED: Request49(); break;
    case RQ_DESTROYED: Request50(); break;
    case RQ_APP_FORM: {
      // Linked only as the windows themselves say: the form is owned by that application window.
      const Hwnd app = HwndOfTrayId(request.appWindow);
      if (app && OwningAppWindow(desktop_, CurrentWindow) == app) TrayList->AttachAppWindow(app, CurrentWindow);
      break;
    }
    case RQ_APP_WINDOW: {
      // Keyed by the class of the form that announced it, one of its own.
      const Hwnd form = HwndOfTrayId(request.appWindow);
      const Hmenu menu = desktop_.GetSystemMenu(CurrentWindow, false);
      if (form && OwningAppWindow(desktop_, form) == CurrentWindow && desktop_.IsMenu(menu)) {
        const std::string key = ClassKeyOf(form);
        AddTrayMenuItem(desktop_, TrayList->Options, menu, TrayList->HasClass(key) ? MF_CHECKED : 0,
                        texts_[TextId::SystemMinimize]);
        TrayList->AddApp(CurrentWindow, key);
      }
      break;
    }
    case RQ_SHELL_RESTART: TimerExplorer.SetEnabled(true); break;
    case RQ_INSTANCE: Request56(); break;
    case RQ_CLOSE_MINIMIZED:
      // From a level below Velmora's: the user decides.
      if (request.level < LevelOf(ports_.kernel.IntegrityLevel()))
        AskAndCloseMinimized();
      else
        CloseMinimizedWindows();
      break;
    default: break;
  }
}

void TFOrvane::Request46(bool triggered) {
  const Hwnd wnd = CurrentWindow;
  const TOptionsRecord& o = TrayList->Options;
  // Sent by a trigger in the window's own program, or by the minimize hotkey.
  const bool pending = triggered || (pendingWindow_ && pendingWindow_ == wnd);
  // Marks decide by the window's key, whether or not the item is in its system menu.
  const bool qualifies = pending || IsMarkedNow(wnd) || (IsExcelWindow(desktop_, wnd) && o.HandleExcel) ||
                         (IsWordWindow(desktop_, wnd) && o.HandleWord);
  // A pending window is taken once; later minimizes of it follow the usual rules again.
  if (pendingWindow_ == wnd) pendingWindow_ = Hwnd{};
  if (qualifies && !TrayList->FindEntry(wnd)) InsertIcon(true);
}

void TFOrvane::Request58() {
  const Hwnd wnd = CurrentWindow;
  if (!MayOpenToTray(desktop_, wnd) || TrayList->FindEntry(wnd)) return;
  // The watch of "run hidden" takes one window, its process's first; a rule every window of its mark.
  const bool watched = TrayList->TakeWatched(desktop_.GetWindowProcessId(wnd));
  if (watched || (TrayList->RulesFor(ClassKeyOf(wnd), desktop_.GetClassName(wnd)) & RuleHideOnOpen))
    SendToTray(wnd);
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
  if (HasGenericClass(desktop_, CurrentWindow)) key = ClassKeyOf(CurrentWindow);
  // No key to mark under: the item keeps its state rather than show a mark that is not kept.
  if (key.empty()) return;
  // The item shows the mark and toggles it: what it showed the user is what the choice undoes.
  const Hmenu menu = desktop_.GetSystemMenu(CurrentWindow, false);
  const std::uint32_t state = desktop_.IsMenu(menu) ? desktop_.GetMenuState(menu, IDM_TRAY_ITEM, MF_BYCOMMAND)
                                                    : MENU_ITEM_MISSING;
  const bool hasItem = state != MENU_ITEM_MISSING;
  const bool marked = hasItem ? (state & MF_CHECKED) != 0 : TrayList->HasClass(key);
  const std::string cls = desktop_.GetClassName(CurrentWindow);
  if (marked && key != cls && !TrayList->HasClass(key) && TrayList->HasClass(cls)) {
    // Marked under the plain shared class: the mark moves to this program alone.
    TrayList->AddClass(key);
    TrayList->RemoveClass(cls);
  } else if (marked) {
    TrayList->RemoveClass(key);
  } else {
    TrayList->AddClass(key);
  }
  if (hasItem) desktop_.CheckMenuItem(menu, IDM_TRAY_ITEM, TrayList->HasClass(key) ? MF_CHECKED : MF_UNCHECKED);
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
      AddTrayMenuItem(desktop_, o, menu, check, texts_[TextId::SystemMinimize]);
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
        AddTrayMenuItem(desktop_, o, menu, check, texts_[TextId::SystemMinimize]);
      }
    }
  }
}

void TFOrvane::AddMenuItemIfMissing(Hwnd wnd) {
  const Hmenu menu = desktop_.GetSystemMenu(wnd, false);
  if (!desktop_.IsMenu(menu) || desktop_.GetMenuState(menu, IDM_TRAY_ITEM, MF_BYCOMMAND) != MENU_ITEM_MISSING) return;
  AddTrayMenuItem(desktop_, TrayList->Options, menu, IsMarkedWindow(wnd) ? MF_CHECKED : 0,
                  texts_[TextId::SystemMinimize]);
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

void TFOrvane::Request56() {
  CurrentWindow = desktop_.FindWindow(UninstallClass, "Uninstall Velmora");
  if (!CurrentWindow) CurrentWindow = desktop_.FindWindow(UninstallClass, "Select Uninstall Method");
  if (CurrentWindow) {
    CloseMainMutex();
    closeRequested_ = true;
    host_.Close();
  } else if (AboutForm) {
    AboutForm->ShowAboutPage();
  }
}

void TFOrvane::CloseMinimizedWindows() {
  // Invisible minimized windows that programs keep for themselves (and the
  // user never saw) are left alone: closing one would end its program.
  for (Hwnd wnd : TopLevelWindows(desktop_)) {
    if (!desktop_.IsIconic(wnd) || IsOwnWindow(wnd)) continue;
    if (desktop_.IsWindowVisible(wnd) || (TrayList && TrayList->FindEntry(wnd)))
      desktop_.PostMessage(wnd, WM_CLOSE, 0, 0);
  }
}

}  // namespace velmora
