#pragma once
// A section made as Velmora makes the one of this process's level, which the library here opens.
#include "hook/SectionSecurity.h"

namespace velmora::test {

inline HANDLE CreateOwnLevelSection(const char* base, unsigned long long size) {
  OwnTokenFacts own;
  char name[SectionNameSize];
  if (!own.Read() || !SectionNameAt(base, LevelOf(own.integrity), name, sizeof name)) return nullptr;
  return CreateOwnSection(name, size, LevelOf(own.integrity));
}

}  // namespace velmora::test
