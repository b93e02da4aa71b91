// The PC-side read failures of the System branch put up an error box from the reading thread in
// the window modes, and none at all in RunMode Batch, where nobody could dismiss it and the export
// would wait for ever. A watcher thread in this process answers any box it sees and notes its text.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "utility/nodes/system_environment_nodes.h"
#include "utility/shell/run_mode.h"

namespace qx {
namespace {

constexpr char kProcessorKey[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

class BoxWatcher {
 public:
  BoxWatcher() : thread_([this] { Watch(); }) {}
  ~BoxWatcher() {
    stop_ = true;
    thread_.join();
  }

  std::vector<std::string> Texts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
  }

 private:
  static BOOL CALLBACK Collect(HWND window, LPARAM context) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    char caption[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (owner == GetCurrentProcessId() && IsWindowVisible(window) && std::string(name) == "#32770" &&
        std::string(caption) == "Error") {
      reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    }
    return TRUE;
  }

  void Watch() {
    std::vector<HWND> answered;
    while (!stop_) {
      std::vector<HWND> boxes;
      EnumWindows(Collect, reinterpret_cast<LPARAM>(&boxes));
      for (HWND box : boxes) {
        bool known = false;
        for (HWND seen : answered) known = known || seen == box;
        if (!known) {
          char text[520] = "";
          GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
          std::lock_guard<std::mutex> lock(mutex_);
          texts_.push_back(text);
          answered.push_back(box);
        }
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
      }
      Sleep(20);
    }
  }

  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> texts_;
  std::thread thread_;
};

// The processor key without its name and identifier: the System node's processor step fails.
class ProcessorKeyWithoutIdentifier : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProcessorKey, 0, KEY_ALL_ACCESS, &key_), ERROR_SUCCESS);
    name_ = Save("ProcessorNameString", &hadName_);
    identifier_ = Save("Identifier", &hadIdentifier_);
    RegDeleteValueA(key_, "ProcessorNameString");
    RegDeleteValueA(key_, "Identifier");
  }
  void TearDown() override {
    Restore("ProcessorNameString", hadName_, name_);
    Restore("Identifier", hadIdentifier_, identifier_);
    RegCloseKey(key_);
    SetRunMode(kRunModeNormal);
  }

  std::string Save(const char* name, bool* had) {
    char text[512] = {};
    DWORD size = sizeof text - 1;
    *had = RegQueryValueExA(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS;
    return text;
  }
  void Restore(const char* name, bool had, const std::string& value) {
    if (had) {
      RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
    }
  }

  // One System node read on a thread of its own, as the gather reads; its result.
  int ReadOnGatherThread() {
    int result = -1;
    std::thread gather([&] {
      int port = 2;
      CSystemNode node(&port);
      node.Reset();
      result = node.Read();
    });
    gather.join();
    return result;
  }

  HKEY key_ = nullptr;
  std::string name_, identifier_;
  bool hadName_ = false, hadIdentifier_ = false;
};

TEST_F(ProcessorKeyWithoutIdentifier, WindowModesShowTheErrorBox) {
  BoxWatcher watcher;
  SetRunMode(kRunModeNormal);
  EXPECT_EQ(ReadOnGatherThread(), 0);
  SetRunMode(kRunModeExtended);
  EXPECT_EQ(ReadOnGatherThread(), 0);
  const std::vector<std::string> texts = watcher.Texts();
  // "VendorIdentifier" may be missing too on some machines; either way one box per read.
  ASSERT_EQ(texts.size(), 2u);
  for (const std::string& text : texts) EXPECT_EQ(text.rfind("RegQueryValueEx(", 0), 0u) << text;
}

TEST_F(ProcessorKeyWithoutIdentifier, BatchEndsTheReadWithoutAnyBox) {
  BoxWatcher watcher;
  SetRunMode(kRunModeBatch);
  EXPECT_EQ(ReadOnGatherThread(), 0);
  // Long enough for the watcher to have seen a box the read left behind.
  Sleep(200);
  EXPECT_TRUE(watcher.Texts().empty());
}

}  // namespace
}  // namespace qx
