#include <gtest/gtest.h>

#include <string>

#include "SharedBlockChild.h"
#include "TestSupport.h"
#include "win32/Win32Kernel.h"

namespace velmora {
namespace {

std::string UniqueName(const char* base) {
  return std::string(base) + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(::GetTickCount64());
}

TEST(Win32Kernel, SharedBlockIsSeenByASecondProcess) {
  Win32Kernel kernel;
  const std::string name = UniqueName("VelmoraTestBlock");
  auto* view = static_cast<std::uint8_t*>(kernel.MapSharedBlock(name, test::BlockSize));
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
  UniqueHandle small(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 100, name.c_str()));
  ASSERT_TRUE(small);
  Win32Kernel kernel;
  EXPECT_EQ(kernel.MapSharedBlock(name, 3 * 4096), nullptr);
  void* same = kernel.MapSharedBlock(name, 100);
  EXPECT_NE(same, nullptr);
  kernel.UnmapSharedBlock(same);
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
