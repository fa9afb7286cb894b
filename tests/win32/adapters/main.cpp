// The adapter tests. Started with "--write-block NAME", the program is the
// second process of the shared-block test instead: it maps the block, writes
// BlockPattern into it and ends. Started with "--hold NAME", it is the command
// process of the held-program test (SharedBlockChild.h).
#include <gtest/gtest.h>

#include <cstring>

#include "SharedBlockChild.h"
#include "win32/HeldProgram.h"
#include "win32/Win32Kernel.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], velmora::test::WriteBlockArg) == 0) {
    velmora::Win32Kernel kernel;
    auto* view = static_cast<std::uint8_t*>(kernel.MapSharedBlock(velmora::test::BlockSpec(argv[2])));
    if (!view) return 2;
    for (std::size_t i = 0; i < velmora::test::BlockSize; ++i) view[i] = velmora::test::BlockPattern(i);
    kernel.UnmapSharedBlock(view);
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], velmora::test::HoldArg) == 0) {
    wchar_t self[MAX_PATH] = {};
    const std::string line = std::string("adapter_tests ") + velmora::test::WriteBlockArg + " " + argv[2];
    DWORD error = 0;
    auto held = velmora::HeldProgram::Start(std::wstring(self, ::GetModuleFileNameW(nullptr, self, MAX_PATH)),
                                            std::wstring(line.begin(), line.end()), error);
    velmora::Win32Kernel kernel;
    auto* pid = static_cast<std::uint32_t*>(
        kernel.MapSharedBlock(velmora::test::BlockSpec(std::string(argv[2]) + velmora::test::HeldPidSuffix)));
    if (!held || !pid) return 2;
    *pid = held->ProcessId();
    ::Sleep(INFINITE);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
