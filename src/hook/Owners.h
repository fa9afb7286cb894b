#pragma once
// Owners of kernel handles and views, for the hook library and the adapters
// alike: each frees its handle exactly once. No heap: unique_ptr with a deleter.
#include <windows.h>

#include <memory>

namespace velmora {

struct HandleDeleter {
  void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
};
struct ViewDeleter {
  void operator()(const void* view) const noexcept { ::UnmapViewOfFile(view); }
};

// A kernel handle (mutex, event, mapping, token, file); never INVALID_HANDLE_VALUE.
using UniqueHandle = std::unique_ptr<void, HandleDeleter>;
// A view of a file mapping.
using UniqueView = std::unique_ptr<void, ViewDeleter>;

}  // namespace velmora
