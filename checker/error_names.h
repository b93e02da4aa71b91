#pragma once

// Names of the scanner API library's result codes.
namespace qx::checker {

// The code's name ("SUCCESS", "ERR_PAPER_JAM", ...), or null for a code without one.
const wchar_t* ScannerResultName(int code);

}  // namespace qx::checker
