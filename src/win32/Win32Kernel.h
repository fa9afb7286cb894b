#pragma once
// Kernel on kernel32 and LibOrvane.dll. The adapter owns every handle and
// view it hands out until the logic closes it; what is left open is closed
// with the adapter.
#include <atomic>
#include <map>
#include <memory>
#include <vector>

#include "platform/Kernel.h"
#include "win32/Raii.h"

namespace velmora {

class Win32Kernel final : public Kernel {
 public:
  KernelHandle CreateMutex(std::string_view name, bool initialOwner, bool& alreadyExists) override;
  KernelHandle CreateEvent(std::string_view name) override;
  // The handle calls answer false (or do nothing) for a handle this adapter
  // did not hand out or has closed already.
  bool SetEvent(KernelHandle event) override;
  // An abandoned mutex counts as signalled: the caller owns it now.
  bool WaitForSingleObject(KernelHandle handle, std::uint32_t ms) override;
  void CloseHandle(KernelHandle handle) override;

  // Maps exactly size bytes, so that a smaller block made by someone else
  // fails here instead of being overrun. Made with CreateOwnSection's
  // descriptor; a block that exists is mapped only when SectionTrusted.
  void* MapSharedBlock(const SectionSpec& spec) override;
  void UnmapSharedBlock(void* view) override;
  // A name that this user may not open counts as taken too.
  BlockClaim ClaimSharedBlock(const SectionSpec& spec) override;

  // The hooks are set from a thread of their own that only pumps messages:
  // the system runs hooks for programs of the other bitness on the thread that
  // set them, so those programs never wait on Velmora's own work.
  void SetHook() override;
  void UnSetHook() override;
  // Starts VelmoraHook32.exe beside Velmora.exe with this process's id.
  bool StartHookHelper() override;
  // WM_QUIT to its thread, 2 s to end, then it is ended: its hooks go with it.
  void StopHookHelper() override;
  bool HookHelperRunning() override;
  bool RunsElevated() override;
  std::uint32_t IntegrityLevel() override;
  // From the process's token, opened with limited query rights.
  std::uint32_t ProcessIntegrityLevel(std::uint32_t pid) override;
  // RtlGenRandom.
  bool GenerateRandom(std::uint8_t* out, std::size_t size) override;
  // A wait of the system's thread pool on a SYNCHRONIZE handle; every wait is
  // cancelled, and waited for, when the adapter goes.
  void WatchProcess(std::uint32_t pid, Hwnd notify, std::uint32_t message) override;
  // The watches held now: each holds its process open.
  std::size_t WatchesHeld() const { return watches_.size(); }
  // GetProcessTimes of a handle with limited query rights.
  std::uint64_t ProcessStartTime(std::uint32_t pid) override;
  std::uint16_t GetUserDefaultUILanguage() override;
  ~Win32Kernel() override;

 private:
  struct Mapping {
    UniqueHandle section;
    UniqueView view;  // declared last: unmapped before the section closes
  };

  KernelHandle Keep(HANDLE handle);
  HANDLE Find(KernelHandle handle) const;

  std::map<KernelHandle, UniqueHandle> handles_;
  std::map<void*, Mapping> mappings_;
  std::vector<UniqueHandle> claims_;  // the claimed blocks, held while the adapter lives
  UniqueHandle hookThread_;
  DWORD hookThreadId_ = 0;
  UniqueHandle helper_;
  DWORD helperThread_ = 0;

 public:
  // One watched process: what its wait's callback reads, at a fixed address.
  // The wait is ended first, before what its callback reads goes.
  struct Watch {
    UniqueHandle process;
    HWND notify = nullptr;
    UINT message = 0;
    DWORD pid = 0;
    std::atomic<bool> told{false};  // set by the callback, before it posts
    UniqueWait wait;
  };

 private:
  std::map<DWORD, std::unique_ptr<Watch>> watches_;
};

}  // namespace velmora
