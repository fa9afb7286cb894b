#include <gtest/gtest.h>

#include <string>

#include "SharedBlockChild.h"
#include "TestSupport.h"
#include "hook/SectionSecurity.h"
#include "win32/ProcessIdentity.h"
#include "win32/Win32Kernel.h"

#include <aclapi.h>
#include <sddl.h>

namespace velmora {
namespace {

std::string UniqueName(const char* base) {
  return std::string(base) + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(::GetTickCount64());
}

TEST(Win32Kernel, SharedBlockIsSeenByASecondProcess) {
  Win32Kernel kernel;
  const std::string name = UniqueName("VelmoraTestBlock");
  auto* view = static_cast<std::uint8_t*>(kernel.MapSharedBlock(test::BlockSpec(name)));
  ASSERT_NE(view, nullptr);
  for (std::size_t i = 0; i < test::BlockSize; ++i) EXPECT_EQ(view[i], 0) << i;  // fresh from the paging file

  char exe[MAX_PATH] = {};
  ASSERT_GT(::GetModuleFileNameA(nullptr, exe, MAX_PATH), 0u);
  std::string command = std::string("\"") + exe + "\" " + test::WriteBlockArg + " " + name;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  ASSERT_EQ(::WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
  DWORD code = 99;
  ASSERT_TRUE(::GetExitCodeProcess(process.get(), &code));
  ASSERT_EQ(code, 0u);

  for (std::size_t i = 0; i < test::BlockSize; ++i) ASSERT_EQ(view[i], test::BlockPattern(i)) << i;
  kernel.UnmapSharedBlock(view);
}

TEST(Win32Kernel, SharedBlockSmallerThanAskedIsRefused) {
  const std::string name = UniqueName("VelmoraTestSmall");
  UniqueHandle small(CreateOwnSection(name.c_str(), 100, LevelMedium));
  ASSERT_TRUE(small);
  Win32Kernel kernel;
  EXPECT_EQ(kernel.MapSharedBlock(test::BlockSpec(name, 3 * 4096)), nullptr);
  void* same = kernel.MapSharedBlock(test::BlockSpec(name, 100));
  EXPECT_NE(same, nullptr);
  kernel.UnmapSharedBlock(same);
}

// Sections made first, by their descriptors ("": Velmora's, an earlier one's still held): used by Velmora
// and by the library's check, at this process's level, only when this user made them at that level or above.
TEST(Win32Kernel, ASharedBlockIsUsedOnlyWhenThisUserMadeItAtThisLevelOrAbove) {
  const auto own = *OwnIdentity();
  const DWORD level = LevelOf(own.integrity);
  const std::wstring user = L"O:" + SidText(own.user) + L"D:P(A;;GA;;;" + SidText(own.user) + L")S:(ML;;NW;;;";
  const std::pair<std::wstring, bool> cases[] = {
      {L"", true},
      {user + L"S-1-16-" + std::to_wstring(own.integrity) + L")", true},
      {user + L"ME)", level <= LevelMedium},  // a normal program's: never trusted by an elevated one
      {user + L"LW)", false},              // a sandboxed program of this user
      {L"O:SYD:P(A;;GA;;;WD)", false},  // another owner (Windows lets no plain program give one)
  };
  Win32Kernel kernel;
  int made = 0;
  for (const auto& [sddl, used] : cases) {
    const std::string name = UniqueName("VelmoraTestSquat") + "_" + std::to_string(++made);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const SectionSpec spec{name, test::BlockSize, level};
    const UniqueHandle section(sddl.empty() ? CreateOwnSection(name.c_str(), test::BlockSize, level)
                                            : ::CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE,
                                                                   0, test::BlockSize, name.c_str()));
    const DWORD error = ::GetLastError();
    ::LocalFree(descriptor);
    if (!section && error == ERROR_INVALID_OWNER) continue;
    ASSERT_TRUE(section) << error;
    PSECURITY_DESCRIPTOR label = nullptr;
    ::GetSecurityInfo(section.get(), SE_KERNEL_OBJECT, LABEL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr, &label);
    EXPECT_TRUE(!sddl.empty() || (label && LabelLevel(label) == level)) << "labelled at its level";
    ::LocalFree(label);
    EXPECT_EQ(kernel.ClaimSharedBlock(spec) == Kernel::BlockClaim::Own, used) << name;
    void* view = kernel.MapSharedBlock(spec);
    EXPECT_EQ(view != nullptr, used) << name;
    if (view) kernel.UnmapSharedBlock(view);
    const UniqueHandle opened(::OpenFileMappingA(FILE_MAP_READ | READ_CONTROL, FALSE, name.c_str()));
    EXPECT_EQ(opened && SectionTrusted(opened.get(), level), used) << name;
  }
  const std::string mutex = UniqueName("VelmoraTestNotASection");
  const UniqueHandle other(::CreateMutexA(nullptr, FALSE, mutex.c_str()));
  EXPECT_EQ(kernel.ClaimSharedBlock(test::BlockSpec(mutex)), Kernel::BlockClaim::Taken);
}

TEST(Win32Kernel, MutexReportsAnEarlierInstance) {
  Win32Kernel kernel;
  const std::string name = UniqueName("VelmoraTestMutex");
  bool exists = true;
  KernelHandle first = kernel.CreateMutex(name, false, exists);
  ASSERT_NE(first, 0u);
  EXPECT_FALSE(exists);
  KernelHandle second = kernel.CreateMutex(name, false, exists);
  ASSERT_NE(second, 0u);
  EXPECT_TRUE(exists);
  kernel.CloseHandle(second);
  kernel.CloseHandle(first);
  // Once every handle is closed the name is free again.
  KernelHandle third = kernel.CreateMutex(name, false, exists);
  EXPECT_FALSE(exists);
  kernel.CloseHandle(third);
}

TEST(Win32Kernel, EventIsManualResetAndSharedByName) {
  Win32Kernel kernel;
  const std::string name = UniqueName("VelmoraTestEvent");
  KernelHandle event = kernel.CreateEvent(name);
  ASSERT_NE(event, 0u);
  EXPECT_FALSE(kernel.WaitForSingleObject(event, 0));
  KernelHandle again = kernel.CreateEvent(name);  // opens the same event
  ASSERT_NE(again, 0u);
  EXPECT_TRUE(kernel.SetEvent(again));
  EXPECT_TRUE(kernel.WaitForSingleObject(event, 0));
  EXPECT_TRUE(kernel.WaitForSingleObject(event, 0));  // stays signalled
  kernel.CloseHandle(again);
  kernel.CloseHandle(event);
  // A closed handle is not used again.
  EXPECT_FALSE(kernel.SetEvent(event));
  EXPECT_FALSE(kernel.WaitForSingleObject(event, 0));
}

}  // namespace
}  // namespace velmora
