#pragma once
// Owners of the few handles the hook library creates. Kept free of the C++
// runtime: the library lives inside other programs, and starts without the C
// runtime's start-up code, so a global here has no destructor to register
// (DllMain frees what must be freed).
#include <windows.h>

#include <atomic>
#include <type_traits>

#include "hook/Levels.h"
#include "hook/Owners.h"
#include "hook/SectionSecurity.h"

namespace velmora {

// One installed hook; removed when reset. The system removes what is left
// when the thread that set it ends.
class HookHandle {
 public:
  constexpr HookHandle() = default;
  HookHandle(const HookHandle&) = delete;
  HookHandle& operator=(const HookHandle&) = delete;

  bool Install(int kind, HOOKPROC proc, HINSTANCE module) {
    Reset();
    handle_ = SetWindowsHookExA(kind, proc, module, 0);
    return handle_ != nullptr;
  }
  void Reset() {
    if (handle_ != nullptr) {
      UnhookWindowsHookEx(handle_);
      handle_ = nullptr;
    }
  }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HHOOK handle_ = nullptr;
};

// A section Velmora writes, as the library reads it: the one of this
// process's own integrity level, mapped read-only on first need and only when
// trusted (this user made it at that level or above). After a failure a host
// tries again at most once a second: a Velmora started later makes it. The
// mapping is kept with the view, so that the name stays while any host maps it.
template <class T>
class SharedSection {
 public:
  explicit constexpr SharedSection(const char* base) : base_(base) {}
  SharedSection(const SharedSection&) = delete;
  SharedSection& operator=(const SharedSection&) = delete;

  const T* Get() {
    int state = state_.load(std::memory_order_acquire);
    if (state == kOpen) return view_;
    if (state == kFailed && GetTickCount() - failedAt_.load(std::memory_order_relaxed) >= kRetryMs &&
        state_.compare_exchange_strong(state, kUntried)) {
      state = kUntried;
    }
    if (state != kUntried || !state_.compare_exchange_strong(state, kOpening)) return nullptr;
    const bool opened = Open();
    if (!opened) failedAt_.store(GetTickCount(), std::memory_order_relaxed);
    state_.store(opened ? kOpen : kFailed, std::memory_order_release);
    return opened ? view_ : nullptr;
  }
  // The next Get tries at once.
  void Retry() {
    int failed = kFailed;
    state_.compare_exchange_strong(failed, kUntried);
  }
  // Unmaps and closes: only when the library leaves a process that goes on,
  // where no hook of it runs any more.
  void Close() {
    if (view_ != nullptr) ::UnmapViewOfFile(view_);
    if (mapping_ != nullptr) ::CloseHandle(mapping_);
    view_ = nullptr;
    mapping_ = nullptr;
    state_.store(kUntried);
  }

 private:
  enum State : int { kUntried, kOpening, kOpen, kFailed };
  static constexpr DWORD kRetryMs = 1000;

  bool Open() {
    OwnTokenFacts own;
    char name[SectionNameSize];
    if (!own.Read()) return false;
    const DWORD level = LevelOf(own.integrity);
    if (!SectionNameAt(base_, level, name, sizeof name)) return false;
    UniqueHandle mapping(OpenFileMappingA(FILE_MAP_READ | READ_CONTROL, FALSE, name));
    if (!mapping || !SectionTrusted(mapping.get(), level)) return false;
    UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof(T)));
    if (!view) return false;
    view_ = static_cast<const T*>(view.release());
    mapping_ = mapping.release();
    return true;
  }

  const char* base_;
  std::atomic<int> state_{kUntried};
  std::atomic<DWORD> failedAt_{0};
  HANDLE mapping_ = nullptr;
  const T* view_ = nullptr;
};

static_assert(std::is_trivially_destructible_v<HookHandle>);

}  // namespace velmora
