#include "utility/shell/result_message.h"

#include <gtest/gtest.h>

#include <string>

namespace qx {
namespace {

std::string Message(int code) {
  char text[kMessageSize];
  ResultCodeMessage(code, text);
  return text;
}

TEST(ResultMessage, SuccessShowsNothing) {
  char text[kMessageSize] = "junk";
  EXPECT_FALSE(ResultCodeMessage(1, text));
  EXPECT_STREQ(text, "");
}

TEST(ResultMessage, FixedMessagesOfTheConnectionCodes) {
  const std::string getInformation = "Failed to get information.\nExecute \"Get Information\" again.";
  EXPECT_EQ(Message(201), "QXUSB of Ver.3.00 or later must be installed.");
  EXPECT_EQ(Message(202), "USB host controller of Microsoft must be installed.");
  EXPECT_EQ(Message(203),
            "Failed to open QX-R7000.\nMake sure only one QX-R7000 is connected properly and exit other API for QX-R7000.");
  EXPECT_EQ(Message(204), "QX-R7000 not found.\nMake sure the QX-R7000 is connected properly.");
  EXPECT_EQ(Message(205), "More than one QX-R7000 is found.\nConnect only one QX-R7000.");
  EXPECT_EQ(Message(301),
            "DIP SW1 is set to ON.\nTurn off the QX-R7000, set DIP SW1 to OFF, and reboot the QX-R7000. ");
  EXPECT_EQ(Message(302), "Firmware of the QX-R7000 may be damaged. Rewrite the firmware.");
  EXPECT_EQ(Message(303), "QX-R7000 is in the invalid operation mode.\nReboot the QX-R7000.");
  EXPECT_EQ(Message(304),
            "QX-R7000 is in the invalid operation mode.\nTurn off the QX-R7000, set DIP SW1 to OFF, and reboot the QX-R7000.");
  EXPECT_EQ(Message(401), getInformation);
  EXPECT_EQ(Message(402), getInformation);
}

TEST(ResultMessage, GlassAreaCodeShowsItsOwnTextUnformatted) {
  EXPECT_EQ(Message(412),
            "Error Code:412\nThe glass area of the QX-R7000 may be soiled.\nFollow the steps below.\n"
            "1.Clean the glass area referring to \"Cleaning the Image Scanner\" in the \"QX-R7000 User's Manual.\"\n"
            "2.Make sure that there are no objects in front of  the glass area of the QX-R7000.\n"
            "3.Turn off the QX-R7000, and turn it back on after a while.");
}

TEST(ResultMessage, ErrorCodesPickTheirFormatByRange) {
  const std::string coverSteps =
      "\nFollow the steps below.\n1.Make sure  that the scanner cover and stamp cover are properly closed.\n"
      "2.If a paper jam has occurred, remove the jammed paper,\n"
      "  referring to \"Paper Jams\" in the \"QX-R7000 User's Manual.\"\n"
      "3.Turn off the QX-R7000, and turn it back on after a while.\n"
      "If the ERROR LED is flashing, consult a qualified service person for repair.";
  EXPECT_EQ(Message(0), "Error Code:0" + coverSteps);
  EXPECT_EQ(Message(403), "Error Code:403" + coverSteps);
  EXPECT_EQ(Message(411), "Error Code:411" + coverSteps);
  EXPECT_EQ(Message(413), "Error Code:413\nTurn off the QX-R7000, and turn it back on after a while.\n");
  EXPECT_EQ(Message(419), "Error Code:419\nTurn off the QX-R7000, and turn it back on after a while.\n");
  EXPECT_EQ(Message(420), "Error Code:420\nConsult a qualified service person for repair.");
  EXPECT_EQ(Message(425), "Error Code:425\nConsult a qualified service person for repair.");
}

TEST(ResultMessage, CodesOutsideTheTableShowTheErrorCodeMessage) {
  EXPECT_EQ(Message(501).rfind("Error Code:501\nConsult", 0), 0u);
  EXPECT_EQ(Message(-4).rfind("Error Code:-4\nFollow", 0), 0u);
}

}  // namespace
}  // namespace qx
