#include "tests/checker_wizard/wizard_fixture.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/win32/ui_driver.h"

namespace qx::test {

std::string Utf8(const std::wstring& text) {
  std::string out;
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n > 1) {
    out.resize(static_cast<std::size_t>(n - 1));
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  }
  return out;
}

std::string LinesWith(const std::string& text, const std::string& part) {
  std::istringstream in(text);
  std::string line;
  std::string out;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find(part) != std::string::npos) out += line + "\n";
  }
  return out;
}

void CheckerWizardTest::SetUp() {
  std::string why;
  if (!simtest::FindRunningSim(&sim_, &why)) GTEST_SKIP() << "no simulator: " << why;
  Sim("profile default.json");
  char address[32];
  std::snprintf(address, sizeof address, "%u.%u.%u.%u:%u", sim_.link.ipv4[0], sim_.link.ipv4[1], sim_.link.ipv4[2],
                sim_.link.ipv4[3], sim_.link.port);
  SetEnvironmentVariableA("QXR7000_SIM", address);
  logPath_ = ProgramFolder() + "checker-calls.log";
  DeleteFileA(logPath_.c_str());
  SetEnvironmentVariableA("NORVASCAN_CALL_LOG", logPath_.c_str());
  mutex_ = CreateMutexW(nullptr, TRUE, L"R7000Check");
  ASSERT_NE(mutex_, nullptr);
}

void CheckerWizardTest::TearDown() {
  if (mutex_ != nullptr) {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
}

void CheckerWizardTest::Sim(const std::string& command) {
  ASSERT_TRUE(simtest::SimControlOk(sim_.control, command)) << "simulator refused: " << command;
}

std::string CheckerWizardTest::SimLog() {
  std::string out;
  for (const std::string& line : simtest::SimControl(sim_.control, "log")) out += line + "\n";
  return out;
}

void CheckerWizardTest::StartWizard() {
  Sim("clear-log");
  ASSERT_TRUE(checker_.Start(ProgramFolder() + "R7000Check.exe"));
  if (checker_.WaitForWizard(kWaitMs) == nullptr) {
    CheckerSession::Box box;
    bool boxShown = checker_.WaitForBox(&box, 0);
    FAIL() << "no wizard" << (boxShown ? "; the checker says: " + Utf8(box.text) : std::string());
  }
  ExpectPage(0);
}

void CheckerWizardTest::Press(int id, const char* name) {
  bool clickable = WaitUntil([&] { return checker_.ButtonVisible(id) && checker_.ButtonEnabled(id); }, 5000);
  ASSERT_TRUE(clickable && checker_.Click(id)) << name << " is not enabled on page " << checker_.ActivePage();
}

void CheckerWizardTest::Answer(int radio) {
  ASSERT_TRUE(checker_.ClickOnPage(radio)) << "no answer " << radio << " on page " << checker_.ActivePage();
  ASSERT_TRUE(WaitUntil([&] { return checker_.PageChecked(radio); }, 5000)) << "answer " << radio << " not taken";
  // The page enables its buttons right after it checks the answer.
  Sleep(100);
}

void CheckerWizardTest::ExpectBox(const std::string& text, int answer) {
  CheckerSession::Box box;
  ASSERT_TRUE(checker_.WaitForBox(&box, kWaitMs)) << "no message box; expected: " << text;
  checker_.Answer(box, answer);
  EXPECT_EQ(Utf8(box.text), text);
}

void CheckerWizardTest::ExpectNoBox(DWORD ms) {
  CheckerSession::Box box;
  if (checker_.BoxAppearsWithin(ms, &box)) {
    ADD_FAILURE() << "unexpected message box: " << Utf8(box.text);
    checker_.Answer(box, IDOK);
  }
}

std::string CheckerWizardTest::Buttons() {
  std::string flags;
  flags += checker_.ButtonVisible(kBack) && checker_.ButtonEnabled(kBack) ? "B" : "-";
  flags += checker_.ButtonVisible(kNext) && checker_.ButtonEnabled(kNext) ? " N" : " -";
  flags += checker_.ButtonVisible(kFinish) && checker_.ButtonEnabled(kFinish) ? " F" : " -";
  flags += checker_.ButtonEnabled(kCancel) ? " C" : " -";
  return flags;
}

void CheckerWizardTest::ExpectButtons(const std::string& expected) {
  WaitUntil([&] { return Buttons() == expected; }, 3000);
  EXPECT_EQ(Buttons(), expected) << "on page " << checker_.ActivePage();
}

std::string CheckerWizardTest::CallLog() const {
  std::ifstream in(logPath_, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string lines = text.str();
  // The library writes its log in text mode.
  lines.erase(std::remove(lines.begin(), lines.end(), '\r'), lines.end());
  return lines;
}

void CheckerWizardTest::Screenshot(const std::string& name) {
  std::string folder = ProgramFolder() + "..\\screenshots\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  EXPECT_TRUE(checker_.SaveScreenshot(folder + name + ".png")) << name;
}

}  // namespace qx::test
