// The Windows driver backend under Wine: where no QXUSB driver is installed SetupAPI finds no
// interface of the class; with interfaces registered as the driver's installation leaves them
// (present and linked) the enumeration finds their device paths, which it can only do by giving
// SetupAPI the structure sizes of this build (28 and 5 in the 32-bit build). A function path that
// does not exist is not found, and calls on invalid handles fail without touching the buffers.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <string>

#include "utility/port/qxusb_contract.h"
#include "utility/port/qxusb_win32_driver.h"

namespace qx::qxusb {
namespace {

constexpr char kDeviceClasses[] = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\";
constexpr char kEnumUsb[] = "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_2F4E&PID_7000";

const GUID kClass = {kInterfaceClassData1, kInterfaceClassData2, kInterfaceClassData3,
                     {kInterfaceClassData4[0], kInterfaceClassData4[1], kInterfaceClassData4[2],
                      kInterfaceClassData4[3], kInterfaceClassData4[4], kInterfaceClassData4[5],
                      kInterfaceClassData4[6], kInterfaceClassData4[7]}};

std::string ClassKey() { return std::string(kDeviceClasses) + kInterfaceClassText; }

bool SetValue(const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  bool done = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return done;
}

bool SetText(const std::string& path, const char* name, const std::string& text) {
  return SetValue(path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool KeyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

TEST(Win32Driver, NoInterfaceOfTheClassOnAMachineWithoutTheDriver) {
  if (KeyExists(ClassKey())) GTEST_SKIP() << "this Windows has interfaces of the driver's class";
  Win32Driver d;
  char path[kDevicePathSize] = "stale";
  EXPECT_EQ(d.Enumerate(0, path, sizeof path), DriverStatus::kNoMoreItems);
  EXPECT_STREQ(path, "");
  EXPECT_EQ(d.Enumerate(0, nullptr, 0), DriverStatus::kNoMoreItems);
}

TEST(Win32Driver, MissingFunctionPathIsNotFound) {
  Win32Driver d;
  DriverHandle h = 7;
  EXPECT_EQ(d.Open("\\\\?\\usb#vid_2f4e&pid_7000#none#{5dd901c0-bcf4-11d1-9738-008029e6a5b3}\\QX", &h),
            DriverStatus::kNotFound);
  EXPECT_EQ(h, kInvalidDriverHandle);
  EXPECT_EQ(d.Open("", &h), DriverStatus::kNotFound);
}

TEST(Win32Driver, CallsOnInvalidHandlesFail) {
  Win32Driver d;
  std::uint8_t b[4] = {};
  std::uint32_t n = 9;
  EXPECT_EQ(d.Write(kInvalidDriverHandle, b, 4, &n), DriverStatus::kFailed);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(d.Read(kInvalidDriverHandle, b, 4, &n), DriverStatus::kFailed);
  EXPECT_FALSE(d.Control(kInvalidDriverHandle, 0x222000, nullptr, 0, b, 4, &n));
  d.Close(kInvalidDriverHandle);
}

// Two scanners of the driver's class registered in the machine's device database, and a third
// interface that is registered but not linked (its device is gone). Removed again afterwards.
class RegisteredInterfaces : public ::testing::Test {
 protected:
  static std::string Path(const char* serial) {
    return std::string("\\\\?\\USB#VID_2F4E&PID_7000#") + serial + "#" + kInterfaceClassText;
  }

  void SetUp() override {
    if (KeyExists(ClassKey())) GTEST_SKIP() << "this Windows has interfaces of the driver's class";
    Register("QX0001", 1);
    Register("QX0002", 1);
    Register("QX0009", 0);
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ClassKey().c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kEnumUsb);
    EXPECT_FALSE(KeyExists(ClassKey()));
    EXPECT_FALSE(KeyExists(kEnumUsb));
  }

  void Register(const char* serial, DWORD linked) {
    std::string instance = std::string("USB\\VID_2F4E&PID_7000\\") + serial;
    std::string link = Path(serial);
    std::string name = link;
    name.replace(0, 4, "##?#");
    const std::string key = ClassKey() + "\\" + name;
    ASSERT_TRUE(SetText(key, "DeviceInstance", instance));
    ASSERT_TRUE(SetText(key + "\\#", "SymbolicLink", link));
    ASSERT_TRUE(SetValue(key + "\\#\\Control", "Linked", REG_DWORD, &linked, sizeof linked));
    ASSERT_TRUE(SetText(std::string(kEnumUsb) + "\\" + serial, "ClassGUID", kInterfaceClassText));
  }
};

TEST_F(RegisteredInterfaces, SizesOfThisBuild) {
  if (sizeof(void*) == 4) {
    EXPECT_EQ(kSetupApiInterfaceDataSize, 28u);
    EXPECT_EQ(kSetupApiDetailDataSize, 5u);
  } else {
    EXPECT_EQ(kSetupApiInterfaceDataSize, 32u);
    EXPECT_EQ(kSetupApiDetailDataSize, 8u);
  }
}

TEST_F(RegisteredInterfaces, PresentInterfacesAreFoundInOrder) {
  Win32Driver d;
  char path[kDevicePathSize] = {};
  ASSERT_EQ(d.Enumerate(0, path, sizeof path), DriverStatus::kOk);
  EXPECT_STRCASEEQ(path, Path("QX0001").c_str());
  ASSERT_EQ(d.Enumerate(1, path, sizeof path), DriverStatus::kOk);
  EXPECT_STRCASEEQ(path, Path("QX0002").c_str());
  EXPECT_EQ(d.Enumerate(2, path, sizeof path), DriverStatus::kNoMoreItems);
  EXPECT_STREQ(path, "");
  // A destination shorter than the path gets what fits, terminated.
  char small[12];
  ASSERT_EQ(d.Enumerate(0, small, sizeof small), DriverStatus::kOk);
  EXPECT_STRCASEEQ(small, Path("QX0001").substr(0, 11).c_str());
}

// SetupAPI accepts the sizes the enumeration gives it and refuses those of the other build, so
// finding the paths above shows which ones it gave.
TEST_F(RegisteredInterfaces, SetupApiRefusesTheOtherBuildsSizes) {
  HDEVINFO list = SetupDiGetClassDevsA(&kClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  ASSERT_NE(list, INVALID_HANDLE_VALUE);
  const DWORD otherInterfaceSize = sizeof(void*) == 4 ? 32 : 28;
  const DWORD otherDetailSize = sizeof(void*) == 4 ? 8 : 5;

  alignas(8) unsigned char data[64] = {};
  auto* interfaceData = reinterpret_cast<SP_DEVICE_INTERFACE_DATA*>(data);
  interfaceData->cbSize = otherInterfaceSize;
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(list, nullptr, &kClass, 0, interfaceData));
  interfaceData->cbSize = kSetupApiInterfaceDataSize;
  ASSERT_TRUE(SetupDiEnumDeviceInterfaces(list, nullptr, &kClass, 0, interfaceData));

  alignas(8) unsigned char detail[512] = {};
  auto* detailData = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(detail);
  detailData->cbSize = otherDetailSize;
  EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(list, interfaceData, detailData, sizeof detail, nullptr, nullptr));
  detailData->cbSize = kSetupApiDetailDataSize;
  EXPECT_TRUE(SetupDiGetDeviceInterfaceDetailA(list, interfaceData, detailData, sizeof detail, nullptr, nullptr));
  SetupDiDestroyDeviceInfoList(list);
}

}  // namespace
}  // namespace qx::qxusb
