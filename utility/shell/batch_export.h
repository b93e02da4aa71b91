#pragma once

namespace qx {

// Runs the extended gather without a window and writes the setting file named on the command line
// (as passed, "/r7000" first): 0 when the file was written, 1001 when the target is unusable, 501
// when it cannot be written, or the gather's result code.
int RunBatchExport(const char* commandLine);

}  // namespace qx
