#pragma once
// Named kernel objects, the shared block and the hook library's exports.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/Handles.h"

namespace velmora {

using KernelHandle = std::uint64_t;  // 0 = none

// A section Velmora shares with the hook library: its name and size, and the
// integrity level (a label's RID) it is labelled at, with no write up and no
// read up.
struct SectionSpec {
  std::string name;
  std::size_t size = 0;
  std::uint32_t level = 0;
};

class Kernel {
 public:
  Kernel() = default;
  Kernel(const Kernel&) = delete;
  Kernel& operator=(const Kernel&) = delete;
  virtual ~Kernel() = default;

  // CreateMutex; alreadyExists mirrors GetLastError() == ERROR_ALREADY_EXISTS.
  virtual KernelHandle CreateMutex(std::string_view name, bool initialOwner, bool& alreadyExists) = 0;
  // CreateEvent (manual reset, not signalled) or opens the existing one.
  virtual KernelHandle CreateEvent(std::string_view name) = 0;
  virtual bool SetEvent(KernelHandle event) = 0;
  // True when signalled within ms.
  virtual bool WaitForSingleObject(KernelHandle handle, std::uint32_t ms) = 0;
  virtual void CloseHandle(KernelHandle handle) = 0;

  // A named block backed by the paging file, mapped whole for writing; null on
  // failure, and for a block that another user or a level below the one asked for made.
  virtual void* MapSharedBlock(const SectionSpec& spec) = 0;
  // Makes the named block Velmora's before anything maps it (this user alone,
  // labelled at the level asked for) and holds it while the kernel lives. A block
  // of that name that exists already is used when this user made it at that
  // level or above (an earlier Velmora's, kept by a program that loaded the
  // library), and is Taken otherwise.
  enum class BlockClaim { Own, Taken, Failed };
  virtual BlockClaim ClaimSharedBlock(const SectionSpec& spec) = 0;
  virtual void UnmapSharedBlock(void* view) = 0;

  // The hook library's exports.
  virtual void SetHook() = 0;
  virtual void UnSetHook() = 0;

  // The 32-bit helper that sets the same hooks for 32-bit programs, once the
  // block names the main window. False when it could not be started.
  virtual bool StartHookHelper() = 0;
  // Asks it to end and waits for it a moment; it also ends with this process.
  virtual void StopHookHelper() = 0;
  // The helper started last is still running (not ended, killed or crashed).
  virtual bool HookHelperRunning() = 0;

  // Velmora runs elevated: programs of lower integrity levels may reach it.
  virtual bool RunsElevated() = 0;
  // This process's integrity level (a label's RID); medium when it cannot be read.
  virtual std::uint32_t IntegrityLevel() = 0;
  // Another process's, from its token; LevelUnknown (hook/Levels.h) when it cannot be read.
  virtual std::uint32_t ProcessIntegrityLevel(std::uint32_t pid) = 0;
  // Fills out with random bytes from the system's generator; false when it failed.
  virtual bool GenerateRandom(std::uint8_t* out, std::size_t size) = 0;

  // When the process ends, posts message (wParam: the pid) to the window, once;
  // a process watched already is not watched twice. Nothing waits meanwhile.
  virtual void WatchProcess(std::uint32_t pid, Hwnd notify, std::uint32_t message) = 0;
  // When the process of that id was created (a FILETIME): the instance the id
  // names now. 0 when no process has the id, or it cannot be read.
  virtual std::uint64_t ProcessStartTime(std::uint32_t pid) = 0;

  // The LANGID of the user's UI language; the texts follow it.
  virtual std::uint16_t GetUserDefaultUILanguage() = 0;
};

// Owns one handle of the Kernel port: closed once, when the owner lets go.
class KernelObject {
 public:
  KernelObject() = default;
  KernelObject(Kernel& kernel, KernelHandle handle) : kernel_(handle ? &kernel : nullptr), handle_(handle) {}
  KernelObject(KernelObject&& other) noexcept
      : kernel_(std::exchange(other.kernel_, nullptr)), handle_(std::exchange(other.handle_, 0)) {}
  KernelObject& operator=(KernelObject&& other) noexcept {
    if (this != &other) {
      reset();
      kernel_ = std::exchange(other.kernel_, nullptr);
      handle_ = std::exchange(other.handle_, 0);
    }
    return *this;
  }
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;
  ~KernelObject() { reset(); }

  KernelHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }
  void reset() {
    if (kernel_) kernel_->CloseHandle(handle_);
    kernel_ = nullptr;
    handle_ = 0;
  }

 private:
  Kernel* kernel_ = nullptr;
  KernelHandle handle_ = 0;
};

}  // namespace velmora
