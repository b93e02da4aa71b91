#include <gtest/gtest.h>

#include <string>

#include "sim/ethernet_profile.h"

namespace qx::sim {
namespace {

TEST(EthernetProfile, TheShippedProfilesDescribeABoardAndAUnit) {
  EthernetUnitProfile board;
  std::string error;
  ASSERT_TRUE(LoadEthernetProfileFile(std::string(QX_SIM_PROFILES) + "/ethernet-board.json", &board, &error)) << error;
  EXPECT_TRUE(board.board);
  EXPECT_EQ(board.name, "XB-E100");
  EXPECT_EQ(board.address[3], 2);
  EXPECT_EQ(board.software[1], 16);

  EthernetUnitProfile unit;
  ASSERT_TRUE(LoadEthernetProfileFile(std::string(QX_SIM_PROFILES) + "/ethernet-unit.json", &unit, &error)) << error;
  EXPECT_FALSE(unit.board);
  EXPECT_EQ(unit.mac[5], 0x3D);
  EXPECT_EQ(unit.hardware[1], 10);
  EXPECT_FALSE(unit.echo);
}

TEST(EthernetProfile, RefusesAddressesOffLoopbackAndBadFieldsNamingThem) {
  EthernetUnitProfile profile;
  std::string error;
  EXPECT_FALSE(ParseEthernetProfile(R"({"address": "192.168.192.168"})", &profile, &error));
  EXPECT_NE(error.find("\"address\""), std::string::npos);
  EXPECT_FALSE(ParseEthernetProfile(R"({"broadcast": "255.255.255.255"})", &profile, &error));
  EXPECT_NE(error.find("\"broadcast\""), std::string::npos);
  EXPECT_FALSE(ParseEthernetProfile(R"({"mac": "00:11"})", &profile, &error));
  EXPECT_FALSE(ParseEthernetProfile(R"({"readyByte": 256})", &profile, &error));
  EXPECT_FALSE(ParseEthernetProfile(R"({"statusPrefix": "TOO-LONG"})", &profile, &error));
  EXPECT_FALSE(ParseEthernetProfile("[1]", &profile, &error));
  // A refused profile leaves the record as it was.
  EXPECT_EQ(profile.address[3], 2);
  EXPECT_EQ(profile.readyByte, 0);
  ASSERT_TRUE(ParseEthernetProfile(R"({"silent": true, "flowByte": -1, "address": "127.0.0.9"})", &profile, &error));
  EXPECT_TRUE(profile.silent);
  EXPECT_EQ(profile.address[3], 9);
}

}  // namespace
}  // namespace qx::sim
