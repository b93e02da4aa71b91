#pragma once

// The library's own record of its calls: one line per call and per callback delivered, appended
// to the file named by the environment variable NORVASCAN_CALL_LOG (nothing when it is unset).
// Lines look like "BiOpenMonPrinter(2, \"QX-R7000U\") = 1".
namespace qx::norvascan {

void LogCall(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qx::norvascan
