#pragma once
// An in-memory desktop: windows of several "programs", their z-order, the
// foreground rules, system menus, and Velmora's own utility windows.
//
// Windows are made by tests with AddWindow and inspected or changed directly
// through Window(h) (e.g. Window(h).iconic = true when "the user minimized it").
// Handles run 0x10010, 0x10020, ... so that they are >= 128 and fit in 32 bits.
// Destroyed windows stay inspectable through Window(h) but IsWindow is false
// and every port call on them fails harmlessly (0, false, "").
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FakeLog.h"
#include "platform/Desktop.h"

namespace velmora::fake {

inline constexpr std::uint32_t WS_POPUP = 0x80000000u;
inline constexpr std::uint32_t WS_CHILD = 0x40000000u;
inline constexpr std::uint32_t MF_BYPOSITION = 0x0400;
inline constexpr std::uint32_t SC_MAXIMIZE = 0xF030;

// Layout of COPYDATASTRUCT. The handler of a utility window gets a pointer to
// one as lParam of WM_COPYDATA (wParam = code), as from the real system.
struct CopyDataStruct {
  std::uintptr_t dwData = 0;
  std::uint32_t cbData = 0;
  const void* lpData = nullptr;
};
static_assert(offsetof(CopyDataStruct, cbData) == sizeof(void*));
static_assert(offsetof(CopyDataStruct, lpData) == 2 * sizeof(void*));

struct MenuItem {
  std::uint32_t id = 0;
  std::uint32_t flags = 0;  // MF_CHECKED, MF_SEPARATOR, ...
  std::string text{};
  friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

// What AddWindow makes. Usable with designated initializers in this order:
// AddWindow({.className = "Notepad", .title = "a.txt", .iconic = true}).
struct WindowSpec {
  std::string className{};
  std::string title{};
  Hwnd owner{};
  Hwnd parent{};  // set: a child window, not visited by EnumWindows
  std::uint32_t style = 0;
  std::uint32_t pid = 100;
  std::uint32_t tid = 200;
  bool iconic = false;
  bool visible = true;
  bool enabled = true;
  bool hasSystemMenu = true;
  bool withMinimize = true;  // the system menu has SC_MINIMIZE
  Hicon dragIcon{};        // WM_QUERYDRAGICON answer
  Hicon getIcon{};         // WM_GETICON answer
  Hicon classSmallIcon{};  // GetClassLong(GCL_HICONSM)
  bool hung = false;
  bool closesOnClose = false;  // a posted WM_CLOSE / SC_CLOSE destroys it
  std::string program{};       // its process image's file name
  std::string appId{};         // the store app it belongs to
};

struct FakeWindow {
  Hwnd hwnd{};
  std::string className{};
  std::string title{};
  Hwnd owner{};
  Hwnd parent{};
  std::uint32_t style = 0;
  std::uint32_t pid = 0;
  std::uint32_t tid = 0;
  bool iconic = false;
  bool visible = true;
  bool enabled = true;
  Hmenu menu{};  // 0: no system menu
  Hicon dragIcon{};
  Hicon getIcon{};
  Hicon classSmallIcon{};
  bool hung = false;
  bool closesOnClose = false;
  bool tabDeleted = false;  // visible without a taskbar button (ITaskbarList::DeleteTab)
  bool hiddenWithOwner = false;  // hidden by the system as its owner minimized; shown as it comes back
  std::string program{};
  std::string appId{};
  std::map<std::string, std::uintptr_t, std::less<>> props{};
  bool alive = true;
  std::size_t sendCount = 0;  // SendMessage, SendCopyData and GetWindowText attempts
  WindowHandler handler{};    // utility windows only
};

struct SentMessage {
  Hwnd wnd{};
  std::uint32_t msg = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  friend bool operator==(const SentMessage&, const SentMessage&) = default;
};

struct CopyDataSent {
  Hwnd wnd{};
  std::uintptr_t code = 0;
  std::uintptr_t dwData = 0;
  friend bool operator==(const CopyDataSent&, const CopyDataSent&) = default;
};

struct AttachCall {
  std::uint32_t attach = 0;
  std::uint32_t attachTo = 0;
  bool doAttach = false;
  bool result = false;
};

class FakeDesktop : public Desktop {
 public:
  explicit FakeDesktop(CallLog* log = nullptr);

  // ---- Test API ----
  Hwnd AddWindow(WindowSpec spec);
  // Throws std::out_of_range for a handle that was never made.
  FakeWindow& Window(Hwnd wnd);
  // The window, then the windows it owns or parents, go away (as on Windows).
  void Destroy(Hwnd wnd);
  // A program gives its window a new title or icon (WM_SETTEXT, WM_SETICON).
  // The hook library inside it tells Velmora of a window Velmora holds: a post
  // of WindowChangedMessage to libraryTarget, at most once per window per 100 ms.
  void SetTitle(Hwnd wnd, std::string title);
  void SetIcon(Hwnd wnd, Hicon icon);
  // FlashWindow: the shell posts "SHELLHOOK" with HSHELL_FLASH to every
  // registered shell hook window, whether the window has a button or not.
  void FlashWindow(Hwnd wnd);
  // Runs what was posted to Velmora's own windows, in order, as its message loop would.
  void DispatchPosted();
  Hwnd libraryTarget{};
  std::function<std::uint64_t()> clock;
  // The user activates a window: foreground and top of the z-order, no rules.
  void Activate(Hwnd wnd);
  // Calls a utility window's handler as the system would; nullopt when the
  // window is gone, has no handler, or the handler asks for default handling.
  std::optional<std::intptr_t> Deliver(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
  // A WM_COPYDATA request, e.g. from the hook library: lParam points to a CopyDataStruct.
  std::optional<std::intptr_t> DeliverCopyData(Hwnd wnd, std::uintptr_t code, std::uintptr_t dwData);
  std::vector<MenuItem> MenuItems(Hwnd wnd) const;
  std::vector<MenuItem> MenuItems(Hmenu menu) const;
  // Live top-level windows, top of the z-order first.
  std::vector<Hwnd> TopLevelWindows() const;
  // Live, visible and with a button on the taskbar.
  bool HasButton(Hwnd wnd) const;
  // What Velmora asks of another program's window (asynchronous shows,
  // notified and posted messages, asks for an answer) waits in the queue of the
  // window's thread until that thread takes its messages: Pump, PumpAll, a
  // send to it (which runs what was sent before, not what was posted), or
  // time passing (FakeWorld). A hung thread takes nothing.
  void Pump(Hwnd wnd);
  void PumpAll();
  // Something waits for the window's thread.
  bool Waits(Hwnd wnd) const;
  // The window's program stops answering, or answers again and takes its messages.
  void SetHung(Hwnd wnd, bool hung);
  bool AnyHung() const;
  static constexpr std::uint64_t BroadcastWindow = 0xFFFF;  // HWND_BROADCAST

  // ---- Scripted knobs and records (public on purpose) ----
  std::uint32_t currentProcessId = 1;  // Velmora's own process
  std::uint32_t currentThreadId = 1;   // its UI thread: the thread of utility windows
  // Called inside SendMessage, SendCopyData and GetWindowText to a live window,
  // before it answers, so that a test can deliver another request while the
  // send is under way. Not called again while it runs (no runaway nesting).
  std::function<void(Hwnd target)> onSend;
  // Called after every PostMessage to a live window has taken effect.
  std::function<void(const SentMessage&)> onPost;
  // When set, SetForegroundWindow succeeds only when input is attached to the
  // foreground window's thread (AttachThreadInput(x, its thread, true)), the
  // window is already in front, or Velmora's own process owns the foreground
  // window; and a program that restores its window activates it only when
  // Velmora has let its process (AllowSetForegroundWindow). Unset, it always does.
  // Under the lock Velmora may let a process only while it could take the
  // foreground itself: it owns the foreground window, or the last input (a
  // hotkey, a click on its icon) went to it.
  bool foregroundLocked = false;
  bool lastInputOurs = false;
  bool failAttach = false;  // every AttachThreadInput fails
  std::set<std::uint32_t> allowedProcesses;

  std::vector<std::pair<Hwnd, int>> shows;  // every ShowWindow call
  std::vector<SentMessage> sent;            // every SendMessage call, dead targets too
  std::vector<SentMessage> posted;          // every PostMessage call, dead targets too
  std::vector<CopyDataSent> copyDataSent;   // every SendCopyData call
  std::vector<AttachCall> attachCalls;
  std::vector<Hwnd> foregroundCalls;  // every SetForegroundWindow call
  std::size_t hungSends = 0;          // sends that timed out on a hung window
  // Calls that wait for a hung window's thread (ShowWindow, a broadcast, input
  // joined to its thread): each one is a freeze of Velmora.
  std::size_t blockingCalls = 0;
  // Windows of other programs activated while still minimized: their focus ends on the frame.
  std::size_t focusLost = 0;

  // ---- Desktop ----
  Hwnd FindWindow(std::string_view className, std::string_view title) override;
  void EnumWindows(const std::function<bool(Hwnd)>& visit) override;
  std::string GetClassName(Hwnd wnd, int maxCount = 256) override;
  std::string GetWindowText(Hwnd wnd) override;
  bool IsWindow(Hwnd wnd) override;
  bool IsIconic(Hwnd wnd) override;
  bool IsWindowVisible(Hwnd wnd) override;
  bool IsWindowEnabled(Hwnd wnd) override;
  // GW_OWNER only; other commands give 0.
  Hwnd GetWindow(Hwnd wnd, std::uint32_t cmd) override;
  // The parent of a child window; for a WS_POPUP top-level window its owner, as on Windows.
  Hwnd GetParent(Hwnd wnd) override;
  // The last made of its enabled, visible owned windows; the window itself when none.
  Hwnd GetLastActivePopup(Hwnd wnd) override;
  std::uint32_t GetWindowProcessId(Hwnd wnd) override;
  std::uint32_t GetWindowThreadId(Hwnd wnd) override;
  std::uint32_t GetCurrentProcessId() override;
  std::string GetWindowProgramName(Hwnd wnd) override;
  std::string GetWindowAppId(Hwnd wnd) override;
  Hwnd FindChildWindow(Hwnd parent, std::string_view className) override;
  // Returns whether the window was visible before, as ShowWindow does.
  bool ShowWindow(Hwnd wnd, int cmd) override;
  // Takes effect at once; for a hung window of another program, once it answers.
  bool ShowWindowAsync(Hwnd wnd, int cmd) override;
  bool SendNotifyMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;
  bool PostMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;
  std::intptr_t SendMessage(Hwnd wnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;
  bool SendCopyData(Hwnd wnd, std::uintptr_t code, std::uintptr_t dwData) override;
  // Queued as a sent message; once run, AnsweredMessage is posted to notify.
  bool NotifyWhenAnswered(Hwnd wnd, Hwnd notify, std::uint32_t token) override;
  std::uintptr_t GetClassWord(Hwnd wnd, int index) override;
  std::uintptr_t GetClassLong(Hwnd wnd, int index) override;
  Hwnd GetForegroundWindow() override;
  bool SetForegroundWindow(Hwnd wnd) override;
  bool BringWindowToTop(Hwnd wnd) override;
  bool AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach) override;
  bool AllowSetForegroundWindow(std::uint32_t processId) override;
  bool IsHungAppWindow(Hwnd wnd) override;
  // revert: the menu goes back to its first items and 0 is returned, as on Windows.
  Hmenu GetSystemMenu(Hwnd wnd, bool revert) override;
  bool IsMenu(Hmenu menu) override;
  std::uint32_t GetMenuState(Hmenu menu, std::uint32_t id, std::uint32_t flags) override;
  bool InsertMenu(Hmenu menu, std::uint32_t position, std::uint32_t flags, std::uintptr_t id,
                  std::string_view text) override;
  std::uint32_t CheckMenuItem(Hmenu menu, std::uint32_t id, std::uint32_t check) override;
  bool DeleteMenu(Hmenu menu, std::uint32_t id, std::uint32_t flags) override;
  bool SetProp(Hwnd wnd, std::string_view name, std::uintptr_t value) override;
  std::uintptr_t GetProp(Hwnd wnd, std::string_view name) override;
  std::uintptr_t RemoveProp(Hwnd wnd, std::string_view name) override;
  Hwnd CreateUtilityWindow(std::string_view className, WindowHandler handler) override;
  // Only Velmora's own windows can be destroyed this way.
  void DestroyWindow(Hwnd wnd) override;
  std::uint32_t RegisterWindowMessage(std::string_view name) override;
  bool RegisterShellHookWindow(Hwnd wnd) override;
  bool DeregisterShellHookWindow(Hwnd wnd) override;
  std::set<std::uint64_t> shellHookWindows;

 private:
  std::map<std::string, std::uint32_t, std::less<>> registered_;
  std::map<std::uint64_t, std::uint64_t> lastReport_;  // by window: when the library last told Velmora
  std::vector<SentMessage> ownPosted_;
  struct Menu {
    Hwnd owner;
    std::vector<MenuItem> items;
    std::vector<MenuItem> initial;
    bool alive = true;
  };

  FakeWindow* Live(Hwnd wnd);
  const FakeWindow* Find(Hwnd wnd) const;
  Menu* LiveMenu(Hmenu menu);
  std::vector<MenuItem>::iterator FindItem(Menu& menu, std::uint32_t item, std::uint32_t flags);
  void ToTop(Hwnd wnd);
  void ActivatedByOwnProgram(FakeWindow& w);
  bool ThreadHung(std::uint32_t tid) const;
  // A call for another program's thread, run when it takes its messages.
  struct QueuedCall {
    enum class Kind { Show, Sent, Posted, Answer } kind;
    Hwnd wnd;
    int cmd = 0;             // Show
    std::uint32_t msg = 0;   // Sent, Posted
    std::uintptr_t wParam = 0;
    Hwnd notify{};           // Answer
    std::uint32_t token = 0;
  };
  // False for Velmora's own windows: those act at once.
  bool Queue(FakeWindow& w, QueuedCall call);
  // The thread runs what was sent to it, then (unless sentOnly) what was posted.
  void RunQueued(std::uint32_t tid, bool sentOnly);
  void Run(const QueuedCall& call);
  void ApplyShow(FakeWindow& w, int cmd);
  // Minimized, a window's owned windows are hidden with it; restored, they come back
  // (as DefWindowProc does for the active window; a show from outside does not).
  void OwnedFollow(FakeWindow& owner, bool wasIconic);
  std::vector<QueuedCall> queued_;
  // Effects of a message the target's program handles itself; true when it destroyed the window.
  bool ApplyMessage(FakeWindow& w, std::uint32_t msg, std::uintptr_t wParam);
  void NoteSend(FakeWindow& w);
  void LibraryReport(Hwnd wnd);

  CallLog* log_;
  std::map<std::uint64_t, FakeWindow> windows_;  // node-based: references stay valid
  std::map<std::uint64_t, Menu> menus_;
  std::vector<Hwnd> zorder_;  // top-level windows, top first
  std::vector<std::pair<std::uint32_t, std::uint32_t>> attached_;
  Hwnd foreground_{};
  std::uint64_t nextWindow_ = 0x10010;
  std::uint64_t nextMenu_ = 0x20000010;
  bool inOnSend_ = false;
};

}  // namespace velmora::fake
