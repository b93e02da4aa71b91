#pragma once

// Keys the driver package knows beside the ones the module opens: the retail device classes a
// service may be registered under, and the installed-option keys of the package's versions. The
// module's operations do not read them; hosts and tools use them to name keys.
namespace qx::registry {

inline constexpr const char* kDeviceClassKeys[] = {
    "\\DriverInfo\\BumpBar",        "\\DriverInfo\\CashChanger",      "\\DriverInfo\\CashDrawer",
    "\\DriverInfo\\CAT",            "\\DriverInfo\\CheckScanner",     "\\DriverInfo\\CoinDispenser",
    "\\DriverInfo\\FiscalPrinter",  "\\DriverInfo\\HardTotals",       "\\DriverInfo\\KeyLock",
    "\\DriverInfo\\LineDisplay",    "\\DriverInfo\\MICR",             "\\DriverInfo\\MSR",
    "\\DriverInfo\\PINPad",         "\\DriverInfo\\POSKeyboard",      "\\DriverInfo\\POSPrinter",
    "\\DriverInfo\\RemoteOrderDisplay", "\\DriverInfo\\Scale",        "\\DriverInfo\\Scanner",
    "\\DriverInfo\\SignatureCapture", "\\DriverInfo\\ToneIndicator",
};

inline constexpr const char* kInstalledOptionKeys[] = {
    "\\DeviceInfo\\InstalledOption",
    "\\DeviceInfo\\InstalledOption\\Version0.00",
    "\\DeviceInfo\\InstalledOption\\Version0.00\\Assorted",
    "\\DeviceInfo\\InstalledOption\\Version0.00\\BatchSetup",
    "\\DeviceInfo\\InstalledOption\\Version0.00\\HookDrv",
    "\\DeviceInfo\\InstalledOption\\Version1.00",
    "\\DeviceInfo\\InstalledOption\\Version1.00\\Assorted",
    "\\DeviceInfo\\InstalledOption\\Version1.00\\BatchSetup",
    "\\DeviceInfo\\InstalledOption\\Version1.00\\HookDrv",
    "\\DeviceInfo\\InstalledOption\\Version1.00\\SetupPOS",
};

static_assert(sizeof kDeviceClassKeys / sizeof kDeviceClassKeys[0] == 20);
static_assert(sizeof kInstalledOptionKeys / sizeof kInstalledOptionKeys[0] == 10);

}  // namespace qx::registry
