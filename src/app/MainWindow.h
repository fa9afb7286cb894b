#pragma once
// The main form's window: hidden, top-level (so that FindWindow and broadcasts
// reach it), class "TFOrvane", no taskbar button. Its procedure only translates
// messages into calls of the form.
#include <memory>

#include "main/TFOrvane.h"
#include "win32/CommandChannel.h"
#include "win32/Win32Api.h"

namespace velmora {

class MainWindow final : public FormHost {
 public:
  explicit MainWindow(Ports& ports);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  bool Created() const { return hwnd_ != nullptr; }
  TFOrvane& Form() { return form_; }

  // FormHost.
  Hwnd Handle() override;
  void SetCaption(std::string_view caption) override;
  void Close() override;
  void EndModalLoops() override;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  UINT taskbarCreated_ = 0;
  TFOrvane form_;
  std::unique_ptr<CommandServer> commands_;  // the command line's channel, served while the window lives
};

}  // namespace velmora
