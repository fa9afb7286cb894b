#pragma once
// A fresh fake desktop with Velmora's main form on it.
#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "FakeControls.h"
#include "FakeWorld.h"
#include "hook/Levels.h"
#include "main/TFOrvane.h"
#include "platform/WinConst.h"

namespace velmora::test {

class FakeHost : public FormHost {
 public:
  FakeHost(fake::FakeDesktop& desktop, fake::FakeMenus& menus, fake::FakeDialogs& dialogs)
      : handle(desktop.CreateUtilityWindow("TFOrvane", [this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) {
          return route && route(m, w, l) ? std::optional<std::intptr_t>(0) : std::nullopt;
        })), menus_(menus), dialogs_(dialogs) {}
  Hwnd Handle() override { return handle; }
  void SetCaption(std::string_view text) override { caption = std::string(text); }
  void Close() override { ++closeRequests; }
  // The open menu and boxes end: the fake menus and boxes answer as dismissed from now on.
  void EndModalLoops() override {
    ++modalEnds;
    menus_.ended = dialogs_.ended = true;
  }
  Hwnd handle;
  std::function<bool(std::uint32_t, std::uintptr_t, std::intptr_t)> route;  // what the window procedure passes on
  std::string caption = "Velmora";
  int closeRequests = 0;
  int modalEnds = 0;

 private:
  fake::FakeMenus& menus_;
  fake::FakeDialogs& dialogs_;
};

struct VelmoraWorld {
  fake::FakeWorld w;
  Ports ports = w.AsPorts();
  FakeHost host{w.desktop, w.menus, w.dialogs};
  std::unique_ptr<TFOrvane> form;
  // The dialogs, made after the main form as at start.
  fake::FakeControls aboutControls, changeControls;
  TChangeHotkey changeHotkey{changeControls};
  std::unique_ptr<TAutoRunner> autoRunner;
  std::unique_ptr<TAboutForm> about;

  VelmoraWorld() { Create(); }
  ~VelmoraWorld() {
    if (form) form->SetAboutForm(nullptr);
  }
  void Create() {
    host.route = [this](std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) { return form && form->WindowMessage(m, wp, lp); };
    w.desktop.libraryTarget = host.handle;
    w.desktop.clock = [this] { return w.timers.TickCount(); };
    form = std::make_unique<TFOrvane>(ports, host);
    form->FormCreate();
    autoRunner = std::make_unique<TAutoRunner>(w.registry, w.shell);
    about = std::make_unique<TAboutForm>(ports, aboutControls, *form, changeHotkey, *autoRunner);
    about->FormCreate();
    form->SetAboutForm(about.get());
  }
  // The initial timer has run: list, hook and sweep are up.
  void Start() {
    if (!form) Create();
    w.timers.Advance(500);
  }
  TListTrayIcon& List() { return *form->TrayList; }
  TOptionsRecord& Options() { return form->TrayList->Options; }

  Hwnd Foreign(std::string cls, std::string title = "Untitled", bool iconic = false) {
    return w.desktop.AddWindow({.className = std::move(cls), .title = std::move(title), .iconic = iconic});
  }
  // A request as the library in a program of that level sends it, with the secret of its level's block.
  void Request(std::uint32_t code, Hwnd wnd, std::uint32_t flags = 0, std::uint32_t appWindow = 0,
               std::uint32_t level = LevelMedium) {
    TRequestPayload payload{appWindow, flags, {}};
    char name[SectionNameSize];
    SectionNameAt(MemBlockName, level, name, sizeof name);
    if (const auto* block = reinterpret_cast<const TMemBlock*>(w.kernel.Space().BlockAsReadAt(name, level)))
      std::copy_n(block->RequestSecret, RequestSecretSize, payload.Secret);
    form->WMCopyData(code, wnd.value, &payload, sizeof payload);
  }
  // The user minimizes a window and the hook reports it; the hide timer runs.
  void Minimize(Hwnd wnd, std::uint64_t wait = 100) {
    Request(RQ_MINIMIZING, wnd);
    w.desktop.Window(wnd).iconic = true;
    w.timers.Advance(wait);
  }
  // A trigger in the window's program (the right-click, the hold key) minimizes it as the pending one.
  void Trigger(Hwnd wnd) {
    Request(RQ_MINIMIZING, wnd, RequestFromTrigger);
    w.desktop.Window(wnd).iconic = true;
    w.timers.Advance(100);
  }
  void Mark(Hwnd wnd) {
    Request(RQ_ADD_ITEM, wnd);
    Request(RQ_ITEM_CHOSEN, wnd);
  }
  // Runs f as another event path at work (as inside its message box or send).
  void WhileBusy(const std::function<void()>& f) { ASSERT_TRUE(form->Paths().TryRun(f)); }
  // Every program that answers takes its messages, and Velmora its posts, until nothing waits.
  void Settle() {
    for (int round = 0; round < 8; ++round) {
      w.desktop.PumpAll();
      w.desktop.DispatchPosted();
    }
  }
  // As the window ends once its program has taken what was queued for it.
  bool Hidden(Hwnd wnd) {
    w.desktop.Pump(wnd);
    return !w.desktop.Window(wnd).visible;
  }
  std::optional<std::intptr_t> Click(std::uint32_t id, std::uint32_t mouse) {
    return w.desktop.Deliver(List().TrayWnd, 0x401, id, mouse);
  }
};

}  // namespace velmora::test
