#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_version.h"
#include "tests/nodes/row_pairs.h"
#include "utility/nodes/pc_error_message.h"
#include "utility/nodes/system_environment_nodes.h"

// The System branch against Windows itself (run under Wine): registry keys, folders and version
// resources that each test creates and removes again.
namespace qx {
namespace {

using testing::Pairs;
using testing::RowPairs;

constexpr char kWrapperKey[] = "SOFTWARE\\NORVA\\QX-FIN2\\CommonWrapper";
constexpr REGSAM kView = KEY_WOW64_32KEY;

std::string TestFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string text(path);
  return text.substr(0, text.find_last_of('\\') + 1);
}

std::string WindowsFolder() {
  char path[MAX_PATH] = {};
  GetWindowsDirectoryA(path, sizeof path);
  return path;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool KeyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ | kView, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void SetText(const char* path, const char* name, const std::string& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  if (name != nullptr) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  }
  RegCloseKey(key);
}

void SetNumber(const char* path, const char* name, DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

// Deletes keys deepest first; each must be empty of subkeys by then.
void DeleteKeys(const std::vector<const char*>& paths) {
  for (const char* path : paths) RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, kView, 0);
}

class SystemBranchOnWindows : public ::testing::Test {
 protected:
  static void Collect(const char* text) { messages_.push_back(text); }

  void SetUp() override {
    messages_.clear();
    SetPcErrorSink(&Collect);
    probes_ = TestFolder();
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    install_ = std::string(temp) + "qx_nodes_test_" + std::to_string(GetCurrentProcessId()) + "\\";
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\NORVA")) << "left over from an earlier run";
  }

  void TearDown() override {
    DeleteKeys({kWrapperKey, "SOFTWARE\\NORVA\\QX-FIN2", "SOFTWARE\\NORVA"});
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      if (!DeleteFileA(it->c_str())) RemoveDirectoryA(it->c_str());
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\NORVA"));
    for (const std::string& path : created_) EXPECT_FALSE(Exists(path)) << path;
    SetPcErrorSink(nullptr);
  }

  void MakeFolder(const std::string& path) {
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
    created_.push_back(path);
  }

  void Install(const char* probe, const std::string& path) {
    ASSERT_TRUE(CopyFileA((probes_ + probe).c_str(), path.c_str(), TRUE)) << path;
    created_.push_back(path);
  }

  // The wrapper installed with its library and three modules, registered as `directory`.
  void InstallWrapper(const std::string& registered) {
    MakeFolder(install_.substr(0, install_.size() - 1));
    MakeFolder(install_ + "QX-R7000");
    MakeFolder(install_ + "QX-R7000\\bin");
    Install("version_probe_a.dll", install_ + "NorvaScanApiWrapper.dll");
    Install("version_probe_a.dll", install_ + "QX-R7000\\bin\\ScanA.dll");
    Install("version_probe_b.dll", install_ + "QX-R7000\\bin\\ScanB.dll");
    Install("plain_probe.dll", install_ + "QX-R7000\\bin\\NoVersion.dll");
    Install("plain_probe.dll", install_ + "QX-R7000\\bin\\readme.txt");
    SetText(kWrapperKey, "InstallDirectory", registered);
  }

  static inline std::vector<std::string> messages_;
  std::string probes_;
  std::string install_;
  std::vector<std::string> created_;
  int port_ = 2;
};

RowList SortedModules(RowList rows) {
  std::sort(rows.begin() + 2, rows.end(), [](const Row& a, const Row& b) { return a.item < b.item; });
  return rows;
}

TEST_F(SystemBranchOnWindows, InstalledWrapperAndItsModules) {
  InstallWrapper(install_);
  CSystemNode system(&port_);
  system.Reset();
  EXPECT_EQ(system.Read(), 1);
  EXPECT_EQ(system.GetRows()[3].value, "1.2.3.4");

  CAPIDriverNode driver(&port_);
  driver.Reset();
  EXPECT_EQ(driver.Read(), 1);
  EXPECT_EQ(Pairs(driver.GetRows()), (RowPairs{{"Driver module", "Installed"}, {"Installed directory", install_}}));
  driver.Reset();
  EXPECT_EQ(driver.ReadExtended(), 1);
  EXPECT_EQ(Pairs(SortedModules(driver.GetExtendedRows())), (RowPairs{{"Driver module", "Installed"},
                                                                     {"Installed directory", install_},
                                                                     {"NoVersion.dll", ""},
                                                                     {"ScanA.dll", "1.2.3.4"},
                                                                     {"ScanB.dll", "2.0.50727.42"}}));
  EXPECT_TRUE(messages_.empty());
}

// Registered without its closing backslash, the folder still leads to the modules.
TEST_F(SystemBranchOnWindows, DirectoryWithoutClosingBackslash) {
  const std::string registered = install_.substr(0, install_.size() - 1);
  InstallWrapper(registered);
  CSystemNode system(&port_);
  system.Reset();
  system.Read();
  EXPECT_EQ(system.GetRows()[3].value, "1.2.3.4");
  CAPIDriverNode driver(&port_);
  driver.Reset();
  EXPECT_EQ(driver.ReadExtended(), 1);
  RowList rows = SortedModules(driver.GetExtendedRows());
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[1].value, registered);
  EXPECT_EQ(rows[3].value, "1.2.3.4");
  EXPECT_EQ(rows[4].value, "2.0.50727.42");
}

TEST_F(SystemBranchOnWindows, FileVersionTexts) {
  char text[64];
  EXPECT_EQ(platform::GetFileVersionText((probes_ + "version_probe_a.dll").c_str(), text, sizeof text), 1);
  EXPECT_STREQ(text, "1.2.3.4");  // the fixed file version before the FileVersion string
  EXPECT_EQ(platform::GetFileVersionText((probes_ + "string_version_probe.dll").c_str(), text, sizeof text), 1);
  EXPECT_STREQ(text, "7.8.9 text");
  char small[6];
  EXPECT_EQ(platform::GetFileVersionText((probes_ + "string_version_probe.dll").c_str(), small, sizeof small), 1);
  EXPECT_STREQ(small, "7.8.9");
  EXPECT_EQ(platform::GetFileVersionText((probes_ + "version_probe_b.dll").c_str(), small, sizeof small), 1);
  EXPECT_STREQ(small, "2.0.5");
  EXPECT_EQ(platform::GetFileVersionText((probes_ + "plain_probe.dll").c_str(), text, sizeof text), 0);
  EXPECT_EQ(platform::GetFileVersionText((probes_ + "absent.dll").c_str(), text, sizeof text), 0);
}

TEST_F(SystemBranchOnWindows, MissingWrapperKey) {
  CSystemNode system(&port_);
  system.Reset();
  EXPECT_EQ(system.Read(), 1);
  EXPECT_EQ(system.GetRows()[3].value, "");
  CAPIDriverNode driver(&port_);
  driver.Reset();
  EXPECT_EQ(driver.Read(), 1);
  EXPECT_EQ(Pairs(driver.GetRows()), (RowPairs{{"Driver module", "Not installed"}}));
  driver.Reset();
  EXPECT_EQ(driver.ReadExtended(), 1);
  EXPECT_EQ(Pairs(driver.GetExtendedRows()), (RowPairs{{"Driver module", "Not installed"}}));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SystemBranchOnWindows, WrapperKeyWithoutInstallDirectory) {
  SetText(kWrapperKey, nullptr, "");
  CSystemNode system(&port_);
  system.Reset();
  EXPECT_EQ(system.Read(), 0);
  EXPECT_EQ(system.GetRows()[3].value, "");
  EXPECT_NE(system.GetRows()[5].value, "");  // the other steps still ran
  CAPIDriverNode driver(&port_);
  driver.Reset();
  EXPECT_EQ(driver.Read(), 0);
  EXPECT_EQ(driver.GetRecord()[0], '0');
  driver.Reset();
  EXPECT_EQ(driver.ReadExtended(), 1);
  EXPECT_EQ(Pairs(driver.GetExtendedRows()), (RowPairs{{"Driver module", "Not installed"}}));
}

TEST_F(SystemBranchOnWindows, SystemFacts) {
  CSystemNode system(&port_);
  system.Reset();
  EXPECT_EQ(system.Read(), 1);
  RowList rows = system.GetRows();
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExA(&version));
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "%lu.%lu.%lu", version.dwMajorVersion, version.dwMinorVersion,
                version.dwBuildNumber);
  EXPECT_EQ(rows[1].value.rfind(prefix, 0), 0u) << rows[1].value;
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  EXPECT_EQ(rows[6].value, std::to_string(info.dwNumberOfProcessors));
  // The machine's whole memory, also in the 32-bit build, where GlobalMemoryStatus stops at 2 GB.
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  ASSERT_TRUE(GlobalMemoryStatusEx(&memory));
  EXPECT_EQ(rows[7].value, std::to_string(memory.ullTotalPhys >> 20) + "MB");
  EXPECT_EQ(rows[8].value, "1.03");
  EXPECT_EQ(rows[4].value, "");  // no port ready

  char language[64] = {};
  DWORD size = sizeof language - 1;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_USERS, ".DEFAULT\\Control Panel\\International", 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegQueryValueExA(key, "sLanguage", nullptr, nullptr, reinterpret_cast<BYTE*>(language), &size);
    RegCloseKey(key);
  }
  EXPECT_EQ(rows[2].value, std::string(language).substr(0, 15));
}

class ProcessorKey : public SystemBranchOnWindows {
 protected:
  static constexpr char kPath[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

  void SetUp() override {
    SystemBranchOnWindows::SetUp();
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPath, 0, KEY_ALL_ACCESS, &key_), ERROR_SUCCESS);
    saved_ = Text("ProcessorNameString", &hadName_);
    savedIdentifier_ = Text("Identifier", &hadIdentifier_);
  }
  void TearDown() override {
    Restore("ProcessorNameString", hadName_, saved_);
    Restore("Identifier", hadIdentifier_, savedIdentifier_);
    RegCloseKey(key_);
    SystemBranchOnWindows::TearDown();
  }

  std::string Text(const char* name, bool* had) {
    char text[512] = {};
    DWORD size = sizeof text - 1;
    *had = RegQueryValueExA(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS;
    return text;
  }
  void Put(const char* name, const std::string& value) {
    ASSERT_EQ(RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
  }
  void Restore(const char* name, bool had, const std::string& value) {
    if (had) {
      Put(name, value);
    } else {
      RegDeleteValueA(key_, name);
    }
  }
  std::string Processor(int* result) {
    CSystemNode system(&port_);
    system.Reset();
    *result = system.Read();
    return system.GetRows()[5].value;
  }

  HKEY key_ = nullptr;
  std::string saved_;
  std::string savedIdentifier_;
  bool hadName_ = false;
  bool hadIdentifier_ = false;
};

TEST_F(ProcessorKey, NameStringWithoutLeadingSpacesAndCut) {
  Put("ProcessorNameString", "   Intel(R) Pentium(R) 4 CPU 3.00GHz");
  int result = 0;
  EXPECT_EQ(Processor(&result), "Intel(R) Pentium(R) 4 CPU 3.00GHz");
  EXPECT_EQ(result, 1);
  Put("ProcessorNameString", "  " + std::string(200, 'P'));
  EXPECT_EQ(Processor(&result), std::string(126, 'P'));
}

TEST_F(ProcessorKey, VendorIdentifierAndSpeedWithoutNameString) {
  RegDeleteValueA(key_, "ProcessorNameString");
  Put("Identifier", "x86 Family 15 Model 4 Stepping 1");
  bool hadVendor = false;
  const std::string vendor = Text("VendorIdentifier", &hadVendor);
  DWORD mhz = 0;
  DWORD size = sizeof mhz;
  bool hadMhz = RegQueryValueExA(key_, "~MHz", nullptr, nullptr, reinterpret_cast<BYTE*>(&mhz), &size) == ERROR_SUCCESS;
  if (!hadVendor || !hadMhz) GTEST_SKIP() << "this Windows keeps no vendor or speed";
  int result = 0;
  EXPECT_EQ(Processor(&result), vendor + " x86 Family 15 Model 4 Stepping 1 " + std::to_string(mhz) + "MHz");
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(messages_.empty());

  RegDeleteValueA(key_, "Identifier");
  EXPECT_EQ(Processor(&result), "");
  EXPECT_EQ(result, 0);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "RegQueryValueEx(Identifier) failed.");
}

class FrameworkFolders : public SystemBranchOnWindows {
 protected:
  static constexpr char kV30[] = "SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v3.0\\Setup";
  static constexpr char kV30Parent[] = "SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v3.0";
  static constexpr char kV35[] = "SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v3.5";

  void SetUp() override {
    SystemBranchOnWindows::SetUp();
    net_ = WindowsFolder() + "\\Microsoft.NET";
    if (Exists(net_) || KeyExists(HKEY_LOCAL_MACHINE, kV30Parent) || KeyExists(HKEY_LOCAL_MACHINE, kV35)) {
      GTEST_SKIP() << "this Windows has framework folders or keys of its own";
    }
    ownsNdp_ = !KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\NET Framework Setup");
    MakeFolder(net_);
    MakeFolder(net_ + "\\Framework");
    MakeFolder(net_ + "\\Framework\\v1.0.3705");  // no mscorlib.dll: not listed
    MakeFolder(net_ + "\\Framework\\v2.0.50727");
    Install("version_probe_b.dll", net_ + "\\Framework\\v2.0.50727\\mscorlib.dll");
  }
  void TearDown() override {
    DeleteKeys({kV30, kV30Parent, kV35});
    if (ownsNdp_) {
      DeleteKeys({"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP", "SOFTWARE\\Microsoft\\NET Framework Setup"});
    }
    SystemBranchOnWindows::TearDown();
  }

  RowPairs Rows() {
    CDotNetFrameworkNode node(&port_);
    node.Reset();
    EXPECT_EQ(node.Read(), 1);
    return Pairs(node.GetRows());
  }

  std::string net_;
  bool ownsNdp_ = false;
};

TEST_F(FrameworkFolders, FoldersThenInstalledReleases) {
  EXPECT_EQ(Rows(), (RowPairs{{"Version", "2.0.50727.42"}}));
  SetNumber(kV30, "InstallSuccess", 1);
  SetText(kV30, "Version", "3.0.4506.30");
  SetNumber(kV35, "Install", 1);
  SetText(kV35, "Version", "3.5.21022.8");
  EXPECT_EQ(Rows(), (RowPairs{{"Version", "2.0.50727.42"}, {"Version", "3.0.4506.30"}, {"Version", "3.5.21022.8"}}));
  // 3.0 not installed: its slot stays empty and hides 3.5.
  SetNumber(kV30, "InstallSuccess", 0);
  EXPECT_EQ(Rows(), (RowPairs{{"Version", "2.0.50727.42"}}));
}

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

class DriverFiles : public SystemBranchOnWindows {
 protected:
  void SetUp() override {
    SystemBranchOnWindows::SetUp();
    // The node reads the real system folder; a 32-bit test reaches it as "sysnative".
    system32_ = WindowsFolder() + (RunsUnderWow64() ? "\\sysnative\\" : "\\system32\\");
    for (const char* name : {"drivers\\qxusb64.sys", "drivers\\qxusbxp.sys", "qxusb64.sys", "drivers\\hccoin.dll",
                             "hccoin.dll", "drivers\\usbehci.sys", "usbehci.sys"}) {
      if (Exists(system32_ + name)) GTEST_SKIP() << "this Windows has " << name;
    }
  }
  // Whether each system file this Windows has carries a version resource (Wine's usbd.sys does
  // not): the read succeeds only then.
  bool SystemFilesVersioned() {
    for (const char* name : {"usbehci.sys", "usbuhci.sys", "usbohci.sys", "uhcd.sys", "openhci.sys", "usbd.sys",
                             "usbhub.sys", "usbhub20.sys", "usbport.sys", "usbui.dll", "hccoin.dll"}) {
      for (const std::string& path : {system32_ + "drivers\\" + name, system32_ + name}) {
        DWORD ignored = 0;
        if (Exists(path)) {
          if (GetFileVersionInfoSizeA(path.c_str(), &ignored) == 0) return false;
          break;
        }
      }
    }
    return true;
  }

  std::string system32_;
};

TEST_F(DriverFiles, ScannerDriverOfThisWindowsAndAbsentFiles) {
  Install("version_probe_a.dll", system32_ + "drivers\\qxusb64.sys");
  CUSBDriverStackNode node(&port_);
  node.Reset();
  int result = node.Read();
  RowList rows = node.GetRows();
  ASSERT_EQ(rows.size(), 13u);
  // Both builds name the 64-bit driver on 64-bit Windows, the 32-bit one under WoW64 too.
  EXPECT_EQ(rows[0].value, "");  // qxusbxp.sys: not the driver of 64-bit Windows
  EXPECT_EQ(rows[1].value, "1.2.3.4");
  EXPECT_EQ(rows[2].value, "");  // usbehci.sys in neither folder
  EXPECT_EQ(result, SystemFilesVersioned() ? 1 : 0);
}

TEST_F(DriverFiles, FileInTheSecondFolderAndOneWithoutVersion) {
  Install("version_probe_b.dll", system32_ + "usbehci.sys");
  CUSBDriverStackNode node(&port_);
  node.Reset();
  node.Read();
  EXPECT_EQ(node.GetRows()[2].value, "2.0.50727.42");

  Install("plain_probe.dll", system32_ + "hccoin.dll");
  node.Reset();
  EXPECT_EQ(node.Read(), 0);
  EXPECT_EQ(node.GetRows()[12].value, "");
}

// Under WoW64 the 32-bit side of the system folder holds another version of each file than the
// real one: the node reads the real one, and afterwards this thread sees the 32-bit side again
// under "system32", whether the read succeeded or failed.
TEST_F(DriverFiles, Wow64ReadsTheRealSystemFolderAndRedirectsAgainAfterwards) {
  if (!RunsUnderWow64()) GTEST_SKIP() << "not a 32-bit program on 64-bit Windows";
  const std::string wow64Drivers = WindowsFolder() + "\\syswow64\\drivers";
  if (!Exists(wow64Drivers)) MakeFolder(wow64Drivers);
  Install("version_probe_a.dll", system32_ + "drivers\\qxusb64.sys");
  Install("version_probe_b.dll", wow64Drivers + "\\qxusb64.sys");
  const std::string redirected = WindowsFolder() + "\\system32\\drivers\\qxusb64.sys";
  auto versionSeenBySystem32 = [&] {
    char text[64] = {};
    platform::GetFileVersionText(redirected.c_str(), text, sizeof text);
    return std::string(text);
  };
  ASSERT_EQ(versionSeenBySystem32(), "2.0.50727.42");

  CUSBDriverStackNode node(&port_);
  node.Reset();
  int result = node.Read();
  EXPECT_EQ(node.GetRows()[1].value, "1.2.3.4");
  EXPECT_EQ(node.GetRows()[0].value, "");
  EXPECT_EQ(result, SystemFilesVersioned() ? 1 : 0);
  EXPECT_EQ(versionSeenBySystem32(), "2.0.50727.42");

  // A file without a version resource ends the read with 0; redirection is on again all the same.
  Install("plain_probe.dll", system32_ + "hccoin.dll");
  node.Reset();
  EXPECT_EQ(node.Read(), 0);
  EXPECT_EQ(node.GetRows()[1].value, "1.2.3.4");
  EXPECT_EQ(versionSeenBySystem32(), "2.0.50727.42");
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace qx
