#pragma once

#include <string>

#include "platform/pc_facts.h"

// How the System branch names a Windows release.
namespace qx {

// "Microsoft Windows 2000 Professional", the XP and Vista editions; empty for any other release
// and for platforms other than NT.
std::string WindowsOsName(const platform::WindowsRelease& release);

// "major.minor.build(service pack Built build)", or "major.minor.build" without a service pack.
std::string WindowsOsVersionText(const platform::WindowsRelease& release);

}  // namespace qx
