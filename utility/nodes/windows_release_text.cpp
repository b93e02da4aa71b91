#include "utility/nodes/windows_release_text.h"

#include "utility/nodes/value_format.h"

namespace qx {

namespace {

constexpr std::uint32_t kPlatformNt = 2;
constexpr std::uint16_t kSuitePersonal = 0x0200;

const char* VistaEdition(const platform::WindowsRelease& release) {
  if (!release.hasProductType) return "";
  switch (release.productType) {
    case 1: return "Microsoft Windows Vista Ultimate";
    case 2: return "Microsoft Windows Vista Home Basic";
    case 3: return "Microsoft Windows Vista Home Premium";
    case 6: return "Microsoft Windows Vista Business";
    default: return "Microsoft Windows Vista";
  }
}

}  // namespace

std::string WindowsOsName(const platform::WindowsRelease& release) {
  if (release.platformId != kPlatformNt) return std::string();
  if (release.major == 5 && release.minor == 0) return "Microsoft Windows 2000 Professional";
  if (release.major == 5 && release.minor == 1) {
    return (release.suiteMask & kSuitePersonal) != 0 ? "Microsoft Windows XP Home Edition"
                                                     : "Microsoft Windows XP Professional";
  }
  if (release.major == 6) return VistaEdition(release);
  return std::string();
}

std::string WindowsOsVersionText(const platform::WindowsRelease& release) {
  if (release.platformId != kPlatformNt) return std::string();
  const std::string servicePack = FieldText(release.servicePack);
  const int major = static_cast<int>(release.major);
  const int minor = static_cast<int>(release.minor);
  const int build = static_cast<int>(release.build);
  if (servicePack.empty()) return FormatValue("%d.%d.%d", major, minor, build);
  return FormatValue("%d.%d.%d(%s Built %d)", major, minor, build, servicePack.c_str(), build);
}

}  // namespace qx
