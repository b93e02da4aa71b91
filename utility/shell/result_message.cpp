#include "utility/shell/result_message.h"

#include <cstdio>

#include "platform/string_table.h"
#include "utility/shell/result_code.h"

namespace qx {

namespace {

// The string of a code that has a fixed message, or 0.
int FixedMessageString(int code) {
  switch (code) {
    case kResultOldDriver: return 4;
    case kResultHostController: return 8;
    case kResultScannerBusy: return 9;
    case kResultNoScanner: return 3;
    case kResultManyScanners: return 10;
    case kResultSwitchOn: return 12;
    case kResultFirmwareDamaged: return 13;
    case kResultInvalidModeCounter: return 14;
    case kResultInvalidMode: return 11;
    case kResultReadFailed: return 2;
    case kResultControlFailed: return 1;
    case 412: return 27;
    default: return 0;
  }
}

// The error-code format for a code without a fixed message.
int ErrorCodeFormatString(int code) {
  if (code <= 411) return 41;
  if (code <= 419) return 42;
  return 43;
}

}  // namespace

bool ResultCodeMessage(int code, char (&text)[kMessageSize]) {
  text[0] = '\0';
  if (code == kResultSuccess) return false;
  if (int id = FixedMessageString(code); id != 0) {
    platform::LoadUtilityString(id, text, sizeof text);
    return true;
  }
  char format[kMessageSize];
  platform::LoadUtilityString(ErrorCodeFormatString(code), format, sizeof format);
  std::snprintf(text, sizeof text, format, code);
  return true;
}

}  // namespace qx
