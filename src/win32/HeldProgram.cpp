#include "win32/HeldProgram.h"

#include <cstddef>
#include <vector>

namespace velmora {

namespace {

constexpr DWORD EndMs = 5000;  // for an ended program's process to be gone
// PROC_THREAD_ATTRIBUTE_JOB_LIST (Windows 10 and later); the headers give it only for such targets.
constexpr DWORD_PTR JobListAttribute = 0x2000D;

bool IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The job's limits: kill on close or not; the program's own children never belong to it.
bool SetKillOnClose(HANDLE job, bool kill) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK | (kill ? JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE : 0);
  return ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) != FALSE;
}

// Made inside the job from its first moment (Windows 10 and later): a command
// killed right after cannot leave a suspended program outside the job's reach.
// False where the system takes no job at creation; nothing was started then.
bool StartInJob(const std::wstring& path, std::wstring& commandLine, HANDLE job, PROCESS_INFORMATION& started,
                DWORD& error) {
  SIZE_T size = 0;
  ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<std::byte> buffer(size);
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer.data());
  if (size == 0 || !::InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return false;
  HANDLE jobs[] = {job};
  bool made = false;
  if (::UpdateProcThreadAttribute(attributes, 0, JobListAttribute, jobs, sizeof jobs, nullptr, nullptr)) {
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.lpAttributeList = attributes;
    made = ::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                            CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &startup.StartupInfo,
                            &started) != FALSE;
    if (!made) error = ::GetLastError();
  }
  ::DeleteProcThreadAttributeList(attributes);
  return made;
}

}  // namespace

std::optional<std::wstring> ResolveProgram(const std::wstring& name, DWORD& error) {
  error = ERROR_FILE_NOT_FOUND;
  const auto slash = name.find_last_of(L"\\/:");
  const bool hasFolder = slash != std::wstring::npos;
  const bool hasExtension = name.find(L'.', hasFolder ? slash + 1 : 0) != std::wstring::npos;
  if (name.empty() || (hasFolder && slash + 1 == name.size())) return std::nullopt;
  // A path names its one file, from the current folder; a bare name is searched for.
  const std::wstring named = hasFolder && !hasExtension ? name + L".exe" : name;
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const auto size = static_cast<DWORD>(buffer.size());
    const DWORD length = hasFolder ? ::GetFullPathNameW(named.c_str(), size, buffer.data(), nullptr)
                                   : ::SearchPathW(nullptr, named.c_str(), L".exe", size, buffer.data(), nullptr);
    if (length == 0) {
      if (const DWORD why = ::GetLastError()) error = why;
      return std::nullopt;
    }
    if (length < size) break;
    buffer.resize(length + 1);
  }
  std::wstring path(buffer.data());
  if (!IsFile(path)) return std::nullopt;
  return path;
}

std::optional<HeldProgram> HeldProgram::Start(const std::wstring& path, std::wstring commandLine, DWORD& error) {
  HeldProgram held;
  // Made first, so that the program is never without it once it can be reached.
  held.job_.reset(::CreateJobObjectW(nullptr, nullptr));
  if (held.job_ && !SetKillOnClose(held.job_.get(), true)) held.job_.reset();
  PROCESS_INFORMATION started{};
  const bool inJob = held.job_ && StartInJob(path, commandLine, held.job_.get(), started, error);
  if (!inJob) {
    // Before Windows 10, or where the job is refused at creation: made suspended, then put in the job.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                          nullptr, &startup, &started)) {
      error = ::GetLastError();
      return std::nullopt;
    }
  }
  held.process_.reset(started.hProcess);
  held.thread_.reset(started.hThread);
  held.pid_ = started.dwProcessId;
  // Where this process's own job refuses a job of another (before Windows 8),
  // the program is held without one: ended by this object, not by the system.
  if (!inJob && held.job_ && !::AssignProcessToJobObject(held.job_.get(), held.process_.get())) held.job_.reset();
  return std::optional<HeldProgram>(std::move(held));
}

HeldProgram::~HeldProgram() {
  if (process_ && !released_) End();
}

bool HeldProgram::Ended() const {
  return !process_ || ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
}

bool HeldProgram::End() {
  if (!process_) return true;
  released_ = true;  // nothing more to do for it, ended or not
  const bool terminated = ::TerminateProcess(process_.get(), 3) != FALSE;
  // Not ended by the call: the job's close ends it.
  if (!terminated) job_.reset();
  const bool ended = ::WaitForSingleObject(process_.get(), EndMs) == WAIT_OBJECT_0;
  job_.reset();
  return ended;
}

bool HeldProgram::Release(DWORD& error) {
  if (!process_ || released_) return false;
  // First it runs, then the job lets go: a program is ended at worst, never left suspended.
  if (::ResumeThread(thread_.get()) == static_cast<DWORD>(-1)) {
    error = ::GetLastError();
    End();
    return false;
  }
  if (job_ && !SetKillOnClose(job_.get(), false)) {
    // Still in the job's reach, it would end with this process: ended now, and said so.
    error = ::GetLastError();
    End();
    return false;
  }
  released_ = true;
  job_.reset();
  return true;
}

}  // namespace velmora
