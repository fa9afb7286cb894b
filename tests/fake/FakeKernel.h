#pragma once
// Named kernel objects and the shared block. Objects live in a
// FakeKernelSpace that several FakeKernel "processes" can share, so that a
// second start of Velmora, or the hook library's side of the block, can be
// modelled: each FakeKernel has handles of its own over the shared objects.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "FakeLog.h"
#include "platform/Kernel.h"

namespace velmora::fake {

class FakeKernelSpace {
 public:
  FakeKernelSpace() = default;
  FakeKernelSpace(const FakeKernelSpace&) = delete;
  FakeKernelSpace& operator=(const FakeKernelSpace&) = delete;

  // A named object exists while any process holds a handle (or, for a block, a view) on it.
  bool MutexExists(std::string_view name) const { return mutexes_.contains(name); }
  bool EventExists(std::string_view name) const { return events_.contains(name); }
  // The block's storage while it is mapped anywhere, else null.
  std::uint8_t* Block(std::string_view name);
  // As a program of that level opens it: null also when its label keeps that
  // level from reading it (no read up), as Windows refuses the open.
  const std::uint8_t* BlockAsReadAt(std::string_view name, std::uint32_t level);
  // Blocks that another user, or a program of a lower integrity level, made
  // first: refused by ClaimSharedBlock and MapSharedBlock.
  std::set<std::string, std::less<>> foreignBlocks;

 private:
  friend class FakeKernel;
  struct Event {
    std::size_t handles = 0;
    bool signalled = false;
  };
  struct SharedBlock {
    std::size_t views = 0;
    std::size_t size = 0;
    std::uint32_t level = 0;  // its label: no level below may read it
    std::unique_ptr<std::max_align_t[]> storage;  // aligned for any field layout
  };

  std::map<std::string, std::size_t, std::less<>> mutexes_;  // name -> open handles
  std::map<std::string, Event, std::less<>> events_;
  std::map<std::string, SharedBlock, std::less<>> blocks_;
  KernelHandle nextHandle_ = 0x100;
};

class FakeKernel : public Kernel {
 public:
  // A kernel over a space of its own, or over a shared one.
  explicit FakeKernel(CallLog* log = nullptr);
  explicit FakeKernel(FakeKernelSpace& space, CallLog* log = nullptr);
  ~FakeKernel() override;

  // ---- Test API ----
  // The process ends: the system closes its handles and unmaps its views.
  void EndProcess();
  bool MutexExists(std::string_view name) const { return space_->MutexExists(name); }
  std::size_t OpenHandles() const { return handles_.size(); }
  std::size_t MappedViews() const { return views_.size(); }
  FakeKernelSpace& Space() { return *space_; }

  bool failMap = false;  // MapSharedBlock gives null
  bool hooked = false;
  bool helperFails = false;  // StartHookHelper answers false
  bool helperRunning = false;
  std::size_t helperStarts = 0;  // StartHookHelper calls
  bool elevated = false;         // RunsElevated
  std::uint16_t uiLanguage = 0x0804;  // GetUserDefaultUILanguage: Chinese (PRC)
  std::size_t setHookCalls = 0;
  std::size_t unSetHookCalls = 0;
  std::size_t badCloses = 0;  // CloseHandle of a handle this process does not hold

  // ---- Kernel ----
  // Logged as "CreateMutex <name>", "CloseHandle <name>", "MapSharedBlock <name>",
  // "UnmapSharedBlock <name>", "SetHook", "UnSetHook",
  // "StartHookHelper", "StopHookHelper".
  KernelHandle CreateMutex(std::string_view name, bool initialOwner, bool& alreadyExists) override;
  KernelHandle CreateEvent(std::string_view name) override;
  bool SetEvent(KernelHandle event) override;
  // Never blocks: an event answers whether it is signalled, a mutex is always free (one thread).
  bool WaitForSingleObject(KernelHandle handle, std::uint32_t ms) override;
  void CloseHandle(KernelHandle handle) override;
  // Zeroed storage per name, shared by every process of the space, freed with
  // its last view; null when an existing block is smaller than size. All views
  // of a block share one address here.
  void* MapSharedBlock(const SectionSpec& spec) override;
  void UnmapSharedBlock(void* view) override;
  // Taken for a foreign block, else Own (logged as "ClaimSharedBlock <name>").
  BlockClaim ClaimSharedBlock(const SectionSpec& spec) override;
  void SetHook() override;
  void UnSetHook() override;
  bool StartHookHelper() override;
  void StopHookHelper() override;
  bool HookHelperRunning() override { return helperRunning; }
  bool RunsElevated() override { return elevated; }
  // High when elevated, else medium.
  std::uint32_t IntegrityLevel() override { return elevated ? 0x3000 : 0x2000; }
  std::map<std::uint32_t, std::uint32_t> processLevels;  // a process's level; medium when not set
  std::uint32_t ProcessIntegrityLevel(std::uint32_t pid) override {
    return processLevels.contains(pid) ? processLevels[pid] : 0x2000;
  }
  bool randomFails = false;
  // Bytes of a counter: each call's differ from every other's.
  bool GenerateRandom(std::uint8_t* out, std::size_t size) override;
  void WatchProcess(std::uint32_t pid, Hwnd, std::uint32_t) override { watched.insert(pid); }
  std::set<std::uint32_t> watched;  // processes whose end is reported
  std::map<std::uint32_t, std::uint64_t> processStarts;  // a process's creation time, 0 once ended; else one per id
  std::uint64_t ProcessStartTime(std::uint32_t pid) override {
    return !pid ? 0 : processStarts.contains(pid) ? processStarts[pid] : 0x1D0000000000000ull + pid;
  }
  std::uint16_t GetUserDefaultUILanguage() override { return uiLanguage; }

 private:
  enum class Kind { Mutex, Event };
  struct Held {
    Kind kind;
    std::string name;  // "" for an unnamed object
  };
  void Release(const Held& held);
  void Unmap(const std::string& name);

  CallLog* log_;
  std::unique_ptr<FakeKernelSpace> ownSpace_;
  FakeKernelSpace* space_;
  std::map<KernelHandle, Held> handles_;
  std::multimap<void*, std::string> views_;
  std::map<KernelHandle, bool> unnamedEvents_;  // signalled state of unnamed events
  std::uint32_t randomCalls_ = 0;
};

}  // namespace velmora::fake
