// The hook library's requests: what each one does with the window it reports,
// in the order the program receives them (the main form's other paths are in
// TFOrvane.cpp).
#include <cstring>

#include "foreign/SystemMenuItems.h"
#include "foreign/WindowKinds.h"
#include "hook/ClassKeys.h"
#include "main/TFOrvane.h"
#include "tray/MarkRules.h"
#include "platform/WinConst.h"

namespace velmora {

using namespace win;

namespace {
constexpr char UninstallClass[] = "ZURUUninstall";  // the uninstaller's window

std::string ShortString(const std::uint8_t* bytes) {
  return std::string(reinterpret_cast<const char*>(bytes + 1), bytes[0]);
}
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
  HookRequest request{code, HwndOfTrayId(dwData), 0, {}};
  // The request's own copy of the library's data; the block only for a library without it.
  if (payload != nullptr && payloadSize == sizeof(TRequestPayload)) {
    TRequestPayload copy;
    std::memcpy(&copy, payload, sizeof copy);
    request.appWindow = copy.AppWindow;
    request.classKey = ShortString(copy.ClassKey);
  } else if (MemBlock) {
    request.appWindow = MemBlock->AppWindow;
    request.classKey = ShortString(MemBlock->ClassKey);
  }
  // A user's choice (the tray item chosen, a later start, closing the minimized windows) waits its turn and is
  // never merged or refused; state reports about the same window and code are one while they wait.
  const bool choice = code == RQ_ITEM_CHOSEN || code == RQ_INSTANCE || code == RQ_CLOSE_MINIMIZED;
  const std::uint64_t key = (static_cast<std::uint64_t>(code) << 32) | TrayIdOf(request.wnd);
  auto path = [this, request] { HandleRequest(request); };
  if (!(choice ? paths_.RunOrDefer(path) : paths_.RunOrMerge(key, path))) RequestMissed = true;
}

void TFOrvane::HandleRequest(const HookRequest& request) {
  if (closeRequested_) return;
  CurrentWindow = request.wnd;
  if (IsOwnWindow(CurrentWindow) || !TrayList) return;
  switch (request.code) {
    case RQ_MINIMIZING: Request46(); break;
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
    case RQ_APP_FORM: TrayList->AttachAppWindow(HwndOfTrayId(request.appWindow), CurrentWindow); break;
    case RQ_APP_WINDOW: {
      const Hmenu menu = desktop_.GetSystemMenu(CurrentWindow, false);
      if (desktop_.IsMenu(menu)) {
        AddTrayMenuItem(desktop_, TrayList->Options, menu, TrayList->HasClass(request.classKey) ? MF_CHECKED : 0,
                        texts_[TextId::SystemMinimize]);
        TrayList->AddApp(CurrentWindow, request.classKey);
      }
      break;
    }
    case RQ_SHELL_RESTART: TimerExplorer.SetEnabled(true); break;
    case RQ_INSTANCE: Request56(); break;
    case RQ_CLOSE_MINIMIZED:
      // Elevated, Velmora may be reached from lower levels, sandboxes too: the user decides.
      if (ports_.kernel.RunsElevated())
        AskAndCloseMinimized();
      else
        CloseMinimizedWindows();
      break;
    default: break;
  }
}

void TFOrvane::Request46() {
  const Hwnd wnd = CurrentWindow;
  const TOptionsRecord& o = TrayList->Options;
  const bool pending = MemBlock && MemBlock->PendingWindow != 0 && MemBlock->PendingWindow == TrayIdOf(wnd);
  // Marks decide by the window's key, whether or not the item is in its system menu.
  const bool qualifies = pending || IsMarkedNow(wnd) || (IsExcelWindow(desktop_, wnd) && o.HandleExcel) ||
                         (IsWordWindow(desktop_, wnd) && o.HandleWord);
  // A pending window is taken once; later minimizes of it follow the usual rules again.
  if (pending) MemBlock->PendingWindow = 0;
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
