#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "win32/Win32Registry.h"
#include "win32/Win32Shell.h"

namespace velmora {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t seed) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(seed + i * 13);
  return v;
}

TEST(Win32Registry, ValuesRoundTripUnderCurrentUser) {
  Win32Registry registry;
  const char* key = "\\Software\\VelmoraAdapterTest";
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data{1, 2, 3};
  EXPECT_EQ(registry.QueryValue(key, "Options", type, data), RegResult::NotFound);  // no key yet
  EXPECT_EQ(data, (std::vector<std::uint8_t>{1, 2, 3}));                            // untouched

  ASSERT_TRUE(registry.CreateKey(key));
  EXPECT_EQ(registry.QueryValue(key, "Options", type, data), RegResult::NotFound);  // key, no value

  const auto options = Bytes(108, 5);
  ASSERT_TRUE(registry.SetValue(key, "Options", REG_BINARY, options));
  ASSERT_EQ(registry.QueryValue(key, "Options", type, data), RegResult::Ok);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(data, options);

  // The same key without the leading backslash, as the API itself spells it.
  ASSERT_EQ(registry.QueryValue("Software\\VelmoraAdapterTest", "Options", type, data), RegResult::Ok);
  EXPECT_EQ(data, options);
  HKEY raw = nullptr;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VelmoraAdapterTest", 0, KEY_READ, &raw), ERROR_SUCCESS);
  ::RegCloseKey(raw);

  // The run-at-login calls: a missing key is never created; a value goes again.
  const auto path = Bytes(4, 'x');
  EXPECT_FALSE(registry.SetExistingKeyValue(RegRoot::CurrentUser, "\\Software\\VelmoraNoSuchKey", "V", REG_SZ, path));
  EXPECT_NE(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VelmoraNoSuchKey", 0, KEY_READ, &raw), ERROR_SUCCESS);
  EXPECT_TRUE(registry.SetExistingKeyValue(RegRoot::CurrentUser, key, "Velmora", REG_SZ, path));
  EXPECT_TRUE(registry.DeleteValue(RegRoot::CurrentUser, key, "Velmora"));
  EXPECT_FALSE(registry.DeleteValue(RegRoot::CurrentUser, key, "Velmora")) << "already gone";
}

TEST(Win32Registry, ReadsAnyTypeAndSizeWhole) {
  Win32Registry registry;
  const char* key = "\\Software\\VelmoraAdapterTest\\Run";  // created on the way
  const std::string path = "C:\\Program Files\\Velmora\\Velmora.exe";
  std::vector<std::uint8_t> text(path.begin(), path.end());
  text.push_back(0);
  ASSERT_TRUE(registry.SetValue(key, "Velmora", REG_SZ, text));
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(registry.QueryValue(key, "Velmora", type, data), RegResult::Ok);
  EXPECT_EQ(type, static_cast<std::uint32_t>(REG_SZ));
  EXPECT_EQ(data, text);

  const auto big = Bytes(70000, 9);
  ASSERT_TRUE(registry.SetValue(key, "Big", REG_BINARY, big));
  ASSERT_EQ(registry.QueryValue(key, "Big", type, data), RegResult::Ok);
  EXPECT_EQ(data, big);

  ASSERT_TRUE(registry.SetValue(key, "Empty", REG_BINARY, {}));
  data = {7};
  ASSERT_EQ(registry.QueryValue(key, "Empty", type, data), RegResult::Ok);
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(registry.QueryValue(key, "Missing", type, data), RegResult::NotFound);
}

// A fresh folder under the temporary folder, removed with its files.
class TempFolder {
 public:
  TempFolder() {
    char base[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, base);
    path_ = std::string(base) + "velmora_test_" + std::to_string(::GetCurrentProcessId()) + "_" +
            std::to_string(++counter_);
    ::CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TempFolder() {
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::string item = path_ + "\\" + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          if (found.cFileName[0] != '.') ::RemoveDirectoryA(item.c_str());
        } else {
          ::SetFileAttributesA(item.c_str(), FILE_ATTRIBUTE_NORMAL);
          ::DeleteFileA(item.c_str());
        }
      } while (::FindNextFileA(find, &found));
      ::FindClose(find);
    }
    ::RemoveDirectoryA(path_.c_str());
  }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  static inline int counter_ = 0;
  std::string path_;
};

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(Win32Shell, FilesAreReadWholeAndReplacedWhole) {
  Win32Shell shell;
  TempFolder folder;
  const std::string file = folder / "Velmora.vlm";
  EXPECT_FALSE(shell.FileExists(file));
  EXPECT_FALSE(shell.ReadFile(file).has_value());

  const auto first = Bytes(260 * 3, 1);
  ASSERT_TRUE(shell.ReplaceFile(file, first));  // no old file yet
  EXPECT_TRUE(shell.FileExists(file));
  EXPECT_EQ(shell.ReadFile(file), first);

  const auto second = Bytes(260 * 100, 2);
  ASSERT_TRUE(shell.ReplaceFile(file, second));
  EXPECT_EQ(shell.ReadFile(file), second);
  EXPECT_FALSE(Exists(file + ".new"));

  ASSERT_TRUE(shell.ReplaceFile(file, {}));  // an empty list is an empty file
  auto empty = shell.ReadFile(file);
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());

  EXPECT_FALSE(shell.FileExists(folder / ""));  // a folder is not a file
}

TEST(Win32Shell, FailedReplaceLeavesTheOldFileAndNoLeftovers) {
  Win32Shell shell;
  TempFolder folder;
  const auto bytes = Bytes(520, 3);

  const std::string lost = folder / "missing\\Velmora.vlm";
  EXPECT_FALSE(shell.ReplaceFile(lost, bytes));
  EXPECT_FALSE(Exists(lost + ".new"));

  // A folder where the file should be cannot be replaced by a file.
  const std::string blocked = folder / "blocked.vlm";
  ASSERT_TRUE(::CreateDirectoryA(blocked.c_str(), nullptr));
  EXPECT_FALSE(shell.ReplaceFile(blocked, bytes));
  EXPECT_FALSE(Exists(blocked + ".new"));
  EXPECT_TRUE(::GetFileAttributesA(blocked.c_str()) & FILE_ATTRIBUTE_DIRECTORY);

  // A file the system will not let go of keeps its old content.
  const std::string held = folder / "held.vlm";
  const auto old = Bytes(260, 4);
  ASSERT_TRUE(shell.ReplaceFile(held, old));
  {
    UniqueHandle lock =
        OwnFile(::CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    EXPECT_FALSE(shell.ReplaceFile(held, bytes));
    EXPECT_FALSE(Exists(held + ".new"));
  }
  EXPECT_EQ(shell.ReadFile(held), old);
}

TEST(Win32Shell, ModuleFileNameIsTheProgramsFullPath) {
  Win32Shell shell;
  const std::string path = shell.GetModuleFileName();
  ASSERT_GT(path.size(), 3u);
  EXPECT_EQ(path[1], ':');
  EXPECT_NE(path.find('\\'), std::string::npos);
  EXPECT_TRUE(shell.FileExists(path));
  const std::string tail = "adapter_tests.exe";
  ASSERT_GE(path.size(), tail.size());
  EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
}

// A call into Explorer that does not come back holds nobody up: false after the
// bound, at once while it is still out, and calls go through again once it is back.
TEST(Win32Shell, CallsIntoExplorerAreBounded) {
  const UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  EXPECT_FALSE(CallBounded([&] { return ::WaitForSingleObject(release.get(), INFINITE) == WAIT_OBJECT_0; }, 50));
  EXPECT_FALSE(CallBounded([] { return true; }, 5000)) << "the first is still out";
  ::SetEvent(release.get());
  bool back = false;
  for (int i = 0; i < 200 && !(back = CallBounded([] { return true; }, 5000)); ++i) ::Sleep(10);
  EXPECT_TRUE(back);
}

}  // namespace
}  // namespace velmora
