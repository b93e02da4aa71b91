// The portable rules behind the main window: where a splitter drag leaves the two panes, the name
// part shown in file messages, the path Save writes, and where the checker is looked for.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "utility/shell/split_layout.h"
#include "utility/shell/window_paths.h"

namespace qx {
namespace {

TEST(SplitterDrag, FollowsThePointerPlusTheGrabDistance) {
  PaneExtents e = DragSplitter(100, 2, 189, 443);
  EXPECT_EQ(e.pane, 102);
  EXPECT_EQ(e.neighbour, 189 + 443 - 102);
}

TEST(SplitterDrag, FarRightLeavesTheNeighbourOneStrip) {
  PaneExtents e = DragSplitter(5000, 2, 189, 443);
  EXPECT_EQ(e.neighbour, kSplitterSize);
  EXPECT_EQ(e.pane, 189 + 443 - kSplitterSize);
  EXPECT_EQ(e.pane + e.neighbour, 189 + 443);
}

TEST(SplitterDrag, FarLeftLeavesThePaneOneStrip) {
  PaneExtents e = DragSplitter(-5000, 2, 189, 443);
  EXPECT_EQ(e.pane, kSplitterSize);
  EXPECT_EQ(e.neighbour, 189 + 443 - kSplitterSize);
}

TEST(SplitterDrag, PanesNarrowerThanTwoStripsKeepOneStripEach) {
  PaneExtents e = DragSplitter(50, 0, 3, 3);
  EXPECT_EQ(e.pane, kSplitterSize);
  EXPECT_EQ(e.neighbour, kSplitterSize);
}

TEST(SplitterDrag, RightPaneNeverBelowZero) {
  EXPECT_EQ(RightPaneExtent(632, 189), 443);
  EXPECT_EQ(RightPaneExtent(100, 189), 0);
}

TEST(WindowPaths, NamePartIsTheTextAfterTheLastBackslash) {
  EXPECT_STREQ(PathNamePart("C:\\data\\scans\\report.qxr"), "report.qxr");
  EXPECT_STREQ(PathNamePart("report.qxr"), "report.qxr");
  EXPECT_STREQ(PathNamePart("C:\\data\\"), "");
}

TEST(WindowPaths, SaveAppendsTheExtensionOnlyWhenNoLowerCaseQxrIsThere) {
  EXPECT_EQ(SaveTargetPath("C:\\a\\report"), "C:\\a\\report.qxr");
  EXPECT_EQ(SaveTargetPath("C:\\a\\report.qxr"), "C:\\a\\report.qxr");
  EXPECT_EQ(SaveTargetPath("C:\\a\\report.QXR"), "C:\\a\\report.QXR.qxr");
  EXPECT_EQ(SaveTargetPath("C:\\a\\a.qxr.old"), "C:\\a\\a.qxr.old");
  EXPECT_EQ(SaveTargetPath("C:\\b.qxr\\report"), "C:\\b.qxr\\report");
}

TEST(WindowPaths, CheckerIsLookedForBesideTheProgram) {
  char path[260];
  ASSERT_TRUE(CheckerPathBeside("C:\\Program Files\\NORVA\\R7000Utility.exe", path, sizeof path));
  EXPECT_STREQ(path, "C:\\Program Files\\NORVA\\R7000Check.exe");
}

TEST(WindowPaths, CheckerPathThatDoesNotFitIsRefusedAndLeftEmpty) {
  std::string folder(250, 'd');
  std::string program = "C:\\" + folder + "\\R7000Utility.exe";
  char path[260];
  std::memset(path, 'x', sizeof path);
  EXPECT_FALSE(CheckerPathBeside(program.c_str(), path, sizeof path));
  EXPECT_STREQ(path, "");
  char exact[sizeof "C:\\R7000Check.exe"];
  EXPECT_TRUE(CheckerPathBeside("C:\\R7000Utility.exe", exact, sizeof exact));
  EXPECT_STREQ(exact, "C:\\R7000Check.exe");
  EXPECT_FALSE(CheckerPathBeside("C:\\R7000Utility.exe", exact, sizeof exact - 1));
}

}  // namespace
}  // namespace qx
