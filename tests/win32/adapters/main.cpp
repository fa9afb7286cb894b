// The adapter tests. Started with "--write-block NAME", the program is the
// second process of the shared-block test instead: it maps the block, writes
// BlockPattern into it and ends.
#include <gtest/gtest.h>

#include <cstring>

#include "SharedBlockChild.h"
#include "win32/Win32Kernel.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], velmora::test::WriteBlockArg) == 0) {
    velmora::Win32Kernel kernel;
    auto* view = static_cast<std::uint8_t*>(kernel.MapSharedBlock(argv[2], velmora::test::BlockSize));
    if (!view) return 2;
    for (std::size_t i = 0; i < velmora::test::BlockSize; ++i) view[i] = velmora::test::BlockPattern(i);
    kernel.UnmapSharedBlock(view);
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
