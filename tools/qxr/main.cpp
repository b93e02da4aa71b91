// qxr: reads QX-R7000 setting files (*.qxr) for support work: as text, as JSON, as the changes
// between two files, as an HTML report, and as a qxr7000-sim profile of the unit.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/string_table.h"
#include "tools/qxr/command_line.h"
#include "tools/qxr/file_diff.h"
#include "tools/qxr/html_report.h"
#include "tools/qxr/json_report.h"
#include "tools/qxr/opened_file.h"
#include "tools/qxr/output_file.h"
#include "tools/qxr/setting_report.h"
#include "tools/qxr/sim_profile.h"
#include "utility/shell/result_code.h"
#include "utility/shell/setting_file.h"

namespace {

// As diff(1): 0 no differences (and success), 1 differences, 2 trouble (usage, unreadable file).
constexpr int kExitSuccess = 0;
constexpr int kExitDifferent = 1;
constexpr int kExitTrouble = 2;

int UsageError(const std::string& error, qx::qxr::Verb verb) {
  std::fprintf(stderr, "qxr: %s\n%s", error.c_str(), qx::qxr::UsageText(verb).c_str());
  return kExitTrouble;
}

bool Open(const std::string& path, std::unique_ptr<qx::qxr::OpenedFile>* file) {
  int result = qx::qxr::OpenSettingFile(path, file);
  if (result == qx::kResultSuccess) return true;
  std::fprintf(stderr, "%s\n", qx::qxr::OpenFailureMessage(result, path).c_str());
  return false;
}

int Emit(const std::string& text, const std::string& output, int status) {
  std::string why;
  if (!qx::qxr::WriteOutput(text, output, &why)) {
    std::fprintf(stderr, "qxr: %s\n", why.c_str());
    return kExitTrouble;
  }
  return status;
}

int Run(const qx::qxr::CommandLine& line) {
  using qx::qxr::Verb;
  std::unique_ptr<qx::qxr::OpenedFile> a, b;
  if (!Open(line.files[0], &a)) return kExitTrouble;
  switch (line.verb) {
    case Verb::kShow: return Emit(qx::SettingReport(a->tree), "", kExitSuccess);
    case Verb::kJson: return Emit(qx::qxr::JsonReport(*a, line.raw), line.output, kExitSuccess);
    case Verb::kHtml: return Emit(qx::qxr::HtmlReport(*a), line.output, kExitSuccess);
    case Verb::kProfile: return Emit(qx::qxr::SimProfile(*a), line.output, kExitSuccess);
    case Verb::kDiff: {
      if (!Open(line.files[1], &b)) return kExitTrouble;
      std::vector<qx::qxr::CategoryDiff> diffs = qx::qxr::DiffFiles(*a, *b);
      const int status = diffs.empty() ? kExitSuccess : kExitDifferent;
      return Emit(line.json ? qx::qxr::DiffJson(*a, *b, diffs) : qx::qxr::DiffText(*a, *b, diffs), line.output,
                  status);
    }
    case Verb::kNone: break;
  }
  return kExitTrouble;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  qx::qxr::CommandLine line = qx::qxr::ParseCommandLine(arguments);
  if (!line.error.empty()) return UsageError(line.error, line.verb);
  if (line.help) {
    std::fputs(qx::qxr::UsageText(line.verb).c_str(), stdout);
    return kExitSuccess;
  }
  if (line.version) {
    char version[64];
    qx::platform::LoadUtilityString(qx::kVersionStringId, version, sizeof version);
    std::printf("qxr %s\n", version);
    return kExitSuccess;
  }
  return Run(line);
}
