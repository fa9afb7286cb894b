// LibOrvane.dll against the contract Velmora relies on. The test plays
// Velmora's main window: it creates the sections of its level, records every
// request with its payload, and calls SetHook. hook_probe.exe
// (another process, whose loop peeks before it takes) owns the windows that
// are minimized, activated, destroyed and clicked; the hooks run inside it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hook/LibOrvane.h"
#include "hook/MarkTable.h"
#include "hook/MemBlock.h"
#include "OwnLevelSection.h"
#include "shared/ClassKeyCases.h"
#include "shared/TitleButtons.h"
#include "ProbeCommands.h"

namespace velmora {
namespace {

using namespace probe;

struct CloseHandleDeleter {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<void, CloseHandleDeleter>;

struct UnmapDeleter {
  void operator()(TMemBlock* view) const { UnmapViewOfFile(view); }
};

struct Request {
  std::uint32_t code;
  HWND wnd;
  DWORD pid;
  std::uint32_t pending;  // the window, when the request says a trigger sent it
  std::uint32_t appWindow;
  bool secret;  // the block's secret came with it
};

std::uint32_t Id(HWND wnd) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(wnd)); }

// Everything the suite shares: the block, the recorder window, the probe.
struct World {
  UniqueHandle mapping;
  std::unique_ptr<TMemBlock, UnmapDeleter> block;
  UniqueHandle marksMapping;  // the marks' section, empty until a test writes marks
  TMarkTable* marks = nullptr;
  HWND recorder = nullptr;
  std::vector<Request> requests;
  int setHookResult = 0;
  UniqueHandle probeProcess;
  DWORD probePid = 0;
  HWND probeControl = nullptr;
  HWND probeFirst = nullptr;
  WPARAM lastPong = 0;
};
World* g_world = nullptr;

LRESULT CALLBACK RecorderProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    if (msg == WM_COPYDATA) {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      TRequestPayload payload{};
      if (data->cbData == sizeof payload) std::memcpy(&payload, data->lpData, sizeof payload);
      Request request{static_cast<std::uint32_t>(wParam), reinterpret_cast<HWND>(data->dwData), 0,
                      (payload.Flags & RequestFromTrigger) ? static_cast<std::uint32_t>(data->dwData) : 0u,
                      payload.AppWindow,
                      data->cbData == sizeof payload &&
                          std::memcmp(payload.Secret, g_world->block->RequestSecret, RequestSecretSize) == 0};
      GetWindowThreadProcessId(request.wnd, &request.pid);
      g_world->requests.push_back(request);
      return 0;
    }
    if (msg == kReady) {
      g_world->probeFirst = reinterpret_cast<HWND>(wParam);
      g_world->probeControl = reinterpret_cast<HWND>(lParam);
      return 0;
    }
    if (msg == kPong) {
      g_world->lastPong = wParam;
      return 0;
    }
  } catch (...) {
  }
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

// Pumps messages until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50)),
                              QS_ALLINPUT);
  }
}

class HookContract : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_world = new World;
    World& w = *g_world;
    // Made as Velmora makes it: the library uses no block that another user made.
    w.mapping.reset(test::CreateOwnLevelSection(MemBlockName, sizeof(TMemBlock)));
    if (!w.mapping) return;
    w.block.reset(static_cast<TMemBlock*>(
        MapViewOfFile(w.mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(TMemBlock))));

    WNDCLASSEXA cls{};
    cls.cbSize = sizeof(cls);
    cls.lpfnWndProc = RecorderProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "TFOrvane";
    RegisterClassExA(&cls);
    w.recorder = CreateWindowExA(0, cls.lpszClassName, "Velmora 4.6.3", WS_POPUP, 0, 0, 0, 0, nullptr,
                                 nullptr, cls.hInstance, nullptr);
    w.marksMapping.reset(test::CreateOwnLevelSection(MarkTableName, sizeof(TMarkTable)));
    if (w.marksMapping)
      w.marks = static_cast<TMarkTable*>(MapViewOfFile(w.marksMapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!w.block || !w.recorder || !w.marks) return;
    w.block->MainWindow = Id(w.recorder);
    w.block->HookOwnerPid = GetCurrentProcessId();
    for (std::size_t i = 0; i < RequestSecretSize; ++i) w.block->RequestSecret[i] = static_cast<std::uint8_t>(0xA5 ^ i);
    w.setHookResult = SetHook();

    // The probe lives in the folder of this program.
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of("\\/") + 1);
    const std::string probe = folder + "hook_probe.exe";
    std::string commandLine = "\"" + probe + "\" " +
                              std::to_string(reinterpret_cast<std::intptr_t>(w.recorder)) +
                              " VelmoraProbeWindow \"Probe window\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(probe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
      return;
    }
    CloseHandle(info.hThread);
    w.probeProcess.reset(info.hProcess);
    w.probePid = info.dwProcessId;
    WaitFor([&] { return w.probeControl != nullptr; }, 15000);
  }

  static void TearDownTestSuite() {
    World& w = *g_world;
    UnSetHook();
    if (w.probeControl != nullptr) PostMessageA(w.probeControl, kQuit, 0, 0);
    if (w.probeProcess && WaitForSingleObject(w.probeProcess.get(), 5000) != WAIT_OBJECT_0) {
      TerminateProcess(w.probeProcess.get(), 1);
    }
    if (w.recorder != nullptr) DestroyWindow(w.recorder);
    if (w.marks != nullptr) UnmapViewOfFile(w.marks);
    delete g_world;
    g_world = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(world().block) << "shared block not created";
    ASSERT_NE(world().probeControl, nullptr) << "probe did not start";
    TMemBlock& b = block();
    b.MainWindow = Id(world().recorder);
    b.ButtonCode = 0;
    b.HoldKeyCode = 0;
    world().requests.clear();
  }

  static World& world() { return *g_world; }
  static TMemBlock& block() { return *g_world->block; }

  // Runs a command on the probe's thread; the probe's requests arrive meanwhile.
  static LRESULT Command(UINT command, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(world().probeControl, command, wParam, lParam, SMTO_NORMAL, 5000, &result);
    return static_cast<LRESULT>(result);
  }

  static HWND Create(const char* className, HWND owner = nullptr, UINT command = kCreate) {
    const ATOM atom = GlobalAddAtomA(className);
    const auto wnd = reinterpret_cast<HWND>(Command(command, atom, reinterpret_cast<LPARAM>(owner)));
    GlobalDeleteAtom(atom);
    return wnd;
  }

  static void Show(HWND wnd, int show) { Command(kShow, reinterpret_cast<WPARAM>(wnd), show); }
  static bool Activate(HWND wnd) { return Command(kActivate, reinterpret_cast<WPARAM>(wnd)) == 1; }

  // Returns once the probe has handled everything posted to it before.
  static void Sync() {
    static WPARAM cookie = 0;
    const WPARAM mine = ++cookie;
    PostMessageA(world().probeControl, kPing, mine, 0);
    EXPECT_TRUE(WaitFor([&] { return world().lastPong == mine; })) << "probe did not answer";
  }

  // The probe's requests, optionally only those of one code.
  static std::vector<Request> ProbeRequests(std::uint32_t code = 0) {
    std::vector<Request> out;
    for (const Request& r : world().requests) {
      if (r.pid == world().probePid && (code == 0 || r.code == code)) out.push_back(r);
    }
    return out;
  }

  static std::vector<std::uint32_t> CodesFor(HWND wnd) {
    std::vector<std::uint32_t> codes;
    for (const Request& r : world().requests) {
      if (r.wnd == wnd) codes.push_back(r.code);
    }
    return codes;
  }

  static int Count(HWND wnd, std::uint32_t code) {
    const auto codes = CodesFor(wnd);
    return static_cast<int>(std::count(codes.begin(), codes.end(), code));
  }

  // One mark with its rules, or none; the probe's process watched (for a minute, as the instance
  // created then) or not.
  static void SetMark(const std::string& key, std::uint8_t rules, bool watchProbe = false, std::uint64_t created = 0) {
    TMarkTable& t = *world().marks;
    t.Count = key.empty() ? 0 : 1;
    t.Marks[0].Rules = rules;
    t.Marks[0].Length = static_cast<std::uint8_t>(key.size());
    std::copy(key.begin(), key.end(), t.Marks[0].Key);
    FILETIME probe{}, unused[3]{};
    GetProcessTimes(world().probeProcess.get(), &probe, &unused[0], &unused[1], &unused[2]);
    created = created ? created : JoinHalves(probe.dwLowDateTime, probe.dwHighDateTime);
    t.Watched[0] = MakeWatchSlot(watchProbe ? world().probePid : 0, created, GetTickCount64() + WatchLifetimeMs);
  }

  // Shift held at a click on the button of the foreground window, taken by the probe only after Shift is up.
  static void ClickWithShiftWhileBusy(HWND wnd, LRESULT hit) {
    INPUT shift[2] = {{INPUT_KEYBOARD, {}}, {INPUT_KEYBOARD, {}}};
    shift[0].ki.wVk = shift[1].ki.wVk = VK_SHIFT;
    shift[1].ki.dwFlags = KEYEVENTF_KEYUP;
    const auto busyThenShift = [&] {
      PostMessageA(world().probeControl, kBusy, 700, 0);
      Sleep(100);
      SendInput(1, &shift[0], sizeof(INPUT));
    };
    EXPECT_TRUE(SetForegroundWindow(wnd) &&
                test::ClickTitleButton(wnd, hit, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, busyThenShift));
    SendInput(1, &shift[1], sizeof(INPUT));
  }

  static void ClickButton(HWND wnd, LRESULT hit, DWORD down, DWORD up) {
    EXPECT_TRUE(test::ClickTitleButton(wnd, hit, down, up)) << "no point of the title bar hits " << hit;
    Sync();
  }

  // Returns once the probe sees Shift in the wanted state. Under Wine a key
  // press can be undone by the X server's idea of the keyboard, so it is repeated.
  static bool PressShift(bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_SHIFT;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    for (int attempt = 0; attempt < 5; ++attempt) {
      SendInput(1, &input, sizeof(input));
      if (WaitFor([&] { return (Command(kKeyDown, VK_SHIFT) == 1) == down; }, 500)) return true;
    }
    return false;
  }
};

TEST_F(HookContract, SetHookInstallsAndVelmorasOwnWindowsAreNotReported) {
  EXPECT_NE(world().setHookResult, 0);

  // A window of this process (Velmora's, as far as the library knows).
  HWND own = CreateWindowExA(0, "TFOrvane", "own", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(own, nullptr);
  ShowWindow(own, SW_MINIMIZE);
  DestroyWindow(own);
  WaitFor([] { return false; }, 200);
  EXPECT_TRUE(CodesFor(own).empty());
}

TEST_F(HookContract, EachMinimizeOfATopLevelWindowIsReportedOnce) {
  HWND wnd = Create("VelmoraProbeWindow");
  ASSERT_NE(wnd, nullptr);
  world().requests.clear();

  Show(wnd, SW_MINIMIZE);
  EXPECT_EQ(Count(wnd, RQ_MINIMIZING), 1);

  // The minimize command and the minimize it leads to are one minimize.
  Show(wnd, SW_RESTORE);
  world().requests.clear();
  DWORD_PTR result = 0;
  SendMessageTimeoutA(wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0, SMTO_NORMAL, 5000, &result);
  EXPECT_TRUE(IsIconic(wnd));
  EXPECT_EQ(Count(wnd, RQ_MINIMIZING), 1);

  Show(wnd, SW_RESTORE);
  world().requests.clear();
  PostMessageA(wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Sync();
  EXPECT_EQ(Count(wnd, RQ_MINIMIZING), 1);

  Show(wnd, SW_RESTORE);
  world().requests.clear();
  Show(wnd, SW_SHOWMINNOACTIVE);
  EXPECT_EQ(Count(wnd, RQ_MINIMIZING), 1);

  // Restoring and maximizing are no minimize.
  world().requests.clear();
  Show(wnd, SW_RESTORE);
  Show(wnd, SW_MAXIMIZE);
  EXPECT_EQ(Count(wnd, RQ_MINIMIZING), 0);

  // Child windows are not reported at all.
  HWND child = Create("VelmoraProbeChild", wnd, kCreateChild);
  ASSERT_NE(child, nullptr);
  Show(child, SW_MINIMIZE);
  Command(kDestroy, reinterpret_cast<WPARAM>(child));
  EXPECT_TRUE(CodesFor(child).empty());
  Command(kDestroy, reinterpret_cast<WPARAM>(wnd));
}

TEST_F(HookContract, ActivationReportsThenAsksForTheTrayItemUntilTheMenuHasIt) {
  HWND one = Create("VelmoraProbeWindow");
  HWND two = Create("VelmoraProbeWindow");
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  ASSERT_TRUE(Activate(two));
  world().requests.clear();

  ASSERT_TRUE(Activate(one));
  EXPECT_EQ(CodesFor(one), (std::vector<std::uint32_t>{RQ_ACTIVATED, RQ_ADD_ITEM}));

  ASSERT_EQ(Command(kAddTrayItem, reinterpret_cast<WPARAM>(one)), 1);
  ASSERT_TRUE(Activate(two));
  world().requests.clear();
  ASSERT_TRUE(Activate(one));
  EXPECT_EQ(CodesFor(one), (std::vector<std::uint32_t>{RQ_ACTIVATED}));
  Command(kDestroy, reinterpret_cast<WPARAM>(one));
  Command(kDestroy, reinterpret_cast<WPARAM>(two));
}

TEST_F(HookContract, OpeningTheSystemMenuAsksForTheTrayItemWhenMissing) {
  HWND wnd = Create("VelmoraProbeWindow");
  ASSERT_NE(wnd, nullptr);
  world().requests.clear();
  DWORD_PTR result = 0;
  auto initPopup = [&](bool systemMenu) {
    SendMessageTimeoutA(wnd, WM_INITMENUPOPUP, 0, MAKELPARAM(0, systemMenu ? 1 : 0), SMTO_NORMAL, 5000,
                        &result);
  };

  initPopup(false);  // an ordinary popup menu
  EXPECT_TRUE(CodesFor(wnd).empty());
  initPopup(true);
  EXPECT_EQ(CodesFor(wnd), (std::vector<std::uint32_t>{RQ_ADD_ITEM}));

  ASSERT_EQ(Command(kAddTrayItem, reinterpret_cast<WPARAM>(wnd)), 1);
  world().requests.clear();
  initPopup(true);
  EXPECT_TRUE(CodesFor(wnd).empty());
  Command(kDestroy, reinterpret_cast<WPARAM>(wnd));
}

TEST_F(HookContract, ChoosingTheTrayItemIsReportedOnceWhetherPostedOrSent) {
  HWND wnd = Create("VelmoraProbeWindow");
  ASSERT_NE(wnd, nullptr);
  world().requests.clear();

  PostMessageA(wnd, WM_SYSCOMMAND, IDM_TRAY_ITEM, 0);
  ASSERT_TRUE(WaitFor([&] { return Count(wnd, RQ_ITEM_CHOSEN) > 0; }));
  Sync();
  EXPECT_EQ(Count(wnd, RQ_ITEM_CHOSEN), 1);

  world().requests.clear();
  DWORD_PTR result = 0;
  // The low four bits of a system command are the system's own.
  SendMessageTimeoutA(wnd, WM_SYSCOMMAND, IDM_TRAY_ITEM | 3, 0, SMTO_NORMAL, 5000, &result);
  EXPECT_EQ(Count(wnd, RQ_ITEM_CHOSEN), 1);

  world().requests.clear();
  SendMessageTimeoutA(wnd, WM_SYSCOMMAND, IDM_TRAY_SEPARATOR + 0x10, 0, SMTO_NORMAL, 5000, &result);
  PostMessageA(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  Sync();
  EXPECT_EQ(Count(wnd, RQ_ITEM_CHOSEN), 0);
  Command(kDestroy, reinterpret_cast<WPARAM>(wnd));
}

TEST_F(HookContract, DestroyingATopLevelWindowIsReportedWhileItStillExists) {
  HWND wnd = Create("VelmoraProbeWindow");
  HWND child = Create("VelmoraProbeChild", wnd, kCreateChild);
  ASSERT_NE(wnd, nullptr);
  ASSERT_NE(child, nullptr);
  world().requests.clear();

  ASSERT_EQ(Command(kDestroy, reinterpret_cast<WPARAM>(wnd)), 1);
  const auto destroyed = ProbeRequests(RQ_DESTROYED);
  ASSERT_EQ(destroyed.size(), 1u);
  EXPECT_EQ(destroyed[0].wnd, wnd);
  // The owner's process was read while the window still existed.
  EXPECT_EQ(destroyed[0].pid, world().probePid);
  EXPECT_TRUE(CodesFor(child).empty());
}

// The library reads marks under Velmora's keys: a shared class by its program, "<program>|<family>".
TEST_F(HookContract, GenericClassesAreKeyedByTheirProgram) {
  for (const test::ClassKeyCase& c : test::ClassKeyCases) {
    if (std::string(c.cls) == "#32770") continue;  // a dialog box never opens to the tray
    SetMark(*c.suffix ? "hook_probe.exe" + std::string(c.suffix) : c.cls, RuleHideOnOpen);
    HWND wnd = Create(c.cls, nullptr, kCreateHidden);
    Show(wnd, SW_SHOW);
    EXPECT_EQ(Count(wnd, RQ_OPENED), 1) << c.cls;
    Command(kDestroy, reinterpret_cast<WPARAM>(wnd));
  }
  // A store app's frame whose app cannot be told has no key, under which nothing is marked.
  SetMark("ApplicationFrameWindow", RuleHideOnOpen);
  HWND frame = Create("ApplicationFrameWindow", nullptr, kCreateHidden);
  Show(frame, SW_SHOW);
  EXPECT_EQ(Count(frame, RQ_OPENED), 0);
  SetMark("", 0);
  Command(kDestroy, reinterpret_cast<WPARAM>(frame));
}

TEST_F(HookContract, FormsOfATApplicationAnnounceTheApplicationThenTheForm) {
  HWND app = Create("TApplication", nullptr, kCreateHidden);
  ASSERT_NE(app, nullptr);
  // Shown without activation: the first activation is the test's.
  HWND form = Create("TProbeForm", app, kCreateHidden);
  HWND other = Create("TProbeOtherForm", app, kCreateHidden);
  ASSERT_NE(form, nullptr);
  ASSERT_NE(other, nullptr);
  Show(form, SW_SHOWNA);
  Show(other, SW_SHOWNA);
  HWND plain = Create("VelmoraProbeWindow");
  ASSERT_TRUE(Activate(plain));
  world().requests.clear();

  ASSERT_TRUE(Activate(form));
  auto requests = ProbeRequests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].code, RQ_APP_WINDOW);
  EXPECT_EQ(requests[0].wnd, app);
  EXPECT_EQ(requests[0].appWindow, Id(form)) << "the form whose class keys it";
  EXPECT_EQ(requests[1].code, RQ_APP_FORM);
  EXPECT_EQ(requests[1].wnd, form);
  EXPECT_EQ(requests[1].appWindow, Id(app));
  // The tray item of such forms is Velmora's business through the link: no 47.
  EXPECT_EQ(requests[2].code, RQ_ACTIVATED);
  EXPECT_EQ(requests[2].wnd, form);

  // Each is announced once.
  ASSERT_TRUE(Activate(plain));
  world().requests.clear();
  ASSERT_TRUE(Activate(form));
  EXPECT_EQ(CodesFor(form), (std::vector<std::uint32_t>{RQ_ACTIVATED}));
  EXPECT_EQ(Count(app, RQ_APP_WINDOW), 0);

  // A second form of the same application: only the form.
  world().requests.clear();
  ASSERT_TRUE(Activate(other));
  requests = ProbeRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].code, RQ_APP_FORM);
  EXPECT_EQ(requests[0].wnd, other);
  EXPECT_EQ(requests[0].appWindow, Id(app));
  EXPECT_EQ(requests[1].code, RQ_ACTIVATED);

  // A restarted Velmora (another main window) hears about both again.
  HWND oldMain = world().recorder;
  HWND newMain = CreateWindowExA(0, "TFOrvane", "Velmora 4.6.3", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(newMain, nullptr);
  block().MainWindow = Id(newMain);
  ASSERT_TRUE(Activate(plain));
  world().requests.clear();
  ASSERT_TRUE(Activate(form));
  EXPECT_EQ(Count(app, RQ_APP_WINDOW), 1);
  EXPECT_EQ(Count(form, RQ_APP_FORM), 1);
  block().MainWindow = Id(oldMain);
  DestroyWindow(newMain);

  for (HWND wnd : {form, other, app, plain}) Command(kDestroy, reinterpret_cast<WPARAM>(wnd));
}

TEST_F(HookContract, TaskbarCreatedIsReportedByTheTaskbarWindowOnly) {
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  HWND tray = Create("Shell_TrayWnd", nullptr, kCreateHidden);
  HWND plain = Create("VelmoraProbeWindow");
  ASSERT_NE(tray, nullptr);
  world().requests.clear();

  // Sent, as the broadcast reaches the windows; a posted one passes no hook
  // (Velmora's own main window takes the broadcast itself).
  DWORD_PTR result = 0;
  SendMessageTimeoutA(plain, taskbarCreated, 0, 0, SMTO_NORMAL, 5000, &result);
  SendMessageTimeoutA(tray, taskbarCreated, 0, 0, SMTO_NORMAL, 5000, &result);
  EXPECT_EQ(Count(tray, RQ_SHELL_RESTART), 1);
  EXPECT_EQ(ProbeRequests(RQ_SHELL_RESTART).size(), 1u);
  for (HWND wnd : {tray, plain}) Command(kDestroy, reinterpret_cast<WPARAM>(wnd));
}

TEST_F(HookContract, RightClickOnTheChosenButtonMinimizesThePendingWindow) {
  HWND wnd = Create("VelmoraProbeWindow");
  ASSERT_NE(wnd, nullptr);
  auto rightClick = [&](WPARAM hit) { ClickButton(wnd, hit, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); };

  block().ButtonCode = HitMinButton;
  world().requests.clear();
  LRESULT seen = Command(kRightClicksSeen);
  rightClick(HTMINBUTTON);
  ASSERT_TRUE(WaitFor([&] { return Count(wnd, RQ_MINIMIZING) > 0; }));
  const auto minimized = ProbeRequests(RQ_MINIMIZING);
  ASSERT_EQ(minimized.size(), 1u);
  EXPECT_EQ(minimized[0].pending, Id(wnd));
  EXPECT_TRUE(minimized[0].secret);
  EXPECT_TRUE(WaitFor([&] { return IsIconic(wnd) != FALSE; }));
  EXPECT_EQ(Command(kRightClicksSeen), seen) << "the click reached the window";

  // Another button: the click goes through untouched.
  Show(wnd, SW_RESTORE);
  world().requests.clear();
  rightClick(HTCLOSE);
  // Input comes after posted messages: a ping could be answered before the click is handled.
  EXPECT_TRUE(WaitFor([&] { return Command(kRightClicksSeen) == seen + 2; }));
  EXPECT_EQ(Count(wnd, RQ_MINIMIZING), 0);
  EXPECT_FALSE(IsIconic(wnd));

  // "Any of the three", and no trigger at all.
  block().ButtonCode = HitAnyButton;
  world().requests.clear();
  rightClick(HTCLOSE);
  ASSERT_TRUE(WaitFor([&] { return Count(wnd, RQ_MINIMIZING) > 0; }));
  EXPECT_EQ(Command(kRightClicksSeen), seen + 2);

  Show(wnd, SW_RESTORE);
  block().ButtonCode = 0;
  world().requests.clear();
  rightClick(HTMINBUTTON);
  EXPECT_TRUE(WaitFor([&] { return Command(kRightClicksSeen) == seen + 4; }));
  EXPECT_EQ(Count(wnd, RQ_MINIMIZING), 0);
  Command(kDestroy, reinterpret_cast<WPARAM>(wnd));
}

// The library decides from the marks' section alone. A click on the close button of a window
// whose mark closes to the tray minimizes it as the pending one; Shift + click, or a mark without
// the rule, closes. A window's first showing is reported when its mark hides on open or its
// process (this instance of it) is watched; never again once shown, never for an owned window or a
// dialog box, nor for a window shown before the rule or created while Velmora did not run.
TEST_F(HookContract, CloseButtonsAndFirstShowingsAreDecidedFromTheMarksSection) {
  auto click = [](HWND wnd) { ClickButton(wnd, HTCLOSE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); };
  SetMark("velmoraprobewindow", RuleCloseToTray);
  HWND wnd = Create("VelmoraProbeWindow");
  ASSERT_NE(wnd, nullptr);
  world().requests.clear();
  click(wnd);
  ASSERT_TRUE(WaitFor([&] { return Count(wnd, RQ_MINIMIZING) > 0; }));
  EXPECT_EQ(ProbeRequests(RQ_MINIMIZING)[0].pending, Id(wnd));
  EXPECT_TRUE(WaitFor([&] { return IsIconic(wnd) != FALSE; }));
  Show(wnd, SW_RESTORE);
  ASSERT_TRUE(PressShift(true));
  click(wnd);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(wnd); })) << "Shift + click did not close";
  ASSERT_TRUE(PressShift(false));

  HWND before = Create("VelmoraProbeWindow");  // shown before its mark got the rule
  block().MainWindow = 0;
  HWND outside = Create("VelmoraProbeWindow", nullptr, kCreateHidden);  // created while Velmora did not run
  block().MainWindow = Id(world().recorder);
  SetMark("VelmoraProbeWindow", RuleHideOnOpen);
  wnd = Create("VelmoraProbeWindow", nullptr, kCreateHidden);
  HWND owned = Create("VelmoraProbeWindow", wnd), plain = Create("VelmoraPlainWindow");
  for (int show : {SW_SHOW, SW_HIDE, SW_SHOW, SW_HIDE, SW_SHOW})
    for (HWND w : {before, outside, wnd}) Show(w, show);
  EXPECT_EQ(Count(wnd, RQ_OPENED), 1);
  EXPECT_EQ(Count(owned, RQ_OPENED) + Count(plain, RQ_OPENED), 0);
  EXPECT_EQ(Count(before, RQ_OPENED) + Count(outside, RQ_OPENED), 0) << "open before the rule, or before Velmora";
  click(wnd);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(wnd); })) << "a mark without the rule kept its window";

  SetMark("", 0, true, 1);  // the watch of an earlier process that had the probe's id
  HWND earlier = Create("VelmoraPlainWindow");
  SetMark("", 0, true);
  HWND dialog = Create("", nullptr, kCreateDialog), started = Create("VelmoraPlainWindow");
  EXPECT_EQ(Count(dialog, RQ_OPENED) + Count(earlier, RQ_OPENED), 0);
  EXPECT_EQ(Count(started, RQ_OPENED), 1) << "the watched process's window";
  SetMark("", 0);
  for (HWND w : {owned, plain, dialog, started, before, outside, earlier})
    Command(kDestroy, reinterpret_cast<WPARAM>(w));
}

// Close to the tray is for main windows: a modal window of a program whose family is marked (a Qt
// program's dialog) closes as ever and gives its owner back.
TEST_F(HookContract, AModalWindowOfAMarkedFamilyClosesAsEver) {
  SetMark("hook_probe.exe|QtWindow", RuleCloseToTray);
  HWND main = Create("Qt5QWindowIcon");
  EnableWindow(main, FALSE);
  HWND modal = Create("Qt5QWindowIcon", main);
  ClickButton(modal, HTCLOSE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(modal) && IsWindowEnabled(main); })) << "hidden, its owner disabled";
  EXPECT_EQ(Count(modal, RQ_MINIMIZING), 0);
  SetMark("", 0);
  Command(kDestroy, reinterpret_cast<WPARAM>(main));
}

// A busy program takes a click late: Shift held at the click and let go before the program takes it
// counts as held. The close button closes; the hold key makes the minimized window pending.
TEST_F(HookContract, HeldKeysAreThoseOfTheClickWhenABusyProgramTakesItLate) {
  SetMark("VelmoraProbeWindow", RuleCloseToTray);
  HWND wnd = Create("VelmoraProbeWindow");
  ClickWithShiftWhileBusy(wnd, HTCLOSE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(wnd); })) << "Shift + click, taken late, did not close";
  SetMark("", 0);
  block().HoldKeyCode = 1;
  wnd = Create("VelmoraProbeWindow");
  ClickWithShiftWhileBusy(wnd, HTMINBUTTON);
  EXPECT_TRUE(WaitFor([&] {
    const auto minimized = ProbeRequests(RQ_MINIMIZING);
    return IsIconic(wnd) && !minimized.empty() && minimized.back().pending == Id(wnd);
  })) << "the hold key, late";
  block().HoldKeyCode = 0;
  Command(kDestroy, reinterpret_cast<WPARAM>(wnd));
}

TEST_F(HookContract, MinimizingWithTheHoldKeyMakesTheWindowPending) {
  HWND wnd = Create("VelmoraProbeWindow");
  ASSERT_NE(wnd, nullptr);
  // Without a change of focus: under Wine a focus change re-reads the modifier
  // keys from the X server, which knows nothing of SendInput's Shift.
  Show(wnd, SW_SHOWMINNOACTIVE);
  WaitFor([] { return false; }, 300);
  auto minimize = [&](bool shift) {
    Show(wnd, SW_SHOWNOACTIVATE);
    world().requests.clear();
    if (shift) {
      EXPECT_TRUE(PressShift(true)) << "Shift never reached the probe";
    }
    Show(wnd, SW_SHOWMINNOACTIVE);
    if (shift) PressShift(false);
    const auto minimized = ProbeRequests(RQ_MINIMIZING);
    EXPECT_EQ(minimized.size(), 1u);
    return minimized.empty() ? 0xFFFFFFFFu : minimized[0].pending;
  };

  block().HoldKeyCode = 1;  // Shift
  EXPECT_EQ(minimize(true), Id(wnd));
  EXPECT_EQ(minimize(false), 0u);
  block().HoldKeyCode = 3;  // either
  EXPECT_EQ(minimize(true), Id(wnd));
  block().HoldKeyCode = 2;  // Control, while Shift is held
  EXPECT_EQ(minimize(true), 0u);
  block().HoldKeyCode = 0;
  EXPECT_EQ(minimize(true), 0u);
  Command(kDestroy, reinterpret_cast<WPARAM>(wnd));
}

TEST_F(HookContract, NothingIsSentWhileThereIsNoMainWindow) {
  HWND wnd = Create("VelmoraProbeWindow");
  HWND other = Create("VelmoraProbeWindow");
  ASSERT_NE(wnd, nullptr);
  block().MainWindow = 0;
  block().ButtonCode = HitAnyButton;
  world().requests.clear();

  ASSERT_TRUE(Activate(other));
  ASSERT_TRUE(Activate(wnd));
  Show(wnd, SW_MINIMIZE);
  PostMessageA(wnd, WM_SYSCOMMAND, IDM_TRAY_ITEM, 0);
  PostMessageA(wnd, WM_NCRBUTTONUP, HTCLOSE, 0);
  Command(kDestroy, reinterpret_cast<WPARAM>(other));
  Sync();
  Sync();
  EXPECT_TRUE(ProbeRequests().empty());
  block().MainWindow = Id(world().recorder);
  Command(kDestroy, reinterpret_cast<WPARAM>(wnd));
}

TEST_F(HookContract, UnSetHookStopsTheReportsAndSetHookResumesThem) {
  HWND wnd = Create("VelmoraProbeWindow");
  ASSERT_NE(wnd, nullptr);
  UnSetHook();
  world().requests.clear();
  Show(wnd, SW_MINIMIZE);
  Show(wnd, SW_RESTORE);
  EXPECT_TRUE(CodesFor(wnd).empty());

  ASSERT_NE(SetHook(), 0);
  world().requests.clear();
  Show(wnd, SW_MINIMIZE);
  EXPECT_EQ(Count(wnd, RQ_MINIMIZING), 1);
  Command(kDestroy, reinterpret_cast<WPARAM>(wnd));
}

// Views of files mapped into this process (Wine counts no handles; views it does).
int MappedViews() {
  int views = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (auto* at = static_cast<char*>(nullptr); VirtualQuery(at, &region, sizeof region) == sizeof region;
       at = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
    if (region.Type == MEM_MAPPED && region.BaseAddress == region.AllocationBase) ++views;
  }
  return views;
}

// A library a program frees while it goes on (as a host does once the hooks
// are gone) unmaps what it mapped there: a copy is loaded beside the linked one.
TEST_F(HookContract, ALibraryFreedByAProgramThatGoesOnLeavesNoViewMapped) {
  char path[MAX_PATH], copy[MAX_PATH], temp[MAX_PATH];
  GetModuleFileNameA(GetModuleHandleA("LibOrvane.dll"), path, MAX_PATH);
  ASSERT_TRUE(GetTempPathA(MAX_PATH, temp) && GetTempFileNameA(temp, "lib", 0, copy) && CopyFileA(path, copy, FALSE));
  const int before = MappedViews();
  HMODULE library = LoadLibraryA(copy);
  ASSERT_NE(library, nullptr);
  const auto set = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(library, "SetHook")));
  const auto unset = reinterpret_cast<void (*)()>(reinterpret_cast<void*>(GetProcAddress(library, "UnSetHook")));
  EXPECT_NE(set(), 0);
  EXPECT_EQ(MappedViews(), before + 1);
  unset();
  FreeLibrary(library);
  EXPECT_EQ(MappedViews(), before);
  DeleteFileA(copy);
}

}  // namespace
}  // namespace velmora
