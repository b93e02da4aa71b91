#include "platform/user_message.h"

#include <cstdio>

namespace qx::platform {

void ShowErrorMessage(const char* text) { std::fprintf(stderr, "Error: %s\n", text); }

}  // namespace qx::platform
