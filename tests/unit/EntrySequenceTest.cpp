#include <gtest/gtest.h>

#include "FakeWorld.h"
#include "main/EntrySequence.h"
#include "platform/WinConst.h"

namespace velmora {
namespace {

using fake::FakeKernel;

// One more Velmora process on the same desktop: its own kernel handles over the shared namespace.
struct Process {
  Process(fake::FakeWorld& w) : kernel(w.kernelSpace, &w.log), ports{w.desktop, w.tray, w.painter, w.registry,
                                                                       w.shell, w.timers, w.dialogs, kernel, w.menus, w.hotkeys} {}
  FakeKernel kernel;
  Ports ports;
};

class EntrySequence : public ::testing::Test {
 protected:
  fake::FakeWorld w;
  Hwnd Installer() { return w.desktop.AddWindow({.className = "ZURUInstall", .title = "Velmora Installation", .pid = 50}); }
  Hwnd Uninstaller(std::string title) {
    return w.desktop.AddWindow({.className = "ZURUUninstall", .title = std::move(title), .pid = 51});
  }
};

TEST_F(EntrySequence, FirstStartRunsAndHoldsTheInstanceMutex) {
  Process p(w);
  const EntryDecision d = RunEntrySequence(p.ports);
  EXPECT_TRUE(d.run);
  EXPECT_NE(d.mainMutex.get(), 0u);
  EXPECT_TRUE(w.kernelSpace.MutexExists("VelmoraMutex"));
  EXPECT_TRUE(w.shell.executions.empty());
}

TEST_F(EntrySequence, SecondStartAsksTheRunningInstanceAndEnds) {
  Process first(w), second(w);
  const EntryDecision held = RunEntrySequence(first.ports);  // holds the mutex while it lives
  ASSERT_TRUE(held.run);
  const Hwnd running = w.desktop.AddWindow({.className = "TFOrvane", .title = "Velmora 4.6.3", .pid = 1});
  const EntryDecision d = RunEntrySequence(second.ports);
  EXPECT_FALSE(d.run);
  ASSERT_EQ(w.desktop.copyDataSent.size(), 1u);
  EXPECT_EQ(w.desktop.copyDataSent[0], (fake::CopyDataSent{running, 56, 0}));
  EXPECT_TRUE(w.desktop.allowedProcesses.contains(1)) << "it may bring its About page to the front";
  EXPECT_EQ(second.kernel.OpenHandles(), 0u) << "the refused start closes what it opened";
}

TEST_F(EntrySequence, SecondStartDuringTheFirstHalfSecondFindsNoWindowAndEnds) {
  Process first(w), second(w);
  const EntryDecision held = RunEntrySequence(first.ports);  // holds the mutex while it lives
  ASSERT_TRUE(held.run);
  w.desktop.AddWindow({.className = "TFOrvane", .title = "Velmora", .pid = 1});  // caption not set yet
  EXPECT_FALSE(RunEntrySequence(second.ports).run);
  EXPECT_TRUE(w.desktop.copyDataSent.empty());
}

TEST_F(EntrySequence, UninstallerWindowsStopTheStart) {
  for (const char* title : {"Uninstall Velmora", "Select Uninstall Method"}) {
    fake::FakeWorld fresh;
    fresh.desktop.AddWindow({.className = "ZURUUninstall", .title = title});
    Process p(fresh);
    EXPECT_FALSE(RunEntrySequence(p.ports).run) << title;
    EXPECT_FALSE(fresh.kernelSpace.MutexExists("VelmoraMutex")) << title;
  }
  Uninstaller("Something else");
  Process p(w);
  EXPECT_TRUE(RunEntrySequence(p.ports).run);
}

TEST_F(EntrySequence, InstallerHandsOverToExactlyOneNewCopy) {
  Installer();
  w.shell.existingPaths.insert("C:\\Apps\\Velmora\\velmora.chm");
  std::vector<std::unique_ptr<Process>> copies;
  std::vector<bool> decisions;
  w.shell.onExecute = [&](const fake::Execution& e) {
    if (e.file != "Velmora.exe" || copies.size() > 5) return;
    copies.push_back(std::make_unique<Process>(w));
    decisions.push_back(RunEntrySequence(copies.back()->ports).run);
  };
  Process first(w);
  EXPECT_FALSE(RunEntrySequence(first.ports).run);
  first.kernel.EndProcess();
  ASSERT_EQ(copies.size(), 1u) << "the new copy must not start another one";
  EXPECT_EQ(decisions, std::vector<bool>{true});
  EXPECT_EQ(w.shell.executions[0], (fake::Execution{"open", "Velmora.exe", "", "C:\\Apps\\Velmora", win::SW_SHOWNORMAL}));
  EXPECT_EQ(w.shell.executions[1], (fake::Execution{"open", "C:\\Windows\\hh.exe", "velmora.chm::/zh/index.html", "C:\\Apps\\Velmora",
                                                    win::SW_SHOWMAXIMIZED}));
  EXPECT_FALSE(w.kernelSpace.MutexExists("VelmoraMutexInstall"));
  // The first copy let go of the install mutex only after the new one had seen it.
  EXPECT_LT(w.LogIndex("SetEvent VelmoraMutexInstallSeen"), w.LogIndex("CloseHandle VelmoraMutexInstall"));
}

TEST_F(EntrySequence, InstallerWithAnotherInstanceRunningLeavesJustThatOne) {
  Process running(w);
  const EntryDecision holding = RunEntrySequence(running.ports);
  ASSERT_TRUE(holding.run);
  const Hwnd main = w.desktop.AddWindow({.className = "TFOrvane", .title = "Velmora 4.6.3", .pid = 1});
  Installer();
  std::vector<std::unique_ptr<Process>> copies;
  int started = 0;
  w.shell.onExecute = [&](const fake::Execution& e) {
    if (e.file != "Velmora.exe" || copies.size() > 5) return;
    copies.push_back(std::make_unique<Process>(w));
    started += RunEntrySequence(copies.back()->ports).run ? 1 : 0;
  };
  Process first(w);
  EXPECT_FALSE(RunEntrySequence(first.ports).run);
  EXPECT_EQ(copies.size(), 1u);
  EXPECT_EQ(started, 0);
  ASSERT_EQ(w.desktop.copyDataSent.size(), 1u);
  EXPECT_EQ(w.desktop.copyDataSent[0].wnd, main);
}

TEST_F(EntrySequence, HandOverWaitIsBoundedWhenTheCopyNeverShowsUp) {
  Installer();
  w.shell.executeResult = true;  // started, but it never signals
  Process first(w);
  EXPECT_FALSE(RunEntrySequence(first.ports).run);
  EXPECT_EQ(first.kernel.OpenHandles(), 0u);
  EXPECT_FALSE(w.kernelSpace.MutexExists("VelmoraMutexInstall"));
}

TEST_F(EntrySequence, ASharedSectionThatSomeoneElseMadeFirstIsNamedAndVelmoraDoesNotRun) {
  // Elevated, Velmora serves its own level and medium: each level's sections are its own.
  for (const auto& [name, elevated] : {std::pair{"LibOrvaneMemBlock", false}, {"LibOrvaneMarks", true},
                                       {"LibOrvaneMemBlock.High", true}}) {
    fake::FakeWorld fresh;
    fresh.kernelSpace.foreignBlocks.insert(name);
    Process p(fresh);
    p.kernel.uiLanguage = 0x0409;
    p.kernel.elevated = elevated;
    EXPECT_FALSE(RunEntrySequence(p.ports).run) << name;
    ASSERT_EQ(fresh.dialogs.boxes.size(), 1u) << name;
    EXPECT_NE(fresh.dialogs.boxes[0].text.find(std::string("\"") + name + "\""), std::string::npos)
        << fresh.dialogs.boxes[0].text;
    EXPECT_FALSE(fresh.kernelSpace.MutexExists("VelmoraMutex")) << "the next start finds no instance";
  }
}

TEST_F(EntrySequence, FirstStartLoadsTheStartupCopyWhichWritesTheDefaults) {
  Process p(w);
  EXPECT_TRUE(WantsSplash(p.ports));
  ASSERT_TRUE(w.registry.Get("SOFTWARE\\Velmora", "Options").has_value());
  EXPECT_EQ(w.registry.Get("SOFTWARE\\Velmora", "Options")->bytes.size(), 108u);
  Installer();
  EXPECT_FALSE(WantsSplash(p.ports)) << "no splash while the installer is open";
}

}  // namespace
}  // namespace velmora
