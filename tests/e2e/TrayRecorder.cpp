#include "TrayRecorder.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "Harness.h"

namespace velmora::e2e {

namespace {

// Layout of the shell's WM_COPYDATA payload (Wine): header, then mask bits, then colour bits.
constexpr std::size_t kOwnerAt = 0, kIdAt = 4, kFlagsAt = 8, kCallbackAt = 12, kTipAt = 16, kTipChars = 128,
                      kVersionAt = 792;
constexpr std::size_t kWidthAt = 944, kHeightAt = 948, kPlanesAt = 952, kBppAt = 956, kHeaderSize = 960;

constexpr wchar_t kTrayClass[] = L"Shell_TrayWnd";

std::uint32_t U32(const std::uint8_t* p, std::size_t at) {
  std::uint32_t v;
  std::memcpy(&v, p + at, 4);
  return v;
}

std::size_t RowBytes(std::uint32_t width, std::uint32_t bpp) { return (width * bpp + 15) / 16 * 2; }

class Lock {
 public:
  explicit Lock(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
  ~Lock() { LeaveCriticalSection(&cs_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
 private:
  CRITICAL_SECTION& cs_;
};

}  // namespace

std::optional<std::uint32_t> TrayRecord::Pixel(std::uint32_t x, std::uint32_t y) const {
  if (x >= iconWidth || y >= iconHeight || (iconBpp != 32 && iconBpp != 24)) return std::nullopt;
  const std::size_t at = y * RowBytes(iconWidth, iconBpp) + x * (iconBpp / 8);
  if (at + 3 > colourBits.size()) return std::nullopt;
  const std::uint8_t* p = colourBits.data() + at;  // B, G, R
  return (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

std::optional<bool> TrayRecord::Opaque(std::uint32_t x, std::uint32_t y) const {
  if (x >= iconWidth || y >= iconHeight) return std::nullopt;
  const std::size_t at = y * RowBytes(iconWidth, 1) + x / 8;
  if (at >= maskBits.size()) return std::nullopt;
  return (maskBits[at] & (0x80 >> (x % 8))) == 0;
}

TrayRecorder::TrayRecorder() { InitializeCriticalSection(&lock_); }

TrayRecorder::~TrayRecorder() {
  Stop();
  DeleteCriticalSection(&lock_);
}

bool TrayRecorder::Start() {
  if (thread_) return window_ != nullptr;
  // Touching the desktop makes Wine start explorer, which opens its tray.
  GetDesktopWindow();
  if (!WaitUntil([&] { return (explorer_ = FindWindowW(kTrayClass, nullptr)) != nullptr; }, 15s)) return false;
  ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, &TrayRecorder::ThreadMain, this, 0, &threadId_);
  if (!thread_) return false;
  const HANDLE waits[2] = {ready_, thread_};
  WaitForMultipleObjects(2, waits, FALSE, 10000);
  if (failed_ || !window_) return false;
  // The shell looks the tray up by class: ours must come first.
  return FindWindowW(kTrayClass, nullptr) == window_;
}

void TrayRecorder::Stop() {
  if (thread_) {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    else PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    if (!WaitForObject(thread_, 10s)) TerminateThread(thread_, 1);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  if (ready_) {
    CloseHandle(ready_);
    ready_ = nullptr;
  }
  window_ = nullptr;
}

DWORD WINAPI TrayRecorder::ThreadMain(LPVOID self) {
  static_cast<TrayRecorder*>(self)->Run();
  return 0;
}

void TrayRecorder::Run() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &TrayRecorder::WndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kTrayClass;
  RegisterClassExW(&wc);  // may already exist from an earlier recorder of this process
  window_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kTrayClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                            nullptr, GetModuleHandleW(nullptr), this);
  if (!window_) {
    failed_ = true;
    SetEvent(ready_);
    return;
  }
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetEvent(ready_);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

LRESULT CALLBACK TrayRecorder::WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  try {
    if (msg == WM_NCCREATE) {
      const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
      SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TrayRecorder*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    switch (msg) {
      case WM_COPYDATA:
        if (self) return self->OnCopyData(wp, reinterpret_cast<const COPYDATASTRUCT*>(lp));
        break;
      case WM_CLOSE:
        DestroyWindow(w);
        return 0;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
      default:
        break;
    }
    return DefWindowProcW(w, msg, wp, lp);
  } catch (...) {
    return 0;
  }
}

LRESULT TrayRecorder::OnCopyData(WPARAM wp, const COPYDATASTRUCT* cds) {
  if (cds && cds->lpData && cds->cbData >= kTipAt + kTipChars * sizeof(wchar_t)) {
    const auto* p = static_cast<const std::uint8_t*>(cds->lpData);
    TrayRecord r;
    r.message = static_cast<DWORD>(cds->dwData);
    r.owner = U32(p, kOwnerAt);
    r.id = U32(p, kIdAt);
    r.flags = U32(p, kFlagsAt);
    r.callback = U32(p, kCallbackAt);
    if (cds->cbData >= kVersionAt + 4) r.version = U32(p, kVersionAt);
    wchar_t tip[kTipChars];
    std::memcpy(tip, p + kTipAt, sizeof tip);
    r.tip.assign(tip, wcsnlen(tip, kTipChars));
    if (cds->cbData >= kHeaderSize) {
      r.iconWidth = U32(p, kWidthAt);
      r.iconHeight = U32(p, kHeightAt);
      const std::uint32_t planes = U32(p, kPlanesAt);
      r.iconBpp = U32(p, kBppAt) * (planes ? planes : 1);
      const std::size_t mask = RowBytes(r.iconWidth, 1) * r.iconHeight;
      const std::size_t colour = RowBytes(r.iconWidth, r.iconBpp) * r.iconHeight;
      if ((r.flags & NIF_ICON) && cds->cbData >= kHeaderSize + mask + colour && r.iconWidth && r.iconHeight) {
        r.maskBits.assign(p + kHeaderSize, p + kHeaderSize + mask);
        r.colourBits.assign(p + kHeaderSize + mask, p + kHeaderSize + mask + colour);
      } else {
        r.iconWidth = r.iconHeight = r.iconBpp = 0;
      }
    }
    Lock lock(lock_);
    records_.push_back(r);
    if (refuseAdds_ && r.message == NIM_ADD) return FALSE;
    auto it = std::find_if(icons_.begin(), icons_.end(),
                           [&](const TrayRecord& i) { return i.owner == r.owner && i.id == r.id; });
    switch (r.message) {
      case NIM_ADD:
        // The shell refuses a second icon with the same owner and id.
        if (it == icons_.end()) icons_.push_back(r);
        break;
      case NIM_MODIFY:
        if (it != icons_.end()) {
          if (r.flags & NIF_MESSAGE) it->callback = r.callback;
          if (r.flags & NIF_TIP) it->tip = r.tip;
          if (r.flags & NIF_ICON) {
            it->iconWidth = r.iconWidth;
            it->iconHeight = r.iconHeight;
            it->iconBpp = r.iconBpp;
            it->maskBits = r.maskBits;
            it->colourBits = r.colourBits;
          }
          it->flags |= r.flags;
          it->message = NIM_MODIFY;
        }
        break;
      case NIM_DELETE:
        if (it != icons_.end()) icons_.erase(it);
        break;
      case NIM_SETVERSION:
        if (it != icons_.end()) it->version = r.version;
        return TRUE;  // answered here, as a current shell does
      case NIM_SETFOCUS:
        return TRUE;
      default:
        break;
    }
  }
  // Explorer draws the icon as usual; its answer is the caller's result.
  DWORD_PTR result = 0;
  if (explorer_ && IsWindow(explorer_) &&
      SendMessageTimeoutW(explorer_, WM_COPYDATA, wp, reinterpret_cast<LPARAM>(cds), SMTO_NORMAL, 5000, &result))
    return static_cast<LRESULT>(result);
  return TRUE;
}

void TrayRecorder::RefuseAdds(bool refuse) {
  Lock lock(lock_);
  refuseAdds_ = refuse;
}

std::vector<TrayRecord> TrayRecorder::Records() const {
  Lock lock(lock_);
  return records_;
}

std::vector<TrayRecord> TrayRecorder::Icons() const {
  Lock lock(lock_);
  return icons_;
}

std::optional<TrayRecord> TrayRecorder::Icon(std::uint32_t owner, std::uint32_t id) const {
  Lock lock(lock_);
  for (const auto& i : icons_)
    if (i.owner == owner && i.id == id) return i;
  return std::nullopt;
}

std::vector<TrayRecord> TrayRecorder::IconsOf(std::uint32_t owner) const {
  Lock lock(lock_);
  std::vector<TrayRecord> out;
  for (const auto& i : icons_)
    if (i.owner == owner) out.push_back(i);
  return out;
}

void TrayRecorder::Clear() {
  Lock lock(lock_);
  records_.clear();
  icons_.clear();
}

}  // namespace velmora::e2e
