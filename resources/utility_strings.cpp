#include "resources/utility_strings.h"

namespace qx {

namespace {

struct StringEntry {
  int id;
  const char* text;
};

#define QX_STRING(id, text) {id, text},
constexpr StringEntry kUtilityStrings[] = {
#include "resources/utility_strings.def"
};
#undef QX_STRING

}  // namespace

const char* UtilityStringText(int id) {
  for (const StringEntry& entry : kUtilityStrings) {
    if (entry.id == id) return entry.text;
  }
  return nullptr;
}

}  // namespace qx
