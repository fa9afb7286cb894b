#include "win32/Win32Kernel.h"

#include <string>

#include <ntsecapi.h>

#include "hook/LibOrvane.h"
#include "hook/Levels.h"
#include "hook/SectionSecurity.h"
#include "win32/Convert.h"
#include "win32/Elevation.h"
#include "win32/ProcessIdentity.h"
#include "win32/Win32Api.h"
#include "win32/Win32Shell.h"

namespace velmora {

KernelHandle Win32Kernel::Keep(HANDLE handle) {
  if (!handle) return 0;
  const auto key = static_cast<KernelHandle>(reinterpret_cast<std::uintptr_t>(handle));
  handles_[key] = UniqueHandle(handle);
  return key;
}

HANDLE Win32Kernel::Find(KernelHandle handle) const {
  auto it = handles_.find(handle);
  return it == handles_.end() ? nullptr : it->second.get();
}

KernelHandle Win32Kernel::CreateMutex(std::string_view name, bool initialOwner, bool& alreadyExists) {
  const std::string object(name);
  HANDLE mutex = ::CreateMutexA(nullptr, initialOwner ? TRUE : FALSE, object.c_str());
  const DWORD error = ::GetLastError();
  // A mutex that exists but is not ours to open exists all the same.
  alreadyExists = error == ERROR_ALREADY_EXISTS || (mutex == nullptr && error == ERROR_ACCESS_DENIED);
  return Keep(mutex);
}

KernelHandle Win32Kernel::CreateEvent(std::string_view name) {
  const std::string object(name);
  return Keep(::CreateEventA(nullptr, TRUE, FALSE, object.c_str()));
}

bool Win32Kernel::SetEvent(KernelHandle event) {
  HANDLE handle = Find(event);
  return handle && ::SetEvent(handle);
}

bool Win32Kernel::WaitForSingleObject(KernelHandle handle, std::uint32_t ms) {
  HANDLE object = Find(handle);
  if (!object) return false;
  const DWORD result = ::WaitForSingleObject(object, ms);
  return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void Win32Kernel::CloseHandle(KernelHandle handle) { handles_.erase(handle); }

void* Win32Kernel::MapSharedBlock(const SectionSpec& spec) {
  if (spec.size == 0) return nullptr;
  Mapping mapping;
  mapping.section.reset(CreateOwnSection(spec.name.c_str(), spec.size, spec.level));
  // One that someone else made first is left alone.
  if (!mapping.section || !SectionTrusted(mapping.section.get(), spec.level)) return nullptr;
  mapping.view.reset(::MapViewOfFile(mapping.section.get(), FILE_MAP_ALL_ACCESS, 0, 0, spec.size));
  if (!mapping.view) return nullptr;
  void* view = mapping.view.get();
  mappings_[view] = std::move(mapping);
  return view;
}

Kernel::BlockClaim Win32Kernel::ClaimSharedBlock(const SectionSpec& spec) {
  UniqueHandle section(CreateOwnSection(spec.name.c_str(), spec.size, spec.level));
  if (!section) {
    // A name held by an object that this user may not open, or by an object of another kind.
    const DWORD error = ::GetLastError();
    return error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_HANDLE ? BlockClaim::Taken : BlockClaim::Failed;
  }
  if (!SectionTrusted(section.get(), spec.level)) return BlockClaim::Taken;
  claims_.push_back(std::move(section));
  return BlockClaim::Own;
}

void Win32Kernel::UnmapSharedBlock(void* view) { mappings_.erase(view); }

namespace {

DWORD WINAPI HookThread(void* ready) {
  MSG msg;
  ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue, before anyone posts to it
  ::SetHook();
  ::SetEvent(ready);
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  ::UnSetHook();
  return 0;
}

// Asks a thread or process that pumps messages to end and waits for it, 2 s at
// most; its queue may not exist yet, so the request is tried again.
bool EndPumping(HANDLE waitable, DWORD threadId) {
  constexpr DWORD kPatienceMs = 2000;
  const DWORD start = ::GetTickCount();
  bool asked = false;
  for (DWORD elapsed = 0; elapsed < kPatienceMs; elapsed = ::GetTickCount() - start) {
    asked = asked || ::PostThreadMessageW(threadId, WM_QUIT, 0, 0);
    if (::WaitForSingleObject(waitable, asked ? kPatienceMs - elapsed : 10) == WAIT_OBJECT_0) return true;
  }
  return ::WaitForSingleObject(waitable, 0) == WAIT_OBJECT_0;
}

}  // namespace

void Win32Kernel::SetHook() {
  UnSetHook();
  // The block is set up before this returns: the helper started next relies on it.
  UniqueHandle ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!ready) return;
  hookThread_.reset(::CreateThread(nullptr, 0, &HookThread, ready.get(), 0, &hookThreadId_));
  if (hookThread_) {
    // Only local calls stand between: the thread either signals or ends.
    HANDLE either[] = {ready.get(), hookThread_.get()};
    ::WaitForMultipleObjects(2, either, FALSE, INFINITE);
  }
}

void Win32Kernel::UnSetHook() {
  if (!hookThread_) return;
  // A thread that does not end in time keeps its hooks; the block's cleared
  // MainWindow already keeps them quiet.
  EndPumping(hookThread_.get(), hookThreadId_);
  hookThread_.reset();
  hookThreadId_ = 0;
}

bool Win32Kernel::StartHookHelper() {
  StopHookHelper();
  std::wstring path = OwnModulePath();
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return false;
  path.replace(slash + 1, std::wstring::npos, L"VelmoraHook32.exe");
  std::wstring commandLine = L"\"" + path + L"\" " + WideNumber(::GetCurrentProcessId());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
    return false;
  }
  ::CloseHandle(started.hThread);
  helper_.reset(started.hProcess);
  helperThread_ = started.dwThreadId;
  return true;
}

bool Win32Kernel::HookHelperRunning() {
  return helper_ && ::WaitForSingleObject(helper_.get(), 0) == WAIT_TIMEOUT;
}

bool Win32Kernel::RunsElevated() { return velmora::RunsElevated(); }

std::uint32_t Win32Kernel::IntegrityLevel() {
  const auto own = OwnIdentity();
  return own ? own->integrity : LevelMedium;
}

std::uint32_t Win32Kernel::ProcessIntegrityLevel(std::uint32_t pid) {
  const auto identity = ProcessIdentityOf(pid);
  return identity ? identity->integrity : LevelUnknown;
}

bool Win32Kernel::GenerateRandom(std::uint8_t* out, std::size_t size) {
  return RtlGenRandom(out, static_cast<ULONG>(size)) != FALSE;
}

namespace {
void CALLBACK ProcessEnded(void* param, BOOLEAN) noexcept {
  auto* watch = static_cast<Win32Kernel::Watch*>(param);
  watch->told = true;  // first: whoever unregisters the wait then waits for the post below
  ::PostMessageW(watch->notify, watch->message, watch->pid, 0);
}
}  // namespace

void Win32Kernel::WatchProcess(std::uint32_t pid, Hwnd notify, std::uint32_t message) {
  // Watches whose program has ended and been told of go: each would hold the
  // ended process (and its id) for as long as Velmora runs.
  std::erase_if(watches_, [](const auto& entry) { return entry.second->told.load(); });
  // An ended watch gives way to a new one (the pid may have been taken again).
  if (auto it = watches_.find(pid); it != watches_.end()) {
    if (::WaitForSingleObject(it->second->process.get(), 0) != WAIT_OBJECT_0) return;
    watches_.erase(it);
  }
  auto watch = std::make_unique<Watch>();
  watch->process.reset(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  watch->notify = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(notify.value));
  watch->message = message;
  watch->pid = pid;
  HANDLE wait = nullptr;
  if (!watch->process || !::RegisterWaitForSingleObject(&wait, watch->process.get(), &ProcessEnded, watch.get(),
                                                        INFINITE, WT_EXECUTEONLYONCE))
    return;
  watch->wait.reset(wait);
  watches_.emplace(pid, std::move(watch));
}

std::uint64_t Win32Kernel::ProcessStartTime(std::uint32_t pid) {
  const UniqueHandle process(pid == 0 ? nullptr : ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  FILETIME created{}, exited{}, kernel{}, user{};
  DWORD exitCode = 0;
  if (!process || !::GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) return 0;
  // An ended process that someone still holds keeps its id: it is no instance any more.
  if (::GetExitCodeProcess(process.get(), &exitCode) && exitCode != STILL_ACTIVE) return 0;
  return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// Each watch ends its wait before its record goes: no callback reads freed memory.
Win32Kernel::~Win32Kernel() = default;

std::uint16_t Win32Kernel::GetUserDefaultUILanguage() { return ::GetUserDefaultUILanguage(); }

void Win32Kernel::StopHookHelper() {
  if (!helper_) return;
  // Ending the helper removes its hooks with it.
  if (!EndPumping(helper_.get(), helperThread_)) ::TerminateProcess(helper_.get(), 1);
  helper_.reset();
  helperThread_ = 0;
}

}  // namespace velmora
