#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace qx::testing {

// A fresh empty folder made the working folder for one test, so that tests can use plain relative
// names (the file-name guard refuses forward slashes in a name); removed with its contents after.
class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::random_device random;
    folder_ = std::filesystem::temp_directory_path() / ("qx-shell-test-" + std::to_string(random()));
    ASSERT_TRUE(std::filesystem::create_directory(folder_));
    std::filesystem::current_path(folder_);
  }

  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  static bool Exists(const std::string& name) { return std::filesystem::exists(name); }

  static std::uintmax_t SizeOf(const std::string& name) { return std::filesystem::file_size(name); }

  static void WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  static std::vector<std::uint8_t> ReadBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path previous_;
  std::filesystem::path folder_;
};

}  // namespace qx::testing
