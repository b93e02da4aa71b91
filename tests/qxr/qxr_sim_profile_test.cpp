// `qxr profile` read back by the simulator's own profile loader: what the scanner and driver will
// answer is what the file holds. The full round trip through a batch export is in tests/e2e.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "sim/profile.h"
#include "tests/qxr/unit_file_generator.h"
#include "tools/qxr/sim_profile.h"
#include "utility/nodes/nv_counter_threshold_records.h"
#include "utility/shell/result_code.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> Slot(const qx::SettingRecord& record, qx::NodeClass node, std::size_t extra = 0) {
  const qx::SettingSlot* slot = qx::FindSettingSlot(node);
  return {record.bytes + slot->offset, record.bytes + slot->offset + slot->size + extra};
}

TEST(QxrSimProfile, TheLoaderTakesWhatTheFileHolds) {
  const fs::path folder = fs::temp_directory_path() / ("qxr-profile-" + std::to_string(std::random_device{}()));
  fs::create_directories(folder);
  for (unsigned seed : {3u, 4u, 5u}) {
    const std::string path = (folder / "unit.qxr").string();
    ASSERT_TRUE(qx::qxrtest::WriteBytes(path, qx::qxrtest::MakeUnitFile({seed})));
    std::unique_ptr<qx::qxr::OpenedFile> file;
    ASSERT_EQ(qx::qxr::OpenSettingFile(path, &file), qx::kResultSuccess);

    qx::sim::Profile profile;
    std::string error;
    ASSERT_TRUE(qx::sim::ParseProfile(qx::qxr::SimProfile(*file), folder.string(), &profile, &error)) << error;
    ASSERT_EQ(profile.devices.size(), 1u);
    const qx::sim::DeviceProfile& device = profile.devices[0];
    const qx::sim::ScannerProfile& s = device.scanner;
    const qx::SettingRecord& r = file->record;

    EXPECT_EQ(s.serial, std::string(reinterpret_cast<const char*>(r.bytes + 115)));
    qx::NvRecord nv{};
    qx::LoadSlot(r, qx::NodeClass::kNORVANV, reinterpret_cast<std::uint8_t*>(&nv), sizeof nv);
    EXPECT_EQ(s.nv[4], "CAF\xC9 \xA7 12 <&>");  // bytes above 0x7F arrive as they are
    for (std::size_t i = 0; i < qx::kNvSlots; ++i) EXPECT_EQ(s.nv[i], std::string(nv.slot[i])) << i;
    qx::MaintenanceCounterRecord counters{};
    qx::LoadSlot(r, qx::NodeClass::kMaintenanceCounter, reinterpret_cast<std::uint8_t*>(&counters), 110);
    EXPECT_EQ(s.counters[60], std::string(counters.counter[1]));
    EXPECT_EQ(s.counters[188], std::string(counters.counter[6]));

    EXPECT_EQ(device.usb.deviceDescriptor, Slot(r, qx::NodeClass::kDeviceDescriptor));
    EXPECT_EQ(device.usb.configurationSet, Slot(r, qx::NodeClass::kConfigurationDescriptor, 37));
    EXPECT_EQ(device.usb.qualifier, Slot(r, qx::NodeClass::kDeviceQualifierDescriptor));
    // The string run without its trailing zeros; it holds a text beyond ASCII.
    std::vector<std::uint8_t> strings = Slot(r, qx::NodeClass::kStringDescriptor);
    while (strings.back() == 0) strings.pop_back();
    EXPECT_EQ(device.usb.strings, strings);
    EXPECT_EQ(device.usb.manufacturer, "NORVA \xC9QUIP\x22");

    // Calibration memory: the face brightness table's low bytes from address 0.
    const qx::SettingSlot* table = qx::FindSettingSlot(qx::NodeClass::kFaceCalibrationBrightness);
    for (std::size_t i = 0; i < 816; ++i) ASSERT_EQ(s.calibration[i], r.bytes[table->offset + 2 * i]) << i;
  }
  fs::remove_all(folder);
}

// A profile text the loader refuses leaves no doubt: bad hex, a text of bytes with NUL, a short
// device descriptor.
TEST(QxrSimProfile, LoaderRefusesBrokenTextsAndDescriptors) {
  qx::sim::Profile profile;
  std::string error;
  EXPECT_FALSE(qx::sim::ParseProfile(R"({"device": {"nv": [{"hex": "4G"}, "", "", "", "", "", "", "", ""]}})", ".",
                                     &profile, &error));
  EXPECT_NE(error.find("nv[0]"), std::string::npos) << error;
  EXPECT_FALSE(qx::sim::ParseProfile(R"({"device": {"identity": {"serial": {"hex": "410042"}}}})", ".", &profile, &error));
  EXPECT_NE(error.find("NUL"), std::string::npos) << error;
  EXPECT_FALSE(qx::sim::ParseProfile(R"({"device": {"usb": {"descriptors": {"device": "1201"}}}})", ".", &profile, &error));
  EXPECT_NE(error.find("descriptors.device"), std::string::npos) << error;
  ASSERT_TRUE(qx::sim::ParseProfile(R"({"device": {"identity": {"serial": {"hex": "41E9"}}}})", ".", &profile, &error))
      << error;
  EXPECT_EQ(profile.devices[0].scanner.serial, "A\xE9");
}

}  // namespace
