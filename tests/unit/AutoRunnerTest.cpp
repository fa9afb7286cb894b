// Run at login against the fake registry.
#include <gtest/gtest.h>

#include "FakeWorld.h"
#include "settings/TAutoRunner.h"

namespace velmora {
namespace {

constexpr char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Stored(fake::FakeRegistry& r) {
  const auto v = r.Get(RunKey, "Velmora");
  if (!v) return "<none>";
  std::string ascii;  // the UTF-16LE string back to ASCII, its zero included
  for (std::size_t i = 0; i + 1 < v->bytes.size(); i += 2) ascii.push_back(static_cast<char>(v->bytes[i]));
  return ascii;
}

TEST(AutoRunnerTest, LoadingReadsTheEntryAndEachCloseRewritesOrRemovesIt) {
  fake::FakeWorld w;
  w.shell.modulePath = "C:\\Program Files\\Velmora\\Velmora.exe";
  {
    TAutoRunner fresh(w.registry, w.shell);
    EXPECT_FALSE(fresh.AutoRun()) << "no Run key: no entry";
    fresh.SetAutoRun(false);
    fresh.SetAutoRun(true);
    EXPECT_EQ(Stored(w.registry), "<none>") << "the key is never created";
  }
  w.registry.Put(RunKey, "Velmora", 1, {0});  // an empty string counts as none
  TAutoRunner runner(w.registry, w.shell);
  EXPECT_FALSE(runner.AutoRun());
  runner.SetAutoRun(true);  // "关闭" with the box ticked: the opposite, then the state
  EXPECT_EQ(Stored(w.registry), std::string("\"C:\\Program Files\\Velmora\\Velmora.exe\"") + '\0');
  w.shell.modulePath = "D:\\Tools\\Velmora.exe";  // the program moved
  runner.SetAutoRun(false);
  runner.SetAutoRun(true);
  EXPECT_EQ(Stored(w.registry), std::string("D:\\Tools\\Velmora.exe") + '\0');
  EXPECT_TRUE(TAutoRunner(w.registry, w.shell).AutoRun()) << "a later start sees it";
  runner.SetAutoRun(false);
  EXPECT_EQ(Stored(w.registry), "<none>");
  runner.SetAutoRun(false);  // no change: nothing happens, a missing value is no error
  runner.SetAutoRunWhere(TAutoRunWhere::RunServices);
  EXPECT_EQ(runner.AutoRunWhere(), TAutoRunWhere::Run) << "no services key for the current user";
  runner.SetAutoRunWhere(TAutoRunWhere::RunOnce);
  EXPECT_EQ(runner.RunKey(), "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
  runner.SetAppName("Other");
  EXPECT_EQ(runner.AppName(), "Velmora") << "taken only while loading";
}

}  // namespace
}  // namespace velmora
