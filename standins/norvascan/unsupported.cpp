// The library's functions that the checker never calls. They exist so that every name of the
// binding list resolves, and each answers ERR_NOT_SUPPORT. Under the standard calling convention
// the callee removes the arguments, so each takes the number of 32-bit arguments its counterpart
// in the maker's library is taken to have.
#include <windows.h>

#include <cstdint>

#include "standins/norvascan/call_log.h"

namespace {

constexpr int kErrNotSupport = -100;

int NotSupported(const char* name) {
  qx::norvascan::LogCall("%s = %d", name, kErrNotSupport);
  return kErrNotSupport;
}

}  // namespace

using Arg = std::intptr_t;

extern "C" {

__declspec(dllexport) int WINAPI BiSetMonInterval(Arg, Arg, Arg) { return NotSupported("BiSetMonInterval"); }
__declspec(dllexport) int WINAPI BiSetStatusBackWnd(Arg, Arg, Arg) { return NotSupported("BiSetStatusBackWnd"); }
__declspec(dllexport) int WINAPI BiCancelStatusBack(Arg) { return NotSupported("BiCancelStatusBack"); }
__declspec(dllexport) int WINAPI BiResetPrinter(Arg) { return NotSupported("BiResetPrinter"); }
__declspec(dllexport) int WINAPI BiGetCounter(Arg, Arg, Arg) { return NotSupported("BiGetCounter"); }
__declspec(dllexport) int WINAPI BiResetCounter(Arg, Arg) { return NotSupported("BiResetCounter"); }
__declspec(dllexport) int WINAPI BiGetType(Arg, Arg, Arg, Arg, Arg) { return NotSupported("BiGetType"); }
__declspec(dllexport) int WINAPI BiGetOfflineCode(Arg, Arg) { return NotSupported("BiGetOfflineCode"); }
__declspec(dllexport) int WINAPI BiGetOfflineCodeByIndex(Arg, Arg, Arg) { return NotSupported("BiGetOfflineCodeByIndex"); }
__declspec(dllexport) int WINAPI BiMICRGetStatus(Arg, Arg) { return NotSupported("BiMICRGetStatus"); }
__declspec(dllexport) int WINAPI BiSCNSetScanArea(Arg, Arg, Arg, Arg, Arg) { return NotSupported("BiSCNSetScanArea"); }
__declspec(dllexport) int WINAPI BiSCNGetImageQuality(Arg, Arg, Arg, Arg, Arg) { return NotSupported("BiSCNGetImageQuality"); }
__declspec(dllexport) int WINAPI BiSCNGetImageFormat(Arg, Arg) { return NotSupported("BiSCNGetImageFormat"); }
__declspec(dllexport) int WINAPI BiSCNGetScanArea(Arg, Arg, Arg, Arg, Arg) { return NotSupported("BiSCNGetScanArea"); }
__declspec(dllexport) int WINAPI BiSCNSetCroppingArea(Arg, Arg, Arg, Arg, Arg, Arg) { return NotSupported("BiSCNSetCroppingArea"); }
__declspec(dllexport) int WINAPI BiSCNGetCroppingArea(Arg, Arg, Arg) { return NotSupported("BiSCNGetCroppingArea"); }
__declspec(dllexport) int WINAPI BiSCNDeleteCroppingArea(Arg, Arg) { return NotSupported("BiSCNDeleteCroppingArea"); }
__declspec(dllexport) int WINAPI BiSCNSelectScanUnit(Arg, Arg) { return NotSupported("BiSCNSelectScanUnit"); }
__declspec(dllexport) int WINAPI BiSCNMICRFunction(Arg, Arg, Arg) { return NotSupported("BiSCNMICRFunction"); }
__declspec(dllexport) int WINAPI BiSetStatusBackFunctionEx(Arg, Arg, Arg) { return NotSupported("BiSetStatusBackFunctionEx"); }
__declspec(dllexport) int WINAPI BiSCNMICRSetStatusBackWnd(Arg, Arg, Arg) { return NotSupported("BiSCNMICRSetStatusBackWnd"); }
__declspec(dllexport) int WINAPI BiGetTransactionNumber(Arg, Arg) { return NotSupported("BiGetTransactionNumber"); }
__declspec(dllexport) int WINAPI BiSetTransactionNumber(Arg, Arg) { return NotSupported("BiSetTransactionNumber"); }
__declspec(dllexport) int WINAPI BiGetPrintStation(Arg, Arg) { return NotSupported("BiGetPrintStation"); }
__declspec(dllexport) int WINAPI BiSetPrintStation(Arg, Arg) { return NotSupported("BiSetPrintStation"); }
__declspec(dllexport) int WINAPI BiPrintText(Arg, Arg) { return NotSupported("BiPrintText"); }
__declspec(dllexport) int WINAPI BiPrintImage(Arg, Arg, Arg) { return NotSupported("BiPrintImage"); }
__declspec(dllexport) int WINAPI BiGetPrintSize(Arg, Arg, Arg) { return NotSupported("BiGetPrintSize"); }
__declspec(dllexport) int WINAPI BiSetPrintSize(Arg, Arg, Arg) { return NotSupported("BiSetPrintSize"); }
__declspec(dllexport) int WINAPI BiGetPrintPosition(Arg, Arg, Arg) { return NotSupported("BiGetPrintPosition"); }
__declspec(dllexport) int WINAPI BiSetPrintPosition(Arg, Arg, Arg) { return NotSupported("BiSetPrintPosition"); }
__declspec(dllexport) int WINAPI BiBufferedPrint(Arg, Arg) { return NotSupported("BiBufferedPrint"); }
__declspec(dllexport) int WINAPI BiSetTransactionNumberWithIncremental(Arg, Arg) { return NotSupported("BiSetTransactionNumberWithIncremental"); }
__declspec(dllexport) int WINAPI BiRingBuzzer(Arg, Arg, Arg) { return NotSupported("BiRingBuzzer"); }
__declspec(dllexport) int WINAPI BiESCNGetAutoSize(Arg, Arg) { return NotSupported("BiESCNGetAutoSize"); }
__declspec(dllexport) int WINAPI BiESCNSetAutoSize(Arg, Arg) { return NotSupported("BiESCNSetAutoSize"); }
__declspec(dllexport) int WINAPI BiESCNGetCutSize(Arg, Arg) { return NotSupported("BiESCNGetCutSize"); }
__declspec(dllexport) int WINAPI BiESCNSetCutSize(Arg, Arg) { return NotSupported("BiESCNSetCutSize"); }
__declspec(dllexport) int WINAPI BiESCNGetRotate(Arg, Arg) { return NotSupported("BiESCNGetRotate"); }
__declspec(dllexport) int WINAPI BiESCNSetRotate(Arg, Arg) { return NotSupported("BiESCNSetRotate"); }
__declspec(dllexport) int WINAPI BiESCNGetDocumentSize(Arg, Arg, Arg) { return NotSupported("BiESCNGetDocumentSize"); }
__declspec(dllexport) int WINAPI BiESCNSetDocumentSize(Arg, Arg, Arg) { return NotSupported("BiESCNSetDocumentSize"); }
__declspec(dllexport) int WINAPI BiESCNDefineCropArea(Arg, Arg, Arg, Arg, Arg, Arg) { return NotSupported("BiESCNDefineCropArea"); }
__declspec(dllexport) int WINAPI BiESCNGetMaxCropAreas(Arg, Arg) { return NotSupported("BiESCNGetMaxCropAreas"); }
__declspec(dllexport) int WINAPI BiESCNStoreImage(Arg, Arg, Arg, Arg, Arg) { return NotSupported("BiESCNStoreImage"); }
__declspec(dllexport) int WINAPI BiESCNRetrieveImage(Arg, Arg, Arg, Arg, Arg) { return NotSupported("BiESCNRetrieveImage"); }
__declspec(dllexport) int WINAPI BiESCNClearImage(Arg, Arg, Arg, Arg) { return NotSupported("BiESCNClearImage"); }
__declspec(dllexport) int WINAPI BiESCNGetRemainingImages(Arg, Arg) { return NotSupported("BiESCNGetRemainingImages"); }

}  // extern "C"
