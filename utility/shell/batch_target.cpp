#include "utility/shell/batch_target.h"

#include <cstdio>
#include <cstring>

#include "utility/shell/file_name_guard.h"
#include "utility/shell/result_code.h"

namespace qx {

namespace {

// The entry has already matched the switch, in any case; only its length matters here.
constexpr std::size_t kSwitchLength = 6;
// The switch and the one separator character after it, whatever that character is.
constexpr std::size_t kArgumentStart = kSwitchLength + 1;
constexpr const char kExtension[] = ".qxr";
constexpr std::size_t kExtensionLength = sizeof kExtension - 1;
// The longest argument that can still give a name that fits: a full-length name in quotes.
constexpr std::size_t kLongestArgument = (kBatchTargetSize - 1) + 2;

bool EndsWithExtension(const char* text, std::size_t length) {
  return length >= kExtensionLength &&
         std::memcmp(text + length - kExtensionLength, kExtension, kExtensionLength) == 0;
}

// Builds `name` and, unless it already ends in the extension, the extension into the target;
// fails instead of cutting when the result would not fit.
bool ComposeName(const char* name, std::size_t length, BatchTarget& target) {
  bool addExtension = !EndsWithExtension(name, length);
  std::size_t total = length + (addExtension ? kExtensionLength : 0);
  if (total >= sizeof target.path) return false;
  std::memcpy(target.path, name, length);
  if (addExtension) std::memcpy(target.path + length, kExtension, kExtensionLength);
  target.path[total] = '\0';
  return true;
}

}  // namespace

int ParseBatchTarget(const char* commandLine, BatchTarget& target) {
  target.path[0] = '\0';
  if (commandLine == nullptr) return kResultStartup;

  // Only as much of the line is measured as could still give a name that fits.
  std::size_t length = strnlen(commandLine, kArgumentStart + kLongestArgument + 1);
  // A line of the switch alone, in whatever case, has no argument: the argument would begin
  // behind the line's end.
  if (length <= kSwitchLength) return kResultStartup;
  if (length > kArgumentStart + kLongestArgument) return kResultStartup;

  const char* argument = commandLine + kArgumentStart;
  std::size_t argumentLength = length - kArgumentStart;
  if (std::memchr(argument, '/', argumentLength) != nullptr) return kResultStartup;

  bool quoted = argumentLength >= 2 && argument[0] == '"' && argument[argumentLength - 1] == '"';
  bool composed = quoted ? ComposeName(argument + 1, argumentLength - 2, target)
                         : ComposeName(argument, argumentLength, target);
  return composed ? kResultSuccess : kResultStartup;
}

int PrepareBatchTarget(const char* commandLine, BatchTarget& target) {
  if (ParseBatchTarget(commandLine, target) != kResultSuccess) return kResultStartup;
  std::FILE* file = OpenGuardedFile(target.path, "wt");
  if (file == nullptr) return kResultStartup;
  std::fclose(file);
  return kResultSuccess;
}

}  // namespace qx
