#include "utility/shell/posix_command_line.h"

#include <cstring>

namespace qx {

namespace {

struct BoundedText {
  char* text;
  std::size_t size;
  std::size_t length;

  void Append(char c) {
    if (length + 1 < size) text[length++] = c;
  }
};

}  // namespace

void JoinArguments(int count, char* const* arguments, char* line, std::size_t size) {
  if (size == 0) return;
  BoundedText out{line, size, 0};
  for (int i = 0; i < count; ++i) {
    const char* argument = arguments[i];
    bool quote = std::strpbrk(argument, " \t") != nullptr;
    if (i > 0) out.Append(' ');
    if (quote) out.Append('"');
    for (const char* c = argument; *c != '\0'; ++c) out.Append(*c);
    if (quote) out.Append('"');
  }
  line[out.length] = '\0';
}

}  // namespace qx
