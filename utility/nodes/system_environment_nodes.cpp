#include "utility/nodes/system_environment_nodes.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/file_search.h"
#include "platform/file_version.h"
#include "platform/pc_facts.h"
#include "platform/registry.h"
#include "platform/string_table.h"
#include "utility/nodes/driver_requests.h"
#include "utility/nodes/pc_error_message.h"
#include "utility/nodes/redirection_guard.h"
#include "utility/nodes/value_format.h"
#include "utility/nodes/windows_release_text.h"
#include "utility/port/qxusb_contract.h"

namespace qx {

namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

constexpr char kWrapperKey[] = "SOFTWARE\\NORVA\\QX-FIN2\\CommonWrapper";
constexpr char kWrapperDirectoryValue[] = "InstallDirectory";
constexpr char kWrapperLibrary[] = "NorvaScanApiWrapper.dll";
constexpr char kProcessorKey[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr int kUtilityVersionString = 18;

// Copies a text into a fixed field, cut to the field and always terminated.
template <std::size_t N>
void StoreText(char (&field)[N], const std::string& text) {
  std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

// A path that fits the 260-byte path buffers, or empty when it would not: a cut path would name
// another file.
std::string BoundedPath(const std::string& path) { return path.size() < kPathTextSize ? path : std::string(); }

}  // namespace

// --- CSystemNode ---

void CSystemNode::Reset() {
  std::memset(&record_, 0, sizeof record_);
  record_.processorCount = -1;
  record_.memoryMegabytes = -1;
}

int CSystemNode::Read() {
  const int windows = ReadWindows();
  const int processor = ReadProcessor();
  const int driver = ReadDriverVersion();
  const int controller = ReadHostController();
  record_.memoryMegabytes = static_cast<std::int32_t>(platform::PhysicalMemoryMegabytes());
  platform::LoadUtilityString(kUtilityVersionString, record_.utilityVersion, sizeof record_.utilityVersion);
  return windows && processor && driver && controller ? 1 : 0;
}

int CSystemNode::ReadWindows() {
  platform::WindowsRelease release;
  switch (platform::QueryWindowsRelease(&release)) {
    case platform::OsQuery::kFailed:
      return 0;
    case platform::OsQuery::kOtherSystem:
      platform::QueryOtherSystemText(record_.osName, sizeof record_.osName, record_.osVersion,
                                     sizeof record_.osVersion);
      return 1;
    case platform::OsQuery::kWindows:
      break;
  }
  StoreText(record_.osName, WindowsOsName(release));
  StoreText(record_.osVersion, WindowsOsVersionText(release));
  RegistryKey international;
  if (international.Open(RegistryRoot::kUsers, ".DEFAULT\\Control Panel\\International")) {
    international.ReadText("sLanguage", record_.osLanguage, sizeof record_.osLanguage);
  }
  return 1;
}

int CSystemNode::ReadProcessor() {
  record_.processorCount = platform::ProcessorCount();
  if (platform::QueryOtherSystemProcessor(record_.processor, sizeof record_.processor)) return 1;

  RegistryKey key;
  if (!key.Open(RegistryRoot::kLocalMachine, kProcessorKey)) {
    ShowPcError("HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0 not found.");
    return 0;
  }
  char name[kValueTextSize];
  if (key.ReadText("ProcessorNameString", name, sizeof name)) {
    const char* text = name;
    while (*text == ' ') ++text;
    StoreText(record_.processor, std::string(text, strnlen(text, sizeof record_.processor - 2)));
  } else {
    char vendor[kValueTextSize];
    char identifier[kValueTextSize];
    std::uint32_t megahertz = 0;
    const char* missing = nullptr;
    if (!key.ReadText("VendorIdentifier", vendor, sizeof vendor)) {
      missing = "VendorIdentifier";
    } else if (!key.ReadText("Identifier", identifier, sizeof identifier)) {
      missing = "Identifier";
    } else if (!key.ReadNumber("~MHz", &megahertz)) {
      missing = "~MHz";
    }
    if (missing != nullptr) {
      ShowPcError(FormatValue("RegQueryValueEx(%s) failed.", missing).c_str());
      return 0;
    }
    StoreText(record_.processor, FormatValue("%s %s %dMHz", vendor, identifier, static_cast<int>(megahertz)));
  }
  long error = 0;
  if (!key.Close(&error)) {
    ShowPcError(FormatValue("RegClose(hKey) failed.\nReturn code:%ld", error).c_str());
    return 0;
  }
  return 1;
}

int CSystemNode::ReadDriverVersion() {
  RegistryKey key;
  if (!key.Open(RegistryRoot::kLocalMachine, kWrapperKey)) return 1;
  char directory[kPathTextSize];
  if (!key.ReadText(kWrapperDirectoryValue, directory, sizeof directory)) return 0;
  const std::string path = BoundedPath(std::string(directory) + '\\' + kWrapperLibrary);
  if (!path.empty()) {
    platform::GetFileVersionText(path.c_str(), record_.driverVersion, sizeof record_.driverVersion);
  }
  return 1;
}

int CSystemNode::ReadHostController() {
  if (!IsPortReady(PortIndex())) return 1;
  std::uint32_t type = 0;
  if (!QueryDriver(PortIndex(), qxusb::kGetHostControllerType, &type, sizeof type, nullptr)) return 0;
  switch (type) {
    case qxusb::kHostControllerOhci: StoreText(record_.hostController, "OHCI"); break;
    case qxusb::kHostControllerUhci: StoreText(record_.hostController, "UHCI"); break;
    case qxusb::kHostControllerEhci: StoreText(record_.hostController, "EHCI"); break;
    case qxusb::kHostControllerOther: StoreText(record_.hostController, "UNKNOWN"); break;
    default: break;
  }
  return 1;
}

RowList CSystemNode::GetRows() {
  const SystemRecord& r = record_;
  return {{"OS name", FieldText(r.osName)},
          {"OS version", FieldText(r.osVersion)},
          {"OS language", FieldText(r.osLanguage)},
          {"QX-R7000 driver", FieldText(r.driverVersion)},
          {"USB host controller", FieldText(r.hostController)},
          {"Processor", FieldText(r.processor)},
          {"Number of processors", r.processorCount == -1 ? std::string() : FormatValue("%d", r.processorCount)},
          {"Memory capacity", r.memoryMegabytes == -1 ? std::string("none") : FormatValue("%dMB", r.memoryMegabytes)},
          {"QX-R7000 Utility", FieldText(r.utilityVersion)}};
}

// --- CAPIDriverNode ---

void CAPIDriverNode::Reset() { std::memset(&record_, 0, sizeof record_); }

int CAPIDriverNode::Read() {
  RedirectionGuard guard;
  if (!guard.Begin()) return 0;
  int result = ReadInstallDirectory();
  if (!guard.End()) result = 0;
  return result;
}

int CAPIDriverNode::ReadInstallDirectory() {
  RegistryKey key;
  if (!key.Open(RegistryRoot::kLocalMachine, kWrapperKey)) {
    record_.installed = kApiDriverNotInstalled;
    return 1;
  }
  if (!key.ReadText(kWrapperDirectoryValue, record_.installDirectory, sizeof record_.installDirectory)) {
    record_.installed = kApiDriverNotInstalled;
    return 0;
  }
  record_.installed = kApiDriverInstalled;
  return 1;
}

// The directory is stored as the installer wrote it, normally with a closing backslash; the
// module paths add one only where it is missing.
int CAPIDriverNode::ReadExtended() {
  Read();
  if (record_.installed != kApiDriverInstalled) return 1;
  const std::string directory = FieldText(record_.installDirectory);
  const bool closed = !directory.empty() && (directory.back() == '\\' || directory.back() == '/');
  const std::string binFolder = directory + (closed ? "" : "\\") + "QX-R7000\\bin\\";
  const std::string pattern = BoundedPath(binFolder + "*.dll");
  if (pattern.empty()) return 1;
  std::size_t slot = 0;
  platform::FindEntries(pattern.c_str(), [&](const platform::FoundEntry& entry) {
    if (entry.isDirectory) return true;
    if (slot == kApiModuleSlots) return false;
    StoreText(record_.moduleNames[slot], entry.name);
    const std::string path = BoundedPath(binFolder + entry.name);
    if (!path.empty()) {
      platform::GetFileVersionText(path.c_str(), record_.moduleVersions[slot], sizeof record_.moduleVersions[slot]);
    }
    ++slot;
    return true;
  });
  return 1;
}

RowList CAPIDriverNode::GetRows() {
  if (record_.installed != kApiDriverInstalled) return {{"Driver module", "Not installed"}};
  return {{"Driver module", "Installed"}, {"Installed directory", FieldText(record_.installDirectory)}};
}

RowList CAPIDriverNode::GetExtendedRows() {
  RowList rows = GetRows();
  for (std::size_t i = 0; i < kApiModuleSlots; ++i) {
    std::string name = FieldText(record_.moduleNames[i]);
    if (name.empty()) break;
    rows.push_back({std::move(name), FieldText(record_.moduleVersions[i])});
  }
  return rows;
}

// --- CDotNetFrameworkNode ---

void CDotNetFrameworkNode::Reset() { std::memset(&record_, 0, sizeof record_); }

int CDotNetFrameworkNode::Read() {
  // Two slots stay for the 3.0 and 3.5 versions behind the framework folders.
  constexpr std::size_t kFolderSlots = kDotNetSlots - 2;
  std::vector<std::string> libraries;
  char windows[kPathTextSize];
  if (platform::WindowsDirectory(windows, sizeof windows)) {
    const std::string framework = std::string(windows) + "\\Microsoft.NET\\Framework";
    const std::string pattern = BoundedPath(framework + "\\*");
    if (!pattern.empty()) {
      platform::FindEntries(pattern.c_str(), [&](const platform::FoundEntry& entry) {
        if (!entry.isDirectory || std::strcmp(entry.name, ".") == 0 || std::strcmp(entry.name, "..") == 0) {
          return true;
        }
        const std::string library = BoundedPath(framework + '\\' + entry.name + "\\mscorlib.dll");
        if (!library.empty() && platform::FileExists(library.c_str())) libraries.push_back(library);
        return libraries.size() < kFolderSlots;
      });
    }
  }
  std::size_t slot = 0;
  for (const std::string& library : libraries) {
    platform::GetFileVersionText(library.c_str(), record_.versions[slot], sizeof record_.versions[slot]);
    ++slot;
  }
  struct Release {
    const char* key;
    const char* flag;
  };
  for (const Release& release : {Release{"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v3.0\\Setup", "InstallSuccess"},
                                 Release{"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v3.5", "Install"}}) {
    RegistryKey key;
    std::uint32_t installed = 0;
    if (key.Open(RegistryRoot::kLocalMachine, release.key) && key.ReadNumber(release.flag, &installed) &&
        installed == 1) {
      key.ReadText("Version", record_.versions[slot], sizeof record_.versions[slot]);
    }
    ++slot;
  }
  return 1;
}

RowList CDotNetFrameworkNode::GetRows() {
  RowList rows;
  for (const auto& version : record_.versions) {
    std::string text = FieldText(version);
    if (text.empty()) break;
    rows.push_back({"Version", std::move(text)});
  }
  return rows;
}

// --- CUSBDriverStackNode ---

void CUSBDriverStackNode::Reset() { std::memset(&record_, 0, sizeof record_); }

int CUSBDriverStackNode::Read() {
  RedirectionGuard guard;
  if (!guard.Begin()) return 0;
  int result = ReadVersions();
  if (!guard.End()) result = 0;
  return result;
}

// The scanner driver of this Windows (the 64-bit one on 64-bit Windows), then the eleven system
// files; a file in neither system folder stays empty, one without a version resource fails.
int CUSBDriverStackNode::ReadVersions() {
  char windows[kPathTextSize];
  if (!platform::WindowsDirectory(windows, sizeof windows)) return 1;
  std::vector<std::size_t> slots = {platform::IsWindows64Bit() ? std::size_t{1} : std::size_t{0}};
  for (std::size_t i = 2; i < kUsbDriverStackFiles; ++i) slots.push_back(i);
  for (std::size_t slot : slots) {
    const char* name = kUsbDriverStackFileNames[slot];
    std::string path = BoundedPath(std::string(windows) + "\\system32\\drivers\\" + name);
    if (path.empty() || !platform::FileExists(path.c_str())) {
      path = BoundedPath(std::string(windows) + "\\system32\\" + name);
      if (path.empty() || !platform::FileExists(path.c_str())) continue;
    }
    if (!platform::GetFileVersionText(path.c_str(), record_.versions[slot], sizeof record_.versions[slot])) return 0;
  }
  return 1;
}

RowList CUSBDriverStackNode::GetRows() {
  RowList rows;
  for (std::size_t i = 0; i < kUsbDriverStackFiles; ++i) {
    rows.push_back({kUsbDriverStackFileNames[i], FieldText(record_.versions[i])});
  }
  return rows;
}

}  // namespace qx
