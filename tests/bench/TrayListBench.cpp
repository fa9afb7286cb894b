// Cost of the hidden-window list with 1,000 hidden windows, against the fake desktop.
#include <benchmark/benchmark.h>

#include <memory>

#include "FakeWorld.h"
#include "main/TFOrvane.h"

namespace velmora {
namespace {

constexpr int Hidden = 1000;

class NullHost : public FormHost {
 public:
  explicit NullHost(fake::FakeDesktop& d) : handle(d.CreateUtilityWindow("TFOrvane", nullptr)) {}
  Hwnd Handle() override { return handle; }
  void SetCaption(std::string_view) override {}
  void Close() override {}
  void EndModalLoops() override {}
  Hwnd handle;
};

// A started Velmora with `Hidden` windows in its list, spread over 50 classes.
struct Loaded {
  explicit Loaded(std::uint8_t mode) {
    form.FormCreate();
    w.timers.Advance(500);
    TListTrayIcon& list = *form.TrayList;
    list.Options.TrayMode = mode;
    list.Options.EveryHideInactive = 1;
    for (int i = 0; i < Hidden; ++i) windows.push_back(Add("Class" + std::to_string(i % 50)));
  }
  Hwnd Add(const std::string& cls) {
    const Hwnd wnd = w.desktop.AddWindow({.className = cls, .title = "Document " + cls, .iconic = true});
    auto entry = std::make_unique<TTrayIcon>();
    entry->Window = wnd;
    entry->uID = TrayIdOf(wnd);
    form.TrayList->AddEntry(std::move(entry));
    return wnd;
  }
  fake::FakeWorld w;
  Ports ports = w.AsPorts();
  NullHost host{w.desktop};
  TFOrvane form{ports, host};
  std::vector<Hwnd> windows;
};

void BM_FindEntry(benchmark::State& state) {
  Loaded l(0);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(l.form.TrayList->FindEntry(l.windows[i++ % l.windows.size()]));
  }
}
BENCHMARK(BM_FindEntry);

// One more window added to and removed from a list of 1,000, in each presentation.
void BM_AddThenRemoveEntry(benchmark::State& state) {
  Loaded l(static_cast<std::uint8_t>(state.range(0)));
  TListTrayIcon& list = *l.form.TrayList;
  const Hwnd extra = l.w.desktop.AddWindow({.className = "Class7", .title = "extra", .iconic = true});
  for (auto _ : state) {
    auto entry = std::make_unique<TTrayIcon>();
    entry->Window = extra;
    entry->uID = TrayIdOf(extra);
    list.AddEntry(std::move(entry));
    std::size_t index = 0;
    TTrayIcon* found = list.FindEntry(extra, &index);
    list.RemoveEntry(found, index);
  }
  l.w.tray.calls.clear();
}
BENCHMARK(BM_AddThenRemoveEntry)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_ApplySettings(benchmark::State& state) {
  Loaded l(0);
  TListTrayIcon& list = *l.form.TrayList;
  TOptionsRecord o = list.Options;
  o.TrayMode = static_cast<std::uint8_t>(state.range(0));
  for (auto _ : state) {
    list.ApplySettings(o);
    state.PauseTiming();
    l.w.tray.calls.clear();
    l.w.log.clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ApplySettings)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The list menu of every hidden window (the show-menu hotkey), built and handed
// to the menu port; the fake records it, the real one would pop it up.
void BM_ShowListMenu(benchmark::State& state) {
  Loaded l(1);
  TrayMenus& menus = *l.form.Menus;
  for (auto _ : state) {
    menus.ShowListMenu("", MenuMode::Restore, state.range(0) != 0, state.range(0) != 0);
    state.PauseTiming();
    l.w.menus.shown.clear();
    l.w.log.clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ShowListMenu)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora
