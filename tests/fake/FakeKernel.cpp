#include "FakeKernel.h"

#include <cstring>

namespace velmora::fake {

const std::uint8_t* FakeKernelSpace::BlockAsReadAt(std::string_view name, std::uint32_t level) {
  const auto it = blocks_.find(name);
  if (it == blocks_.end() || level < it->second.level) return nullptr;
  return Block(name);
}

std::uint8_t* FakeKernelSpace::Block(std::string_view name) {
  auto it = blocks_.find(name);
  return it == blocks_.end() ? nullptr : reinterpret_cast<std::uint8_t*>(it->second.storage.get());
}

FakeKernel::FakeKernel(CallLog* log)
    : log_(log), ownSpace_(std::make_unique<FakeKernelSpace>()), space_(ownSpace_.get()) {}

FakeKernel::FakeKernel(FakeKernelSpace& space, CallLog* log) : log_(log), space_(&space) {}

FakeKernel::~FakeKernel() {
  // Leave no objects of this process behind in a shared space.
  for (const auto& [handle, held] : handles_) Release(held);
  for (const auto& [view, name] : views_) Unmap(name);
}

void FakeKernel::EndProcess() {
  LogCall(log_, "EndProcess");
  for (const auto& [handle, held] : handles_) Release(held);
  handles_.clear();
  unnamedEvents_.clear();
  for (const auto& [view, name] : views_) Unmap(name);
  views_.clear();
  hooked = false;
}

void FakeKernel::Release(const Held& held) {
  if (held.name.empty()) return;
  if (held.kind == Kind::Mutex) {
    auto it = space_->mutexes_.find(held.name);
    if (it != space_->mutexes_.end() && --it->second == 0) space_->mutexes_.erase(it);
  } else {
    auto it = space_->events_.find(held.name);
    if (it != space_->events_.end() && --it->second.handles == 0) space_->events_.erase(it);
  }
}

void FakeKernel::Unmap(const std::string& name) {
  auto it = space_->blocks_.find(name);
  if (it != space_->blocks_.end() && --it->second.views == 0) space_->blocks_.erase(it);
}

KernelHandle FakeKernel::CreateMutex(std::string_view name, bool, bool& alreadyExists) {
  LogCall(log_, "CreateMutex " + std::string(name));
  alreadyExists = false;
  if (!name.empty()) {
    auto it = space_->mutexes_.find(name);
    alreadyExists = it != space_->mutexes_.end();
    if (alreadyExists)
      ++it->second;
    else
      space_->mutexes_.emplace(std::string(name), 1);
  }
  const KernelHandle h = space_->nextHandle_ += 4;
  handles_.emplace(h, Held{Kind::Mutex, std::string(name)});
  return h;
}

KernelHandle FakeKernel::CreateEvent(std::string_view name) {
  LogCall(log_, "CreateEvent " + std::string(name));
  const KernelHandle h = space_->nextHandle_ += 4;
  if (name.empty())
    unnamedEvents_.emplace(h, false);
  else
    ++space_->events_[std::string(name)].handles;
  handles_.emplace(h, Held{Kind::Event, std::string(name)});
  return h;
}

bool FakeKernel::SetEvent(KernelHandle event) {
  auto it = handles_.find(event);
  if (it == handles_.end() || it->second.kind != Kind::Event) return false;
  LogCall(log_, "SetEvent " + it->second.name);
  if (it->second.name.empty())
    unnamedEvents_[event] = true;
  else
    space_->events_[it->second.name].signalled = true;
  return true;
}

bool FakeKernel::WaitForSingleObject(KernelHandle handle, std::uint32_t) {
  auto it = handles_.find(handle);
  if (it == handles_.end()) return false;
  if (it->second.kind == Kind::Mutex) return true;
  if (it->second.name.empty()) return unnamedEvents_[handle];
  auto e = space_->events_.find(it->second.name);
  return e != space_->events_.end() && e->second.signalled;
}

void FakeKernel::CloseHandle(KernelHandle handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end()) {
    ++badCloses;
    LogCall(log_, "CloseHandle " + Hex(handle));
    return;
  }
  LogCall(log_, "CloseHandle " + it->second.name);
  Release(it->second);
  unnamedEvents_.erase(handle);
  handles_.erase(it);
}

void* FakeKernel::MapSharedBlock(const SectionSpec& spec) {
  const std::string_view name = spec.name;
  const std::size_t size = spec.size;
  LogCall(log_, "MapSharedBlock " + spec.name);
  if (failMap || size == 0 || space_->foreignBlocks.contains(name)) return nullptr;
  auto it = space_->blocks_.find(name);
  if (it == space_->blocks_.end()) {
    FakeKernelSpace::SharedBlock block;
    const std::size_t cells = (size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    block.storage = std::make_unique<std::max_align_t[]>(cells);
    std::memset(block.storage.get(), 0, cells * sizeof(std::max_align_t));
    block.size = size;
    block.level = spec.level;
    it = space_->blocks_.emplace(std::string(name), std::move(block)).first;
  } else if (it->second.size < size) {
    return nullptr;
  }
  ++it->second.views;
  void* view = it->second.storage.get();
  // Every view of a block shares one address; each map needs its own unmap.
  views_.emplace(view, std::string(name));
  return view;
}

Kernel::BlockClaim FakeKernel::ClaimSharedBlock(const SectionSpec& spec) {
  LogCall(log_, "ClaimSharedBlock " + spec.name);
  return space_->foreignBlocks.contains(spec.name) ? BlockClaim::Taken : BlockClaim::Own;
}

bool FakeKernel::GenerateRandom(std::uint8_t* out, std::size_t size) {
  ++randomCalls_;
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(randomCalls_ * 131 + i * 7);
  return !randomFails;
}

void FakeKernel::UnmapSharedBlock(void* view) {
  auto it = views_.find(view);
  LogCall(log_, "UnmapSharedBlock " + (it == views_.end() ? Hex(reinterpret_cast<std::uintptr_t>(view)) : it->second));
  if (it == views_.end()) return;
  Unmap(it->second);
  views_.erase(it);
}

void FakeKernel::SetHook() {
  LogCall(log_, "SetHook");
  ++setHookCalls;
  hooked = true;
}

void FakeKernel::UnSetHook() {
  LogCall(log_, "UnSetHook");
  ++unSetHookCalls;
  hooked = false;
}

bool FakeKernel::StartHookHelper() {
  LogCall(log_, "StartHookHelper");
  ++helperStarts;
  helperRunning = !helperFails;
  return helperRunning;
}

void FakeKernel::StopHookHelper() {
  LogCall(log_, "StopHookHelper");
  helperRunning = false;
}

}  // namespace velmora::fake
