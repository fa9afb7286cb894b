// gui_objects.exe: GDI and USER objects of Velmora's own code before and after
// 1,000 hide/restore cycles, 10,000 count icons, 1,000 menu pop-ups and 200
// showings of the options dialog; and how long the drawn list menu of 1,000
// hidden windows takes to come up.
//
//   gui_objects.exe [--cycles N] [--draws N] [--popups N] [--bin-dir DIR]
//
// Velmora's main form runs in this process on the real adapters, as in
// Velmora.exe, with a hidden window of its own as host. The hook library is
// left out: the form's shared block is never mapped, so no hooks are set. The
// window it hides and restores belongs to probe.exe (from DIR, by default
// this program's folder), since Velmora never hides a window of its own
// process.
//
// Two measures, both printed:
//  - GetGuiResources of this process (Windows; Wine answers 0);
//  - the handle slot level: fresh objects (brushes for GDI, menus for USER)
//    are made until they land beyond every free slot; the slot of the last
//    one, less their number, moves up by one for each object that stays
//    alive meanwhile. Wine's GDI slots are this process's, its USER slots
//    those of every process on the server. A deliberate leak of 100 of each
//    at the end shows the measure at work.
#include "win32/Win32Api.h"

#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Harness.h"
#include "Probe.h"
#include "app/Win32Ports.h"
#include "main/TFOrvane.h"
#include "ui/ChangeHotkeyDialog.h"
#include "ui/OptionsDialog.h"
#include "win32/Convert.h"
#include "win32/Raii.h"

namespace velmora::bench {
namespace {

using namespace std::chrono_literals;

constexpr int kDefaultCycles = 1000;
constexpr int kDefaultDraws = 10000;
constexpr int kDefaultPopups = 1000;
constexpr int kBigMenuWindows = 1000;
constexpr int kDialogShowings = 200;
constexpr int kLeak = 100;
constexpr double kStepTimeoutMs = 5000;

// --- the slot level ---------------------------------------------------------------

struct MenuDeleter {
  void operator()(HMENU menu) const noexcept { ::DestroyMenu(menu); }
};
using UniqueMenu = UniqueOf<HMENU, MenuDeleter>;

std::uint32_t SlotBits(const void* handle) {
  return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(handle) & 0xFFFF);
}

struct SlotLevel {
  bool ok = false;
  long level = 0;
};

// Objects made one after another beyond every free slot get slots in a
// steady rising step, and the last one has the highest slot of all.
bool BeyondFreeSlots(const std::vector<std::uint32_t>& bits, std::uint32_t& step) {
  constexpr std::size_t kTail = 64;
  if (bits.size() < kTail + 1) return false;
  const std::size_t from = bits.size() - kTail;
  if (bits.back() <= bits[from - 1]) return false;
  step = bits.back() - bits[bits.size() - 2];
  if (step == 0 || step > 4) return false;
  for (std::size_t i = from; i < bits.size(); ++i)
    if (bits[i] != bits[i - 1] + step) return false;
  return *std::max_element(bits.begin(), bits.end()) == bits.back();
}

// Makes `count` fresh objects (doubling until they reach beyond the free
// slots), reads the level, and frees them highest slot first, so that the
// next reading gets the same slots back lowest first.
template <class Unique, class Make>
SlotLevel ReadSlotLevel(Make make) {
  for (std::size_t count = 1024; count <= 8192; count *= 2) {
    std::vector<Unique> made;
    made.reserve(count);
    std::vector<std::uint32_t> bits;
    bits.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      Unique object(make());
      if (!object) break;
      bits.push_back(SlotBits(object.get()));
      made.push_back(std::move(object));
    }
    std::uint32_t step = 1;
    const bool beyond = made.size() == count && BeyondFreeSlots(bits, step);
    SlotLevel reading;
    if (beyond) {
      reading.ok = true;
      reading.level = static_cast<long>(bits.back() / step) - static_cast<long>(count - 1);
    }
    std::sort(made.begin(), made.end(), [](const Unique& a, const Unique& b) {
      return SlotBits(a.get()) > SlotBits(b.get());
    });
    made.clear();  // in that order
    if (beyond) return reading;
  }
  return {};
}

SlotLevel GdiSlots() {
  return ReadSlotLevel<UniqueBrush>([] { return ::CreateSolidBrush(RGB(1, 2, 3)); });
}
SlotLevel UserSlots() {
  return ReadSlotLevel<UniqueMenu>([] { return ::CreatePopupMenu(); });
}

// --- readings ----------------------------------------------------------------------

struct Reading {
  std::string when;
  DWORD gdi = 0, user = 0;  // GetGuiResources
  SlotLevel gdiSlots, userSlots;
};

Reading Read(std::string when) {
  Reading r;
  r.when = std::move(when);
  r.gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  r.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  r.gdiSlots = GdiSlots();
  r.userSlots = UserSlots();
  return r;
}

std::string Level(const SlotLevel& s) { return s.ok ? std::to_string(s.level) : std::string("n/a"); }
std::string Growth(const SlotLevel& from, const SlotLevel& to) {
  if (!from.ok || !to.ok) return "n/a";
  const long d = to.level - from.level;
  return (d > 0 ? "+" : "") + std::to_string(d);
}
std::string Growth(DWORD from, DWORD to) {
  const long d = static_cast<long>(to) - static_cast<long>(from);
  return (d > 0 ? "+" : "") + std::to_string(d);
}

void PrintHeader() {
  std::printf("\n%-44s %22s   %22s\n", "", "GetGuiResources", "handle slot level");
  std::printf("%-44s %10s %11s   %10s %11s\n", "", "GDI", "USER", "GDI", "USER");
}
void PrintReading(const Reading& r) {
  std::printf("%-44s %10lu %11lu   %10s %11s\n", r.when.c_str(), static_cast<unsigned long>(r.gdi),
              static_cast<unsigned long>(r.user), Level(r.gdiSlots).c_str(), Level(r.userSlots).c_str());
}
void PrintGrowth(const char* what, const Reading& a, const Reading& b) {
  std::printf("%-44s %10s %11s   %10s %11s\n", what, Growth(a.gdi, b.gdi).c_str(), Growth(a.user, b.user).c_str(),
              Growth(a.gdiSlots, b.gdiSlots).c_str(), Growth(a.userSlots, b.userSlots).c_str());
}

// --- Velmora's form in this process --------------------------------------------------

// The main form's window: hidden, top level, never closed from the logic here.
class BenchHost final : public FormHost {
 public:
  BenchHost() {
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &BenchHost::WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClass;
    ::RegisterClassExA(&wc);
    window_.reset(::CreateWindowExA(WS_EX_TOOLWINDOW, kClass, "Velmora", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    instance, nullptr));
  }
  bool Created() const { return window_ != nullptr; }
  Hwnd Handle() override { return FromHwnd(window_.get()); }
  void SetCaption(std::string_view caption) override { ::SetWindowTextA(window_.get(), std::string(caption).c_str()); }
  void Close() override { closeAsked_ = true; }
  void EndModalLoops() override {}
  bool CloseAsked() const { return closeAsked_; }

 private:
  static constexpr char kClass[] = "VelmoraBenchHost";
  static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    return ::DefWindowProcA(wnd, msg, wParam, lParam);
  }
  UniqueWindow window_;
  bool closeAsked_ = false;
};

class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(::CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (ok_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

template <class Done>
bool PumpUntil(Done done, double timeoutMs) {
  const double until = NowMs() + timeoutMs;
  for (;;) {
    e2e::PumpMessages();
    if (done()) return true;
    if (NowMs() >= until) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
}

// Minimize the probe window, let the form list and hide it, restore it from
// the list. Empty when all went as it should.
std::string HideRestoreCycle(TFOrvane& form, HWND wnd) {
  ::PostMessageW(wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  if (!PumpUntil([&] { return ::IsIconic(wnd) != FALSE; }, kStepTimeoutMs)) return "the probe window did not minimize";
  const Hwnd hwnd = FromHwnd(wnd);
  // CurrentWindow := wnd, InsertIcon(false), then hidden at once, as the sweep does.
  form.InsertIconAndHide(hwnd);
  const TTrayIcon* entry = form.TrayList->FindEntry(hwnd);
  if (!entry) return "the window did not make it into the list";
  if (entry->IconFailed) return "the tray refused the icon";
  if (!PumpUntil([&] { return !::IsWindowVisible(wnd); }, kStepTimeoutMs)) return "the window was not hidden";
  if (!form.TrayList->RestoreWindow(hwnd) && form.TrayList->FindEntry(hwnd)) return "the restore kept the entry";
  if (!PumpUntil([&] { return ::IsWindowVisible(wnd) && !::IsIconic(wnd); }, kStepTimeoutMs))
    return "the window did not come back";
  if (form.TrayList->FindEntry(hwnd)) return "the entry stayed after the restore";
  return {};
}

struct CycleRun {
  int done = 0, failed = 0;
  std::string firstError;
  double ms = 0;
};

CycleRun Cycles(TFOrvane& form, HWND wnd, int count) {
  CycleRun run;
  const double start = NowMs();
  for (int i = 0; i < count; ++i) {
    const std::string error = HideRestoreCycle(form, wnd);
    if (error.empty()) {
      ++run.done;
      continue;
    }
    ++run.failed;
    if (run.firstError.empty()) run.firstError = "cycle " + std::to_string(i + 1) + ": " + error;
    // Bring the window back for the next cycle, whatever state it was left in.
    form.TrayList->RestoreWindow(FromHwnd(wnd));
    ::ShowWindowAsync(wnd, SW_RESTORE);
    PumpUntil([&] { return ::IsWindowVisible(wnd) && !::IsIconic(wnd); }, kStepTimeoutMs);
  }
  run.ms = NowMs() - start;
  return run;
}

struct DrawRun {
  int drawn = 0, failed = 0;
  double ms = 0;
};

// Each icon is handed back as the previous one, as the group icons do; counts
// 1..12 draw both the digit and the mark.
DrawRun Draws(TFOrvane& form, Painter& painter, int count) {
  DrawRun run;
  const Hicon base = form.TrayList->Icons[10];
  Hicon icon;
  const double start = NowMs();
  for (int i = 0; i < count; ++i) {
    icon = form.TrayList->DrawCountIcon(icon, static_cast<std::uint16_t>(i % 12 + 1), base);
    if (icon) ++run.drawn;
    else ++run.failed;
  }
  if (icon) painter.DestroyIcon(icon);
  run.ms = NowMs() - start;
  return run;
}

// --- menu pop-ups ------------------------------------------------------------------

double g_popupShownAt = -1;

// Runs inside the menu's own loop: once the menu is on screen, note the time and close it.
VOID CALLBACK CloseMenuOnceShown(HWND, UINT, UINT_PTR, DWORD) {
  HWND menu = ::FindWindowW(L"#32768", nullptr);
  if (!menu || !::IsWindowVisible(menu)) return;
  if (g_popupShownAt < 0) g_popupShownAt = NowMs();
  ::EndMenu();
}

// The list menu as Velmora pops it up: its fixed items, then one item per window with its icon.
std::vector<MenuEntry> ListMenu(int windows, Hicon icon) {
  std::vector<MenuEntry> items;
  MenuEntry program{.text = "Velmora", .icon = icon, .isDefault = true};
  program.submenu = {{.text = "配置", .command = 6, .icon = icon, .isDefault = true},
                     {.text = "帮助", .command = 1, .icon = icon},
                     {.text = "退出", .command = 2, .icon = icon}};
  items.push_back(program);
  items.push_back({.text = "恢复所有", .command = 3, .icon = icon});
  items.push_back({.text = "恢复 窗口", .heading = true});
  for (int i = 0; i < windows; ++i)
    items.push_back({.text = "Window " + std::to_string(i) + " - 文档", .command = static_cast<std::uint32_t>(100 + i),
                     .icon = icon});
  return items;
}

// Milliseconds from the call until the menu is on screen.
double PopUp(Menus& menus, Hwnd owner, const std::vector<MenuEntry>& items) {
  g_popupShownAt = -1;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 1, CloseMenuOnceShown);
  ::SetForegroundWindow(ToHwnd(owner));
  const double start = NowMs();
  menus.TrackPopupMenu(items, 200, 200, owner, false);
  ::KillTimer(nullptr, timer);
  return g_popupShownAt < 0 ? -1 : g_popupShownAt - start;
}

int Run(int argc, wchar_t** argv) {
  int cycles = kDefaultCycles, draws = kDefaultDraws, popups = kDefaultPopups;
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == L"--cycles" && hasValue) cycles = std::max(1, _wtoi(argv[++i]));
    else if (a == L"--draws" && hasValue) draws = std::max(1, _wtoi(argv[++i]));
    else if (a == L"--popups" && hasValue) popups = std::max(1, _wtoi(argv[++i]));
    else if (a == L"--bin-dir" && hasValue) e2e::SetBinDir(argv[++i]);
    else {
      std::fprintf(stderr, "usage: gui_objects.exe [--cycles N] [--draws N] [--popups N] [--bin-dir DIR]\n");
      return 2;
    }
  }
  std::printf("gui_objects: GDI and USER objects of Velmora's code, %d hide/restore cycles, %d count icons\n", cycles,
              draws);
  std::fflush(stdout);

  // The tray must be up, or every icon would be refused.
  ::GetDesktopWindow();
  if (!e2e::WaitForWindow(L"Shell_TrayWnd", nullptr, 15s)) {
    std::printf("no tray window (Shell_TrayWnd)\n");
    return 1;
  }
  const std::wstring dir = e2e::MakeTempDir(L"velmora-gui-objects");
  std::unique_ptr<ManagedWindows> unmanaged;
  if (UnderWine()) unmanaged = std::make_unique<ManagedWindows>(false);  // else every hide waits two seconds
  e2e::ProbeSpec foreign;
  foreign.cls = L"VelmoraBenchProbe";
  foreign.title = L"Bench window";
  e2e::Probe probe = e2e::Probe::Open(foreign, dir);
  unmanaged.reset();
  if (!probe.Ok()) {
    std::printf("probe.exe did not open its window (looked in %s)\n", e2e::Narrow(e2e::BinDir()).c_str());
    e2e::RemoveDir(dir);
    return 1;
  }
  const HWND wnd = probe.Window();

  int rc = 0;
  {
    // The form loads the settings, and writes the defaults when there are none.
    SettingsValue settings;
    Win32Ports system;
    Ports& ports = system.ports;
    ComApartment com;
    BenchHost host;
    TFOrvane form(ports, host);
    // FormCreate is left out: it maps the shared block, whose presence makes
    // the initial timer set the hooks.
    PumpUntil([&] { return form.TrayList != nullptr; }, 600);
    PumpFor(100);
    if (!host.Created() || !form.TrayList) {
      std::printf("the form did not start (no hidden-window list after its initial timer)\n");
      rc = 1;
    } else {
      PrintHeader();
      const Reading started = Read("after the form's start");
      PrintReading(started);
      const CycleRun warmCycles = Cycles(form, wnd, 3);
      const DrawRun warmDraws = Draws(form, system.painter, 24);
      // The first pop-ups make the system's own menu objects once.
      const Hicon windowIcon = FromHicon(::LoadIconW(nullptr, MAKEINTRESOURCEW(32512)));
      const std::vector<MenuEntry> small = ListMenu(5, windowIcon);
      for (int i = 0; i < 3; ++i) PopUp(system.menus, host.Handle(), small);
      const Reading before = Read("after a warm-up (3 cycles, 24 icons, 3 pop-ups): before");
      PrintReading(before);
      const Reading again = Read("before, read again");
      PrintReading(again);

      const CycleRun run = Cycles(form, wnd, cycles);
      const Reading afterCycles = Read("after " + std::to_string(cycles) + " hide/restore cycles");
      PrintReading(afterCycles);

      const DrawRun drawn = Draws(form, system.painter, draws);
      const Reading afterDrawsOnly = Read("after " + std::to_string(draws) + " DrawCountIcon calls");
      PrintReading(afterDrawsOnly);

      int shown = 0;
      for (int i = 0; i < popups; ++i) shown += PopUp(system.menus, host.Handle(), small) >= 0 ? 1 : 0;
      const Reading afterDraws = Read("after " + std::to_string(popups) + " menu pop-ups");
      PrintReading(afterDraws);
      // The options dialog shown and closed with "关闭" (which stores and applies the settings).
      OptionsDialog dialog(UserTexts(system.kernel));
      ChangeHotkeyDialog changeDialog(UserTexts(system.kernel), dialog.Window());
      TChangeHotkey change(changeDialog);
      // Its own name in the Run key, never ticked: the user's own entry is left alone.
      TAutoRunner autoRunner(ports.registry, ports.shell, "VelmoraBench");
      TAboutForm about(ports, dialog, form, change, autoRunner);
      dialog.Connect(about);
      about.FormCreate();
      auto showAndClose = [&] {
        about.Velmora1Click();
        dialog.SetChecked(cbautorun, false);
        about.OnClick(bclose);
      };
      for (int i = 0; i < 3; ++i) {
        showAndClose();
        PumpFor(5);
      }
      const Reading beforeDialog = Read("after 3 showings of the options dialog");
      PrintReading(beforeDialog);
      for (int i = 0; i < kDialogShowings; ++i) {
        showAndClose();
        PumpFor(1);
      }
      const Reading afterDialog = Read("after " + std::to_string(kDialogShowings) + " showings of the options dialog");
      PrintReading(afterDialog);
      const std::vector<MenuEntry> big = ListMenu(kBigMenuWindows, windowIcon);
      std::vector<double> bigMs;
      for (int i = 0; i < 5; ++i) bigMs.push_back(PopUp(system.menus, host.Handle(), big));

      std::printf("\n");
      PrintGrowth("growth over the warm-up", started, before);
      PrintGrowth("noise (before, read twice)", before, again);
      PrintGrowth("growth over the cycles", before, afterCycles);
      PrintGrowth("growth over the count icons", afterCycles, afterDrawsOnly);
      PrintGrowth("growth over the menu pop-ups", afterDrawsOnly, afterDraws);
      PrintGrowth("growth over the options dialog", beforeDialog, afterDialog);
      PrintGrowth("growth in all", before, afterDraws);

      // The measure itself: objects kept alive on purpose must show.
      std::vector<UniqueBrush> brushes;
      std::vector<UniqueMenu> kept;
      for (int i = 0; i < kLeak; ++i) {
        brushes.emplace_back(::CreateSolidBrush(RGB(4, 5, 6)));
        kept.emplace_back(::CreatePopupMenu());
      }
      const Reading leaked = Read("with 100 brushes and 100 menus kept alive");
      std::printf("\n");
      PrintReading(leaked);
      PrintGrowth("check of the measure (100 expected)", afterDraws, leaked);
      brushes.clear();
      kept.clear();

      std::printf("\ncycles: %d of %d hid and restored the window (%.1f s, %.1f ms each)%s%s\n", run.done, cycles,
                  run.ms / 1000, run.ms / cycles, run.firstError.empty() ? "" : "; first failure: ",
                  run.firstError.c_str());
      std::printf("count icons: %d of %d drawn (%.1f s, %.3f ms each)\n", drawn.drawn, draws, drawn.ms / 1000,
                  drawn.ms / draws);
      const Summary bigSummary = Summarize(bigMs);
      std::printf("menu pop-ups: %d of %d came up; the list menu of %d windows on screen after %.1f ms "
                  "(median of %zu, worst %.1f ms)\n",
                  shown, popups, kBigMenuWindows, bigSummary.median, bigSummary.count, bigSummary.worst);
      if (warmCycles.failed || warmDraws.failed)
        std::printf("warm-up: %d cycles and %d icons failed%s%s\n", warmCycles.failed, warmDraws.failed,
                    warmCycles.firstError.empty() ? "" : "; ", warmCycles.firstError.c_str());
      if (UnderWine())
        std::printf("under Wine GetGuiResources answers 0; the slot level is the measure there "
                    "(USER slots are shared by every process of the Wine server)\n");
      if (run.failed || drawn.failed || shown != popups) rc = 1;
    }
  }
  probe.Close();
  e2e::RemoveDir(dir);
  return rc;
}

}  // namespace
}  // namespace velmora::bench

int wmain(int argc, wchar_t** argv) {
  try {
    return velmora::bench::Run(argc, argv);
  } catch (...) {
    std::fprintf(stderr, "gui_objects: unexpected failure\n");
    return 1;
  }
}
