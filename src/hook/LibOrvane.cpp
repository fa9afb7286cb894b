// LibOrvane.dll: loaded into other programs by global window hooks, it reports
// their window events to Velmora's main window as WM_COPYDATA requests. It
// filters and forwards, and Velmora decides, except where Velmora must not be
// waited on: a click on a close button and a window's first showing are
// decided here, from the marks' section. It runs inside every
// program on the desktop, so: no exceptions, no heap, bounded sends, and hook
// kinds that fire only where needed: posted messages pass no hook of Velmora's.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "hook/ClassKeys.h"
#include "hook/HeldMark.h"
#include "hook/HookHandles.h"
#include "hook/LibOrvane.h"
#include "hook/MarkReader.h"
#include "hook/MarkTable.h"
#include "hook/MemBlock.h"
#include "hook/WindowKeys.h"

namespace velmora {
namespace {

using namespace hook;

HINSTANCE g_module = nullptr;

// The sections of this process's level, read-only: the block on first need,
// the marks on the first window a rule may concern.
SharedSection<TMemBlock> g_block{MemBlockName};
SharedSection<TMarkTable> g_marks{MarkTableName};
static_assert(std::is_trivially_destructible_v<SharedSection<TMemBlock>> &&
              std::is_trivially_destructible_v<SharedSection<TMarkTable>>);

// The window a trigger of this process just minimized (the right-click, a
// close button of a mark): its minimize goes out as the pending one.
std::atomic<std::uint32_t> g_pendingWnd{0};

// Set in the process that called SetHook (Velmora or its 32-bit helper). The
// system runs the hooks of that process for programs of the other bitness on
// its own thread; their windows are served by the library inside them.
std::atomic<bool> g_hooksSetHere{false};

HookHandle g_cbtHook;
HookHandle g_mouseHook;
HookHandle g_callWndProcHook;

std::atomic<UINT> g_taskbarCreated{0};

// "TApplication" windows and their forms already announced from this process,
// valid for the main window in g_announcedTo. Fixed slots: no heap in a host.
constexpr int kAppSlots = 8;
constexpr int kFormSlots = 64;
std::atomic<std::uint32_t> g_apps[kAppSlots];
std::atomic<std::uint32_t> g_forms[kFormSlots];
std::atomic<unsigned> g_appVictim{0};
std::atomic<unsigned> g_formVictim{0};
std::atomic<std::uint32_t> g_announcedTo{0};

constexpr char kAppClass[] = "TApplication";
// On a top-level window this library saw created and that has not been shown
// since: its first showing is its opening. Taken away at that showing, so that
// no later one (after Velmora hid it or brought it back) is ever an opening.
constexpr char kUnshownProp[] = "VelmoraUnshown";
// How many windows of this process carry the note: while none does, a showing costs one load.
std::atomic<int> g_unshownWindows{0};

// Takes the note away; true when the window carried it.
bool TakeUnshownNote(HWND wnd) {
  if (g_unshownWindows.load(std::memory_order_relaxed) == 0 || RemovePropA(wnd, kUnshownProp) == nullptr) return false;
  g_unshownWindows.fetch_sub(1, std::memory_order_relaxed);
  return true;
}

// The block holds window handles in 32 bits, which is all a window handle uses.
HWND ToHwnd(std::uint32_t value) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}
std::uint32_t FromHwnd(HWND wnd) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(wnd));
}

// Fields Velmora writes from its own process.
template <class T>
T Read(const T& field) {
  return *static_cast<const volatile T*>(&field);
}

bool InThisProcess(HWND wnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  return pid == GetCurrentProcessId();
}

// The block when a request about wnd may go out: mapped, Velmora running, this
// is not Velmora's own process, and wnd is this program's own.
const TMemBlock* ActiveBlock(HWND wnd) {
  const TMemBlock* block = g_block.Get();
  if (block == nullptr || Read(block->MainWindow) == 0 ||
      Read(block->HookOwnerPid) == GetCurrentProcessId() ||
      (g_hooksSetHere.load(std::memory_order_relaxed) && !InThisProcess(wnd))) {
    return nullptr;
  }
  return block;
}

// The main window named in the block, when it still is Velmora's: a Velmora
// that was killed leaves a handle that another window may carry later.
HWND VelmoraWindow(const TMemBlock* block) {
  HWND main = ToHwnd(Read(block->MainWindow));
  DWORD pid = 0;
  if (GetWindowThreadProcessId(main, &pid) == 0 || pid != Read(block->HookOwnerPid)) return nullptr;
  return main;
}

// A request about a window of this program, bounded, so that a stuck Velmora
// never freezes the host. It carries the block's secret: the proof that it
// comes from this block's level. Velmora reads the window itself.
bool Report(const TMemBlock* block, RequestCode code, HWND wnd, std::uint32_t appWindow = 0, std::uint32_t flags = 0) {
  HWND main = VelmoraWindow(block);
  if (main == nullptr) return false;
  TRequestPayload payload{appWindow, flags, {}};
  for (std::size_t i = 0; i < RequestSecretSize; ++i) payload.Secret[i] = Read(block->RequestSecret[i]);
  COPYDATASTRUCT data{};
  data.dwData = reinterpret_cast<ULONG_PTR>(wnd);
  data.cbData = sizeof payload;
  data.lpData = &payload;
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(main, WM_COPYDATA, code, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG | SMTO_NORMAL, 1000, &result) != 0;
}

bool IsMinimizeCommand(unsigned show) {
  return show == SW_MINIMIZE || show == SW_SHOWMINIMIZED || show == SW_SHOWMINNOACTIVE ||
         show == SW_FORCEMINIMIZE;
}

bool IsTrayItem(WPARAM command) { return (command & 0xFFF0) == IDM_TRAY_ITEM; }

// Keys as they were when the input message this thread is handling was made
// (GetKeyState: the state moves on as the thread takes its input messages);
// or, with nothing of this thread's input behind, as they are now (GetAsyncKeyState).
bool KeyDown(int key, bool atInput) { return ((atInput ? GetKeyState(key) : GetAsyncKeyState(key)) & 0x8000) != 0; }

bool HoldKeyDown(std::uint8_t code, bool atInput) {
  switch (code) {
    case 1: return KeyDown(VK_SHIFT, atInput);
    case 2: return KeyDown(VK_CONTROL, atInput);
    case 3: return KeyDown(VK_SHIFT, atInput) || KeyDown(VK_CONTROL, atInput);
    default: return false;
  }
}

bool ButtonMatches(std::uint32_t wanted, WPARAM hit) {
  if (wanted == HitAnyButton) {
    return hit == HitMinButton || hit == HitMaxButton || hit == HitCloseButton;
  }
  return wanted != 0 && hit == wanted;
}

// Velmora looks after the tray item of "TApplication" windows and their forms
// itself, through the application link.
bool BelongsToApp(HWND wnd) {
  if (HasClass(wnd, kAppClass)) return true;
  HWND owner = GetWindow(wnd, GW_OWNER);
  return owner != nullptr && HasClass(owner, kAppClass);
}

bool LacksTrayItem(HWND wnd) {
  HMENU menu = GetSystemMenu(wnd, FALSE);
  return menu != nullptr && GetMenuState(menu, IDM_TRAY_ITEM, MF_BYCOMMAND) == static_cast<UINT>(-1);
}

bool Holds(const std::atomic<std::uint32_t>* slots, int count, std::uint32_t wnd) {
  for (int i = 0; i < count; ++i) {
    if (slots[i].load(std::memory_order_relaxed) == wnd) return true;
  }
  return false;
}

void Remember(std::atomic<std::uint32_t>* slots, int count, std::atomic<unsigned>& victim,
              std::uint32_t wnd) {
  for (int i = 0; i < count; ++i) {
    std::uint32_t empty = 0;
    if (slots[i].compare_exchange_strong(empty, wnd)) return;
  }
  // All taken: one is reused; at worst a window is announced a second time.
  slots[victim.fetch_add(1) % static_cast<unsigned>(count)].store(wnd);
}

void Forget(std::atomic<std::uint32_t>* slots, int count, std::uint32_t wnd) {
  for (int i = 0; i < count; ++i) {
    std::uint32_t held = wnd;
    slots[i].compare_exchange_strong(held, 0);
  }
}

// A restarted Velmora knows no application links: announce everything again.
void SyncAnnouncedTo(std::uint32_t mainWindow) {
  if (g_announcedTo.exchange(mainWindow) == mainWindow) return;
  for (auto& slot : g_apps) slot.store(0);
  for (auto& slot : g_forms) slot.store(0);
}

// A form of a "TApplication" program: announce the application window (52,
// with the form whose class keys it) and the form (51) the first time each is seen.
void AnnounceAppForm(const TMemBlock* block, HWND form, HWND app) {
  SyncAnnouncedTo(Read(block->MainWindow));
  const std::uint32_t appId = FromHwnd(app);
  const std::uint32_t formId = FromHwnd(form);
  if (!Holds(g_apps, kAppSlots, appId) && Report(block, RQ_APP_WINDOW, app, formId))
    Remember(g_apps, kAppSlots, g_appVictim, appId);
  if (!Holds(g_forms, kFormSlots, formId) && Report(block, RQ_APP_FORM, form, appId))
    Remember(g_forms, kFormSlots, g_formVictim, formId);
}

void OnMinimizing(HWND wnd) {
  const TMemBlock* block = ActiveBlock(wnd);
  if (block == nullptr || !IsTopLevel(wnd)) return;
  // The hold-key trigger: Velmora takes the window because it is pending. A
  // minimize this thread's own input led to (the minimize button, the system
  // menu, a key) reads the keys as they were with that input; one sent from
  // another thread (another program, the taskbar) came with none of it.
  const bool fromOtherThread = InSendMessageEx(nullptr) != ISMEX_NOSEND;
  std::uint32_t triggered = FromHwnd(wnd);
  const bool pending = g_pendingWnd.compare_exchange_strong(triggered, 0, std::memory_order_relaxed) ||
                       HoldKeyDown(Read(block->HoldKeyCode), !fromOtherThread);
  Report(block, RQ_MINIMIZING, wnd, 0, pending ? std::uint32_t{RequestFromTrigger} : 0u);
}

void OnActivating(HWND wnd) {
  const TMemBlock* block = ActiveBlock(wnd);
  if (block == nullptr || !IsTopLevel(wnd)) return;
  HWND owner = GetWindow(wnd, GW_OWNER);
  const bool appForm = owner != nullptr && HasClass(owner, kAppClass);
  if (appForm) AnnounceAppForm(block, wnd, owner);
  Report(block, RQ_ACTIVATED, wnd);
  if (!appForm && !HasClass(wnd, kAppClass) && LacksTrayItem(wnd)) {
    Report(block, RQ_ADD_ITEM, wnd);
  }
}

void OnDestroying(HWND wnd) {
  if (!IsTopLevel(wnd)) return;
  TakeUnshownNote(wnd);
  const std::uint32_t id = FromHwnd(wnd);
  Forget(g_forms, kFormSlots, id);
  Forget(g_apps, kAppSlots, id);
  if (const TMemBlock* block = ActiveBlock(wnd)) Report(block, RQ_DESTROYED, wnd);
}

void OnTrayItemChosen(HWND wnd) {
  const TMemBlock* block = ActiveBlock(wnd);
  if (block != nullptr && IsTopLevel(wnd)) Report(block, RQ_ITEM_CHOSEN, wnd);
}

void OnSystemMenuOpening(HWND wnd) {
  const TMemBlock* block = ActiveBlock(wnd);
  if (block != nullptr && IsTopLevel(wnd) && !BelongsToApp(wnd) && LacksTrayItem(wnd)) {
    Report(block, RQ_ADD_ITEM, wnd);
  }
}

// A window the user can mean: top-level, owned by no window, enabled (no
// modal window of its own open), on the taskbar by the system's rule, with a
// frame (a splash screen has none), not a dialog box. The rules of marks act
// on such windows only: an owned window or a dialog box of a marked program
// stays with its program.
bool IsMainWindowKind(HWND wnd) {
  if (!IsTopLevel(wnd) || GetWindow(wnd, GW_OWNER) != nullptr || !IsWindowEnabled(wnd)) return false;
  const LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE), exStyle = GetWindowLongPtrA(wnd, GWL_EXSTYLE);
  if ((exStyle & WS_EX_TOOLWINDOW) != 0 && (exStyle & WS_EX_APPWINDOW) == 0) return false;
  if ((style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME)) == 0 && (exStyle & WS_EX_APPWINDOW) == 0) return false;
  return !HasClass(wnd, "#32770");
}

// The right-click trigger, as the program takes the click: both halves are
// swallowed (true) so that no menu pops up; the button-up minimizes the window
// as the pending one.
bool OnTitleRightClick(UINT message, const MOUSEHOOKSTRUCT& mouse) {
  const TMemBlock* block = ActiveBlock(mouse.hwnd);
  if (block == nullptr || !ButtonMatches(Read(block->ButtonCode), mouse.wHitTestCode) ||
      !IsTopLevel(mouse.hwnd)) {
    return false;
  }
  if (message == WM_NCRBUTTONUP) {
    g_pendingWnd.store(FromHwnd(mouse.hwnd), std::memory_order_relaxed);
    PostMessageA(mouse.hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  }
  return true;
}

// A click on the close button of a main window whose mark sends it to the
// tray, as the program takes it: both halves swallowed, and the window
// minimized as the pending one, which Velmora takes. Shift + click closes as
// ever (Shift as it was at the click), as do Alt+F4 and the program's own
// commands, which never pass here. The button-up acts only after a button-down
// this hook took, so a click begun with Shift stays a close.
std::atomic<std::uint32_t> g_closeClicked{0};

bool OnCloseButton(UINT message, const MOUSEHOOKSTRUCT& mouse) {
  if (mouse.wHitTestCode != HTCLOSE) return false;
  const std::uint32_t wnd = FromHwnd(mouse.hwnd);
  if (message == WM_NCLBUTTONUP) {
    std::uint32_t clicked = wnd;
    if (!g_closeClicked.compare_exchange_strong(clicked, 0, std::memory_order_relaxed)) return false;
    const TMemBlock* block = ActiveBlock(mouse.hwnd);
    if (block == nullptr) return true;
    g_pendingWnd.store(wnd, std::memory_order_relaxed);
    PostMessageA(mouse.hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return true;
  }
  g_closeClicked.store(0, std::memory_order_relaxed);
  const TMemBlock* block = ActiveBlock(mouse.hwnd);
  if (block == nullptr || KeyDown(VK_SHIFT, true)) return false;
  const TMarkTable* marks = IsMainWindowKind(mouse.hwnd) ? g_marks.Get() : nullptr;
  if (marks == nullptr || (WindowRules(*marks, mouse.hwnd) & RuleCloseToTray) == 0) return false;
  g_closeClicked.store(wnd, std::memory_order_relaxed);
  return true;
}

// A top-level window owned by no other is being created: while Velmora runs,
// it is noted as not yet shown. Windows that were there before are never noted.
void OnCreating(HWND wnd) {
  if (ActiveBlock(wnd) != nullptr && SetPropA(wnd, kUnshownProp, reinterpret_cast<HANDLE>(1)))
    g_unshownWindows.fetch_add(1, std::memory_order_relaxed);
}

// A window shows. Its first showing since this library saw it created is its
// opening: when its process is watched, or its mark hides on open, Velmora is
// told (it takes the window to the tray). Any later showing, and any showing
// of a window that was there before, is none.
void OnShowing(HWND wnd) {
  // Cheapest first: no window of this process carries the note (in Velmora's own process none
  // ever does: a program of the other bitness, whose hook runs there, is served by its own library).
  if (!TakeUnshownNote(wnd)) return;
  const TMarkTable* marks = nullptr;
  const TMemBlock* block = ActiveBlock(wnd);
  if (block == nullptr || !IsMainWindowKind(wnd) || (marks = g_marks.Get()) == nullptr) return;
  if (ThisProcessWatched(*marks) || (WindowRules(*marks, wnd) & RuleHideOnOpen) != 0) Report(block, RQ_OPENED, wnd);
}

UINT TaskbarCreatedMessage() {
  UINT id = g_taskbarCreated.load(std::memory_order_relaxed);
  if (id == 0) {
    id = RegisterWindowMessageA("TaskbarCreated");
    g_taskbarCreated.store(id, std::memory_order_relaxed);
  }
  return id;
}

// "TaskbarCreated" is broadcast to every top-level window; the taskbar's own
// window answers for all of them, once.
void OnRegisteredMessage(HWND wnd, UINT message) {
  if (message != TaskbarCreatedMessage()) return;
  const TMemBlock* block = ActiveBlock(wnd);
  if (block != nullptr && HasClass(wnd, "Shell_TrayWnd")) Report(block, RQ_SHELL_RESTART, wnd);
}

bool IsRegisteredMessage(UINT message) { return message >= 0xC000 && message <= 0xFFFF; }

// A window Velmora holds gets a new title or icon: Velmora is told by a post,
// never a send (the host waits for nothing), and reads the window itself once
// the change is in. At most once per window in 100 ms; the slots remember the
// latest reports, so only more than kChangeSlots held windows changing within
// 100 ms could bring one a second report.
constexpr int kChangeSlots = 16;
constexpr DWORD kChangeQuietMs = 100;
std::atomic<std::uint32_t> g_changedWnd[kChangeSlots];
std::atomic<DWORD> g_changedAt[kChangeSlots];
std::atomic<unsigned> g_changedVictim{0};

void OnTitleOrIconChange(HWND wnd) {
  if ((GetWindowLongPtrA(wnd, GWL_STYLE) & WS_CHILD) != 0) return;
  if (!IsHeldMark(reinterpret_cast<std::uintptr_t>(GetPropA(wnd, HeldMarkName)))) return;
  const TMemBlock* block = ActiveBlock(wnd);
  HWND main = block != nullptr ? VelmoraWindow(block) : nullptr;
  if (main == nullptr) return;
  const std::uint32_t id = FromHwnd(wnd);
  const DWORD now = GetTickCount();
  int slot = -1;
  for (int i = 0; i < kChangeSlots && slot < 0; ++i)
    if (g_changedWnd[i].load(std::memory_order_relaxed) == id) slot = i;
  if (slot >= 0 && now - g_changedAt[slot].load(std::memory_order_relaxed) < kChangeQuietMs) return;
  if (slot < 0) slot = static_cast<int>(g_changedVictim.fetch_add(1) % kChangeSlots);
  g_changedAt[slot].store(now, std::memory_order_relaxed);
  g_changedWnd[slot].store(id, std::memory_order_relaxed);
  PostMessageA(main, WindowChangedMessage, id, 0);
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  switch (code) {
    case HCBT_MINMAX:
      if (IsMinimizeCommand(LOWORD(lParam))) OnMinimizing(reinterpret_cast<HWND>(wParam));
      break;
    case HCBT_ACTIVATE:
      OnActivating(reinterpret_cast<HWND>(wParam));
      break;
    case HCBT_CREATEWND: {
      // Cheapest first: a child, or a window with an owner (or message-only), is never noted. Nor is
      // any in the process that set the hooks: its own windows are not noted, and a program of the
      // other bitness, whose hook runs there, is served by its own library.
      if (g_hooksSetHere.load(std::memory_order_relaxed)) break;
      const CREATESTRUCTA& create = *reinterpret_cast<const CBT_CREATEWNDA*>(lParam)->lpcs;
      if ((create.style & WS_CHILD) == 0 && create.hwndParent == nullptr) OnCreating(reinterpret_cast<HWND>(wParam));
      break;
    }
    case HCBT_DESTROYWND:
      OnDestroying(reinterpret_cast<HWND>(wParam));
      break;
    case HCBT_SYSCOMMAND:
      // A system command reaches the default handling of the window whose menu
      // it came from, the active one of this thread, posted or sent.
      if (IsTrayItem(wParam)) OnTrayItemChosen(GetActiveWindow());
      break;
    default:
      break;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Sees the mouse messages a program takes from its input, no other. It
// decides and swallows only as the program takes a message (HC_ACTION). A look
// with PM_NOREMOVE (HC_NOREMOVE, as MFC's and WinForms' loops look before they
// take) passes on: swallowed there, the message would be removed unseen, and
// the program's take of it, where the hook acts, would never come.
LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HC_ACTION) {
    const auto& mouse = *reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    const auto message = static_cast<UINT>(wParam);
    if ((message == WM_NCRBUTTONDOWN || message == WM_NCRBUTTONUP) && OnTitleRightClick(message, mouse)) return 1;
    if ((message == WM_NCLBUTTONDOWN || message == WM_NCLBUTTONUP) && OnCloseButton(message, mouse)) return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Sees every sent message of every program.
LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HC_ACTION) {
    const CWPSTRUCT& msg = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    switch (msg.message) {
      case WM_INITMENUPOPUP:
        if (HIWORD(msg.lParam) != 0) OnSystemMenuOpening(msg.hwnd);
        break;
      case WM_WINDOWPOSCHANGED:
        if ((reinterpret_cast<const WINDOWPOS*>(msg.lParam)->flags & SWP_SHOWWINDOW) != 0) OnShowing(msg.hwnd);
        break;
      case WM_SETTEXT:
      case WM_SETICON:
        OnTitleOrIconChange(msg.hwnd);
        break;
      default:
        if (IsRegisteredMessage(msg.message)) OnRegisteredMessage(msg.hwnd, msg.message);
        break;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void RemoveHooks() {
  g_cbtHook.Reset();
  g_mouseHook.Reset();
  g_callWndProcHook.Reset();
}

}  // namespace
}  // namespace velmora

// The library's entry point: it is linked without the C runtime's start-up
// code, which every host would otherwise run at each load. Leaving a process
// that goes on (the hooks are gone), it frees its sections' views; at the
// process's end the system does.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  using namespace velmora;
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    g_block.Close();
    g_marks.Close();
  }
  return TRUE;
}

int SetHook(void) {
  using namespace velmora;
  g_block.Retry();
  if (g_block.Get() == nullptr) return 0;
  const bool installed = g_cbtHook.Install(WH_CBT, CbtProc, g_module) &&
                         g_mouseHook.Install(WH_MOUSE, MouseProc, g_module) &&
                         g_callWndProcHook.Install(WH_CALLWNDPROC, CallWndProc, g_module);
  if (!installed) RemoveHooks();
  g_hooksSetHere.store(installed);
  return installed ? 1 : 0;
}

void UnSetHook(void) {
  velmora::RemoveHooks();
  velmora::g_hooksSetHere.store(false);
}
