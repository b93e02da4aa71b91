// hivelink.exe, the technicians' host of HiveLink.dll, run as separate processes: what it prints,
// its exit codes, and the lock one process holds against the others.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/registry/console_process.h"
#include "tests/registry/reg_tool.h"

namespace qx::test {
namespace {

constexpr DWORD kRunTimeoutMs = 60000;
constexpr char kTestKey[] = "HiveLinkTool";
constexpr char kTestSub[] = "HiveLinkTool";

std::string Hivelink(const std::string& arguments) {
  std::string line = "\"";
  line += TestProgramFolder();
  line += "hivelink.exe\" ";
  line += arguments;
  return line;
}

ConsoleRun RunHivelink(const std::string& arguments) { return RunConsole(Hivelink(arguments), kRunTimeoutMs); }

bool Holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The wait the refused process reports ("gave up after N ms"), or -1.
long WaitReported(const std::string& text) {
  std::size_t at = text.find("gave up after ");
  return at == std::string::npos ? -1 : std::strtol(text.c_str() + at + 14, nullptr, 10);
}

class Tool : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDelete(DeviceKeyLocation(kTestKey));
    RegDelete(CommonKeyLocation(kTestSub));
  }
  void TearDown() override { SetUp(); }
};

TEST_F(Tool, NamePrintsTheDeviceModeNames) {
  ConsoleRun run = RunHivelink("name");
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_EQ(run.out, "device name: QX-R7000\r\nport name: USB1\r\n");
}

TEST_F(Tool, SetAndGetPrintTheValueWithItsTypeAndReachTheRegistry) {
  ConsoleRun run = RunHivelink(std::string("device ") + kTestKey + " set Speed --number 0x2A");
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  run = RunHivelink(std::string("device ") + kTestKey + " set Owner --text \"Branch 7\"");
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  run = RunHivelink(std::string("common ") + kTestSub + "\\Options set Mode --number 3");
  EXPECT_EQ(run.exitCode, 0u) << run.err;

  EXPECT_EQ(RegQuery(DeviceKeyLocation(kTestKey), "Speed").data, "0x2a");
  EXPECT_EQ(RegQuery(DeviceKeyLocation(kTestKey), "Owner").data, "Branch 7");
  EXPECT_EQ(RegQuery(CommonKeyLocation(std::string(kTestSub) + "\\Options"), "Mode").data, "0x3");

  ASSERT_TRUE(RegAdd(DeviceKeyLocation(kTestKey), "Added", "REG_SZ", "by hand"));
  run = RunHivelink(std::string("device ") + kTestKey + " get Speed");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.out, "Speed = 42 (number)\r\n");
  run = RunHivelink(std::string("device ") + kTestKey + " get Added");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.out, "Added = \"by hand\" (text)\r\n");
  run = RunHivelink(std::string("common ") + kTestSub + "\\Options get Mode");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.out, "Mode = 3 (number)\r\n");
}

TEST_F(Tool, EachFailureEndsWithItsCodeAndATextThatSaysWhatToDo) {
  ConsoleRun run = RunHivelink(std::string("device ") + kTestKey + " get Speed");
  EXPECT_EQ(run.exitCode, 1u) << "a key that does not exist cannot be read";
  EXPECT_TRUE(Holds(run.err, "the key does not exist")) << run.err;

  ASSERT_EQ(RunHivelink(std::string("device ") + kTestKey + " set Speed --number 1").exitCode, 0u);
  run = RunHivelink(std::string("device ") + kTestKey + " get Missing");
  EXPECT_EQ(run.exitCode, 2u);
  EXPECT_TRUE(Holds(run.err, "there is no value \"Missing\" under device key \"HiveLinkTool\"")) << run.err;

  run = RunHivelink("device " + std::string(300, 'k') + " get Speed");
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_TRUE(Holds(run.err, "too long for its lock")) << run.err;

  for (const char* wrong : {"", "device", "device K get", "device K set V --number -1", "device K set V --number",
                            "device K set V --colour 3", "other K get V", "name extra"}) {
    run = RunHivelink(wrong);
    EXPECT_EQ(run.exitCode, 10u) << wrong;
    EXPECT_TRUE(Holds(run.err, "usage: hivelink")) << wrong;
  }
}

TEST_F(Tool, WithoutTheModuleBesideItTheToolSaysSo) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  std::string alone = std::string(temp) + "hivelink-alone.exe";
  ASSERT_TRUE(CopyFileA((TestProgramFolder() + "hivelink.exe").c_str(), alone.c_str(), FALSE));
  ConsoleRun run = RunConsole("\"" + alone + "\" name", kRunTimeoutMs);
  EXPECT_EQ(run.exitCode, 11u);
  EXPECT_TRUE(Holds(run.err, "HiveLink.dll")) << run.err;
  DeleteFileA(alone.c_str());
}

TEST_F(Tool, AHeldKeyLocksOutOtherProcessesUntilItsHolderClosesIt) {
  ASSERT_EQ(RunHivelink("device MICR set Speed --number 5").exitCode, 0u);
  ASSERT_EQ(RunHivelink("device CheckScanner set Speed --number 9").exitCode, 0u);
  ConsoleProcess holder;
  ASSERT_TRUE(holder.Start(Hivelink("device CheckScanner hold")));
  ASSERT_TRUE(holder.ReadUntil("holding device key \"CheckScanner\"", kRunTimeoutMs)) << holder.output();

  HANDLE lock = OpenMutexA(SYNCHRONIZE, FALSE, "TORVIK:Driver Registry Open Synchronized - _DriverInfo_CheckScanner");
  ASSERT_NE(lock, nullptr) << "the holder's lock has exactly this name";
  EXPECT_EQ(WaitForSingleObject(lock, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(lock);

  for (int attempt = 0; attempt < 3; ++attempt) {
    ConsoleRun refused = RunHivelink("device CheckScanner get Speed");
    EXPECT_EQ(refused.exitCode, 6u);
    EXPECT_TRUE(Holds(refused.err, "device key \"CheckScanner\" is in use by another program")) << refused.err;
    long waited = WaitReported(refused.err);
    EXPECT_GE(waited, 0) << refused.err;
    std::printf("[ measured ] a second hivelink process gave up on the held key after %ld ms\n", waited);
  }
  ConsoleRun other = RunHivelink("device MICR get Speed");
  EXPECT_EQ(other.exitCode, 0u) << "a different key opens: " << other.err;
  EXPECT_EQ(other.out, "Speed = 5 (number)\r\n");

  ASSERT_TRUE(holder.WriteLine(""));
  EXPECT_EQ(holder.Wait(kRunTimeoutMs), 0u);
  EXPECT_TRUE(Holds(holder.output(), "released")) << holder.output();
  ConsoleRun after = RunHivelink("device CheckScanner get Speed");
  EXPECT_EQ(after.exitCode, 0u) << after.err;
  EXPECT_EQ(after.out, "Speed = 9 (number)\r\n");
  RegDelete(DeviceKeyLocation("MICR"));
  RegDelete(DeviceKeyLocation("CheckScanner"));
}

TEST_F(Tool, ACommonSubkeyIsLockedUnderItsOwnName) {
  ConsoleProcess holder;
  ASSERT_TRUE(holder.Start(Hivelink("common Sub\\Key hold")));
  ASSERT_TRUE(holder.ReadUntil("holding common key \"Sub\\Key\"", kRunTimeoutMs)) << holder.output();
  HANDLE lock = OpenMutexA(SYNCHRONIZE, FALSE, "TORVIK:Driver Registry Open Synchronized - Common Key : Sub_Key");
  EXPECT_NE(lock, nullptr);
  if (lock != nullptr) CloseHandle(lock);
  ConsoleRun refused = RunHivelink("common Sub\\Key get Mode");
  EXPECT_EQ(refused.exitCode, 6u) << refused.err;
  ASSERT_TRUE(holder.WriteLine(""));
  EXPECT_EQ(holder.Wait(kRunTimeoutMs), 0u);
}

}  // namespace
}  // namespace qx::test
