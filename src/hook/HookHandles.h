#pragma once
// Owners of the few handles the hook library creates. Kept free of the C++
// runtime: the library lives inside other programs.
#include <windows.h>

#include "hook/MarkTable.h"
#include "hook/MemBlock.h"
#include "hook/SectionSecurity.h"

namespace velmora {

// One installed hook; removed when reset or destroyed.
class HookHandle {
 public:
  constexpr HookHandle() = default;
  HookHandle(const HookHandle&) = delete;
  HookHandle& operator=(const HookHandle&) = delete;
  ~HookHandle() { Reset(); }

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

// The shared block opened by name (Velmora creates it), used only when this
// process's user made it at this process's integrity level or above. The
// mapping handle is kept with the view so that the name stays valid while any
// host still maps it.
class MappedBlock {
 public:
  constexpr MappedBlock() = default;
  MappedBlock(const MappedBlock&) = delete;
  MappedBlock& operator=(const MappedBlock&) = delete;
  ~MappedBlock() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
  }

  bool Open() {
    mapping_ = OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE | READ_CONTROL, FALSE, MemBlockName);
    if (mapping_ == nullptr) return false;
    if (!SectionTrusted(mapping_)) {
      CloseHandle(mapping_);
      mapping_ = nullptr;
      return false;
    }
    view_ = static_cast<TMemBlock*>(
        MapViewOfFile(mapping_, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(TMemBlock)));
    if (view_ == nullptr) {
      CloseHandle(mapping_);
      mapping_ = nullptr;
      return false;
    }
    return true;
  }
  TMemBlock* get() const { return view_; }

 private:
  HANDLE mapping_ = nullptr;
  TMemBlock* view_ = nullptr;
};

}  // namespace velmora

namespace velmora {

// The marks' section, opened by name for reading only (a host can never
// change what another host reads), and trusted as the block is.
class MappedMarks {
 public:
  constexpr MappedMarks() = default;
  MappedMarks(const MappedMarks&) = delete;
  MappedMarks& operator=(const MappedMarks&) = delete;
  ~MappedMarks() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
  }

  bool Open() {
    mapping_ = OpenFileMappingA(FILE_MAP_READ | READ_CONTROL, FALSE, MarkTableName);
    if (mapping_ == nullptr) return false;
    if (!SectionTrusted(mapping_)) {
      CloseHandle(mapping_);
      mapping_ = nullptr;
      return false;
    }
    view_ = static_cast<const TMarkTable*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, sizeof(TMarkTable)));
    if (view_ == nullptr) {
      CloseHandle(mapping_);
      mapping_ = nullptr;
      return false;
    }
    return true;
  }
  const TMarkTable* get() const { return view_; }

 private:
  HANDLE mapping_ = nullptr;
  const TMarkTable* view_ = nullptr;
};

}  // namespace velmora
