#include "checker/error_names.h"

namespace qx::checker {
namespace {

struct ResultName {
  int code;
  const wchar_t* name;
};

constexpr ResultName kResultNames[] = {
    {0, L"SUCCESS"},
    {-10, L"ERR_TYPE"},
    {-20, L"ERR_OPENED"},
    {-30, L"ERR_NO_PRINTER"},
    {-40, L"ERR_NO_TARGET"},
    {-50, L"ERR_NO_MEMORY"},
    {-60, L"ERR_HANDLE"},
    {-70, L"ERR_TIMEOUT"},
    {-80, L"ERR_ACCESS"},
    {-90, L"ERR_PARAM"},
    {-100, L"ERR_NOT_SUPPORT"},
    {-110, L"ERR_OFFLINE"},
    {-120, L"ERR_NOT_NORVA"},
    {-130, L"ERR_WITHOUT_CB"},
    {-140, L"ERR_BUFFER_OVER_FLOW"},
    {-150, L"ERR_REGISTRY"},
    {-160, L"ERR_ENABLE"},
    {-170, L"ERR_DISK_FULL"},
    {-180, L"ERR_NO_IMAGE"},
    {-190, L"ERR_ENTRY_OVER"},
    {-200, L"ERR_CROPAREAID"},
    {-210, L"ERR_EXIST"},
    {-220, L"ERR_NOT_FOUND"},
    {-230, L"ERR_IMAGE_FILEOPEN"},
    {-240, L"ERR_IMAGE_UNKNOWNFORMAT"},
    {-250, L"ERR_IMAGE_FAILED"},
    {-260, L"ERR_WORKAREA_NO_MEMORY"},
    {-270, L"ERR_WORKAREA_UNKNOWNFORMAT"},
    {-280, L"ERR_WORKAREA_FAILED"},
    {-290, L"ERR_IMAGE_FILEREAD"},
    {-300, L"ERR_PAPERINSERT_TIMEOUT"},
    {-310, L"ERR_EXEC_FUNCTION"},
    {-320, L"ERR_EXEC_MICR"},
    {-330, L"ERR_EXEC_SCAN"},
    {-340, L"ERR_SS_NOT_EXIST"},
    {-350, L"ERR_SPL_NOT_EXIST"},
    {-370, L"ERR_SPL_PAUSED"},
    {-400, L"ERR_RESET"},
    {-420, L"ERR_THREAD"},
    {-430, L"ERR_ABORT"},
    {-440, L"ERR_MICR"},
    {-450, L"ERR_SCAN"},
    {-460, L"ERR_LINE_OVERFLOW"},
    {-470, L"ERR_NOT_EXEC"},
    {-1000, L"ERR_SIZE"},
    {-1010, L"ERR_PAPER_PILED"},
    {-1020, L"ERR_PAPER_JAM"},
    {-1030, L"ERR_COVER_OPEN"},
    {-1040, L"ERR_MICR_NODATA"},
    {-1050, L"ERR_MICR_BADDATA"},
    {-1060, L"ERR_MICR_PARSE"},
    {-1070, L"ERR_MICR_NOISE"},
    {-1080, L"ERR_SCN_COMPRESS"},
    {-1090, L"ERR_PAPER_EXIST"},
    {-1100, L"ERR_PAPER_INSERT"},
    {-2000, L"ERR_EXEC_SCAN_CHECK_CONTINUOUS"},
    {-2010, L"ERR_EXEC_SCAN_CHECK_ONEBYONE"},
    {-2020, L"ERR_EXEC_SCAN_IDCARD"},
    {-2030, L"ERR_EXEC_PRINT_ROLLPAPER"},
    {-2040, L"ERR_EXEC_PRINT_VALIDATION"},
};

}  // namespace

const wchar_t* ScannerResultName(int code) {
  for (const ResultName& entry : kResultNames) {
    if (entry.code == code) return entry.name;
  }
  return nullptr;
}

}  // namespace qx::checker
