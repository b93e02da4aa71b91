#include "tools/qxr/command_line.h"

namespace qx::qxr {

namespace {

struct VerbInfo {
  Verb verb;
  const char* name;
  std::size_t files;     // how many file arguments the command takes
  bool takesOutput;      // -o FILE
  const char* option;    // its one switch, or null
  const char* usage;
};

constexpr VerbInfo kVerbs[] = {
    {Verb::kShow, "show", 1, false, nullptr,
     "usage: qxr show FILE.qxr\n"
     "Prints every category of the file as \"== PATH ==\" and its rows, Item TAB Value.\n"},
    {Verb::kJson, "json", 1, true, "--raw",
     "usage: qxr json [--raw] [-o OUT.json] FILE.qxr\n"
     "Prints the file as JSON: header, categories in tree order with their rows.\n"
     "  --raw   add each node's record bytes as hexadecimal text\n"},
    {Verb::kDiff, "diff", 2, true, "--json",
     "usage: qxr diff [--json] [-o OUT] A.qxr B.qxr\n"
     "Prints what changed from A to B. Exit status 0 same, 1 different, 2 trouble.\n"
     "  --json  the differences as JSON\n"},
    {Verb::kHtml, "html", 1, true, nullptr,
     "usage: qxr html [-o REPORT.html] FILE.qxr\n"
     "Writes one self-contained HTML page with the calibration plots.\n"},
    {Verb::kProfile, "profile", 1, true, nullptr,
     "usage: qxr profile [-o UNIT.json] FILE.qxr\n"
     "Writes a qxr7000-sim profile that reproduces the file's scanner and driver.\n"},
};

constexpr const char* kProgramUsage =
    "usage: qxr COMMAND [OPTIONS] FILE...\n"
    "Reads QX-R7000 setting files (*.qxr).\n"
    "\n"
    "commands:\n"
    "  show FILE            the file as text\n"
    "  json FILE            the file as JSON\n"
    "  diff A B             what changed between two files of one unit\n"
    "  html FILE            an HTML report with calibration plots\n"
    "  profile FILE         a qxr7000-sim profile of the unit\n"
    "\n"
    "  -o FILE              write to FILE (whole or not at all) instead of standard output\n"
    "  --help               this text; qxr COMMAND --help for one command\n"
    "  --version            the program's version\n";

const VerbInfo* FindVerb(const std::string& name) {
  for (const VerbInfo& v : kVerbs) {
    if (name == v.name) return &v;
  }
  return nullptr;
}

const VerbInfo* FindVerb(Verb verb) {
  for (const VerbInfo& v : kVerbs) {
    if (verb == v.verb) return &v;
  }
  return nullptr;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  if (arguments.empty()) {
    line.error = "a command is missing";
    return line;
  }
  const std::string& first = arguments[0];
  if (first == "--help" || first == "-h") {
    line.help = true;
    return line;
  }
  if (first == "--version") {
    line.version = true;
    return line;
  }
  const VerbInfo* verb = FindVerb(first);
  if (verb == nullptr) {
    line.error = "unknown command '" + first + "'";
    return line;
  }
  line.verb = verb->verb;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (!optionsEnded && a.size() > 1 && a[0] == '-') {
      if (a == "--") {
        optionsEnded = true;
      } else if (a == "--help" || a == "-h") {
        line.help = true;
      } else if (a == "-o" && verb->takesOutput) {
        if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
          line.error = "-o needs a file name";
          return line;
        }
        line.output = arguments[++i];
      } else if (verb->option != nullptr && a == verb->option) {
        if (line.verb == Verb::kJson) line.raw = true;
        if (line.verb == Verb::kDiff) line.json = true;
      } else {
        line.error = "unknown option '" + a + "'";
        return line;
      }
      continue;
    }
    line.files.push_back(a);
  }
  if (line.help) return line;
  if (line.files.size() != verb->files) {
    line.error = verb->files == 1 ? "one file expected" : "two files expected";
  }
  return line;
}

std::string UsageText(Verb verb) {
  const VerbInfo* v = FindVerb(verb);
  return v == nullptr ? kProgramUsage : v->usage;
}

}  // namespace qx::qxr
