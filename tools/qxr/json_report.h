#pragma once

#include <string>

#include "tools/qxr/opened_file.h"

namespace qx::qxr {

// Version of the JSON layout written by `qxr json` and `qxr diff --json`; raised only when a
// field changes its meaning or disappears (new fields keep the number).
inline constexpr int kJsonSchemaVersion = 1;

// The JSON text of a file's header: magic, version ("1.3.1.0"), length and the zero byte.
std::string HeaderJson(const SettingFileHeader& header);

// The whole file as one JSON document (the layout is described in the README); `raw` adds each
// node's record bytes as hexadecimal text.
std::string JsonReport(const OpenedFile& file, bool raw);

}  // namespace qx::qxr
