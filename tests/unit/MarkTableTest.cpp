// The marks' section as the hook library reads it, and the watches of "run
// hidden" as Velmora keeps them: on the fake, where the logic is.
#include <gtest/gtest.h>

#include <memory>

#include "TestWorld.h"
#include "hook/MarkTable.h"
#include "tray/MarkRules.h"

namespace velmora {
namespace {

using test::VelmoraWorld;

std::unique_ptr<TMarkTable> Table(const std::vector<ClassRecord>& marks, std::vector<TWatchSlot> watched = {}) {
  auto table = std::make_unique<TMarkTable>();
  WriteMarkTable(*table, marks, watched);
  return table;
}

// --- Reading the section -------------------------------------------------

// A reader that finds Velmora rewriting the section waits for the rewrite to end (the library for
// 2 ms at most), and reads what it wrote: the marks and the watched slots under the same check.
TEST(MarkTable, AReaderWaitsForARewriteInProgressAndReadsItsResult) {
  auto table = Table({{"Notepad", RuleCloseToTray}});
  table->Sequence.fetch_add(1);  // a rewrite begins
  int waits = 0;
  auto rewriteEndsAtTheThirdWait = [&] {
    if (++waits == 3) {
      table->Sequence.fetch_add(1);
      WriteMarkTable(*table, {{"Notepad", RuleCloseToTray | RuleHideOnOpen}}, std::vector{MakeWatchSlot(7, 70, 1000)});
    }
    return true;
  };
  EXPECT_EQ(RulesFor(*table, "Notepad", "Notepad", rewriteEndsAtTheThirdWait), RuleCloseToTray | RuleHideOnOpen);
  EXPECT_EQ(waits, 3);
  table->Sequence.fetch_add(1);
  waits = 0;
  EXPECT_TRUE(Watched(*table, 7, 70, 999, [&] {
    if (++waits == 2) table->Sequence.fetch_add(1);
    return true;
  }));
  EXPECT_EQ(waits, 2);
}

// A rewrite that does not end while the reader waits: nothing is read (no rule, no watch), and the
// reader stops when its wait says so.
TEST(MarkTable, AReaderGivesUpWhenItsWaitEnds) {
  auto table = Table({{"Notepad", RuleCloseToTray}}, {MakeWatchSlot(7, 70, 1000)});
  EXPECT_EQ(RulesFor(*table, "Notepad", "Notepad", NoWait), RuleCloseToTray);
  table->Sequence.fetch_add(1);
  int waits = 0;
  auto tenWaits = [&] { return ++waits < 10; };
  EXPECT_EQ(RulesFor(*table, "Notepad", "Notepad", tenWaits), 0);
  EXPECT_EQ(waits, 10);
  EXPECT_FALSE(Watched(*table, 7, 70, 999, NoWait));
}

// A watch names one process instance and lasts until its time is over.
TEST(MarkTable, AWatchTakesItsOwnInstanceWithinItsTime) {
  auto table = Table({}, {MakeWatchSlot(7, 70, 1000), MakeWatchSlot(8, 0x1'0000'0001ull, 2000)});
  EXPECT_TRUE(Watched(*table, 7, 70, 999, NoWait));
  EXPECT_FALSE(Watched(*table, 7, 71, 999, NoWait)) << "another process given the same id";
  EXPECT_FALSE(Watched(*table, 7, 70, 1000, NoWait)) << "its time is over";
  EXPECT_TRUE(Watched(*table, 8, 0x1'0000'0001ull, 1999, NoWait)) << "a creation time of more than 32 bits";
  EXPECT_FALSE(Watched(*table, 8, 1, 1999, NoWait));
  EXPECT_FALSE(Watched(*table, 0, 0, 0, NoWait));
}

TEST(ProcessWatches, EachInstanceOnceTheNewestSixteenAndNoneAfterItsTimeOrItsEnd) {
  ProcessWatches watches;
  EXPECT_FALSE(watches.Add(0, 5, 0));
  EXPECT_FALSE(watches.Add(5, 0, 0)) << "no process";
  for (std::uint32_t pid = 1; pid <= WatchedProcessSlots + 2; ++pid) EXPECT_TRUE(watches.Add(pid, pid * 10, 0));
  EXPECT_EQ(watches.Slots().size(), WatchedProcessSlots);
  EXPECT_FALSE(watches.Take(2, 20, 1)) << "the oldest gave way";
  EXPECT_FALSE(watches.Take(3, 31, 1)) << "another instance";
  EXPECT_TRUE(watches.Take(3, 30, 1));
  EXPECT_FALSE(watches.Take(3, 30, 1)) << "once";
  EXPECT_FALSE(watches.Ended(4, 40)) << "the id still names the watched instance";
  EXPECT_TRUE(watches.Ended(4, 41));
  EXPECT_TRUE(watches.Ended(5, 0));
  EXPECT_FALSE(watches.Take(5, 50, 1));
  EXPECT_FALSE(watches.Expire(WatchLifetimeMs - 1));
  EXPECT_TRUE(watches.Take(6, 60, WatchLifetimeMs - 1));
  EXPECT_FALSE(watches.Take(7, 70, WatchLifetimeMs)) << "its time is over";
  EXPECT_TRUE(watches.Expire(WatchLifetimeMs));
  EXPECT_TRUE(watches.Slots().empty());
}

// --- Velmora's watches -----------------------------------------------------

class Watches : public ::testing::Test, public VelmoraWorld {
 protected:
  Watches() { Start(); }
  // A top-level window of the process, reported by the library as it opens.
  Hwnd Opens(std::uint32_t pid) {
    const Hwnd wnd = w.desktop.AddWindow({.className = "Started", .pid = pid});
    Request(RQ_OPENED, wnd);
    w.timers.Advance(100);
    return wnd;
  }
  TWatchSlot Slot(std::uint32_t pid) {
    for (const TWatchSlot& slot : form->MarkTable->Watched)
      if (slot.Pid == pid) return slot;
    return {};
  }
};

// A watch names its process's instance, in the section too; it takes that instance's first window.
TEST_F(Watches, AWatchTakesTheFirstWindowOfItsOwnProcessOnly) {
  List().WatchFirstWindow(77);
  const TWatchSlot slot = Slot(77);
  EXPECT_EQ(JoinHalves(slot.CreatedLow, slot.CreatedHigh), w.kernel.ProcessStartTime(77));
  EXPECT_EQ(JoinHalves(slot.UntilLow, slot.UntilHigh), w.timers.TickCount() + WatchLifetimeMs);
  EXPECT_TRUE(w.kernel.watched.contains(77u)) << "its end is watched";
  w.kernel.processStarts[77] = 5;  // another process, given the same id
  EXPECT_FALSE(Hidden(Opens(77)));
  List().WatchFirstWindow(77);
  EXPECT_TRUE(Hidden(Opens(77)));
  EXPECT_FALSE(Watched(*form->MarkTable, 77));
  EXPECT_FALSE(Hidden(Opens(77))) << "its first window only";
}

// A process that ends without a window (a console program, a launcher) takes its watch with it: a
// later process given its id opens on the screen.
TEST_F(Watches, AWatchEndsWithItsProcess) {
  List().WatchFirstWindow(78);
  List().WatchFirstWindow(79);
  w.kernel.processStarts[78] = 0;
  w.desktop.Deliver(List().TrayWnd, ProcessEndedMessage, 78, 0);
  EXPECT_FALSE(Watched(*form->MarkTable, 78));
  EXPECT_TRUE(Watched(*form->MarkTable, 79));
  w.kernel.processStarts[78] = 6;
  EXPECT_FALSE(Hidden(Opens(78)));
}

// A watch lasts a minute: a process that shows no window by then opens its windows on the screen.
TEST_F(Watches, AWatchEndsAfterAMinute) {
  List().WatchFirstWindow(80);
  List().WatchFirstWindow(81);
  w.timers.Advance(WatchLifetimeMs - 200);
  EXPECT_TRUE(Hidden(Opens(81)));
  w.timers.Advance(100);
  EXPECT_FALSE(Hidden(Opens(80)));
  EXPECT_FALSE(Watched(*form->MarkTable, 80)) << "gone from the section too";
}

}  // namespace
}  // namespace velmora
