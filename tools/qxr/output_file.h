#pragma once

#include <string>

namespace qx::qxr {

// Writes `text` to standard output (empty `path`) or to the file `path`, whole or not at all: the
// text goes to a temporary file beside it, which then replaces `path`. False with a reason when
// anything fails; no half-written file is left behind.
bool WriteOutput(const std::string& text, const std::string& path, std::string* why);

}  // namespace qx::qxr
