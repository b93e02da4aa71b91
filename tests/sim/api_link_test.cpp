// The scanner API level of the simulator: the model on its own clock, the cheque pictures, the
// profile's "api" section, and the library's link ops byte by byte over real loopback sockets.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "platform/loopback_socket.h"
#include "sim/api_scanner.h"
#include "sim/bus.h"
#include "sim/cheque_drawing.h"
#include "sim/control_commands.h"
#include "sim/link_connection.h"
#include "sim/profile.h"
#include "sim/tcp_server.h"

namespace qx::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

ApiProfile TwoCheques() {
  ApiProfile p;
  p.scanMs = 100;
  p.ejectMs = 20;
  ApiDocument a;
  a.micr = "A021000021A 1234567890C 1001";
  ApiDocument b;
  b.micr = "C0000123D 00456789E";
  b.font = MicrFont::kCMC7;
  p.documents = {a, b};
  return p;
}

std::vector<ApiEvent> EventsUntil(ApiScanner* s, std::uint32_t now) {
  std::vector<ApiEvent> out;
  ApiEvent e;
  std::uint32_t due = 0;
  while (s->NextEvent(now, &e, &due)) out.push_back(e);
  return out;
}

TEST(ApiScannerModel, StatusWordFollowsTheState) {
  ApiScanner two(TwoCheques(), 2, 0);
  EXPECT_EQ(two.StatusWord(), 0x000A0000u);  // both pockets have room, a document, a franker
  std::string answer;
  for (const char* setting : {"cover open", "main-pocket near-full", "sub-pocket near-full", "franker off",
                              "offline on", "documents clear", "status-bits 0x1"}) {
    ASSERT_TRUE(two.Apply(setting, &answer, nullptr)) << setting << ": " << answer;
  }
  EXPECT_EQ(two.StatusWord(), 0x02400029u);
  ApiScanner one(TwoCheques(), 1, 0);
  EXPECT_EQ(one.StatusWord(), 0x00020000u) << "one pocket: no sub pocket bit";
  EXPECT_FALSE(two.Apply("cover ajar", &answer, nullptr));
  EXPECT_FALSE(two.Apply("fault wobble", &answer, nullptr));
  EXPECT_FALSE(two.Apply("feed font=E13B", &answer, nullptr)) << "a cheque needs its MICR line";
  ASSERT_TRUE(two.Apply("feed font=CMC7 back=blank micr=A12 34", &answer, nullptr));
  EXPECT_EQ(two.StatusWord() & 0x00400000u, 0u);
}

TEST(ApiScannerModel, ScanRunsThroughItsEventsOnTheClock) {
  ApiScanner s(TwoCheques(), 2, 0);
  std::uint32_t handle = 0;
  ASSERT_EQ(s.Open(&handle, nullptr), 0);
  EXPECT_EQ(handle, 1u);
  std::uint32_t h2 = 0;
  EXPECT_EQ(s.Open(&h2, nullptr), -20) << "one session at a time";
  ASSERT_EQ(s.StartScan(1000, MicrFont::kE13B, 34, false, nullptr), 0);
  EXPECT_EQ(s.StartScan(1000, MicrFont::kE13B, 34, false, nullptr), kApiExecFunction);
  std::vector<ApiEvent> e = EventsUntil(&s, 1000);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].event, 200);
  std::string text;
  EXPECT_FALSE(s.MicrText(1, &text)) << "nothing read before data ready";
  e = EventsUntil(&s, 1099);
  EXPECT_TRUE(e.empty());
  e = EventsUntil(&s, 1100);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].event, 203);
  EXPECT_EQ(e[0].status, 0);
  EXPECT_EQ(e[0].transaction, 1u);
  ASSERT_TRUE(s.MicrText(1, &text));
  EXPECT_EQ(text, "A021000021A 1234567890C 1001");
  e = EventsUntil(&s, 1120);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].event, 205);

  // The second cheque is printed in CMC7: read as E13B it gives no data.
  ASSERT_EQ(s.StartScan(2000, MicrFont::kE13B, 36, true, nullptr), 0);
  e = EventsUntil(&s, 2100);
  ASSERT_GE(e.size(), 2u);
  EXPECT_EQ(e.back().event, 203);
  EXPECT_EQ(e.back().status, 0xFBF0);
  ASSERT_TRUE(s.MicrText(2, &text));
  EXPECT_EQ(text, "");
}

TEST(ApiScannerModel, CancelBeforeTheDataLeavesTheChequeInTheFeeder) {
  ApiProfile p = TwoCheques();
  p.scanFaults.push_back({ScanFaultKind::kNeverEnds, 0});
  ApiScanner s(p, 2, 0);
  std::uint32_t handle = 0;
  ASSERT_EQ(s.Open(&handle, nullptr), 0);
  ASSERT_EQ(s.StartScan(0, MicrFont::kE13B, 34, false, nullptr), 0);
  EXPECT_EQ(EventsUntil(&s, 100000).back().event, 200);
  s.Cancel(100000, 1, nullptr);
  std::vector<ApiEvent> e = EventsUntil(&s, 100000);
  ASSERT_FALSE(e.empty());
  EXPECT_EQ(e.back().event, 205);
  EXPECT_EQ(e.back().status, 0xFE52);  // ERR_ABORT
  s.Cancel(100001, 1, nullptr);
  EXPECT_TRUE(EventsUntil(&s, 100001).empty()) << "a cancel with nothing running ends nothing";
  ASSERT_EQ(s.StartScan(200000, MicrFont::kE13B, 34, false, nullptr), 0);
  EventsUntil(&s, 200100);
  std::string text;
  ASSERT_TRUE(s.MicrText(2, &text));
  EXPECT_EQ(text, "A021000021A 1234567890C 1001");
}

TEST(ApiScannerModel, FaultsChangeStateBeforeTheEnd) {
  ApiProfile p = TwoCheques();
  p.scanFaults = {{ScanFaultKind::kPaperJam, 0}, {ScanFaultKind::kResult, -1020}};
  ApiScanner s(p, 2, 0);
  std::uint32_t handle = 0;
  ASSERT_EQ(s.Open(&handle, nullptr), 0);
  ASSERT_EQ(s.StartScan(0, MicrFont::kE13B, 34, false, nullptr), 0);
  std::vector<ApiEvent> e = EventsUntil(&s, 1000);
  ASSERT_GE(e.size(), 3u);
  EXPECT_EQ(e[e.size() - 2].kind, ApiEvent::kStatus);
  EXPECT_NE(e[e.size() - 2].word & 0x400u, 0u);
  EXPECT_EQ(e.back().event, 205);
  EXPECT_EQ(e.back().status, 0xFC04);  // ERR_PAPER_JAM
  std::string answer;
  ASSERT_TRUE(s.Apply("remove-paper", &answer, nullptr));
  EXPECT_EQ(s.StatusWord() & 0x400u, 0u);
  ASSERT_EQ(s.StartScan(2000, MicrFont::kCMC7, 34, false, nullptr), 0);
  e = EventsUntil(&s, 3000);
  EXPECT_EQ(e.back().status, 0xFC04) << "the result without the error bit";
  EXPECT_EQ(s.StatusWord() & 0x400u, 0u);
}

TEST(ApiScannerModel, CleaningOutcomes) {
  ApiScanner s(TwoCheques(), 2, 0);
  std::string answer;
  EXPECT_EQ(s.Clean(nullptr), 0);
  ASSERT_TRUE(s.Apply("cleaning fails", &answer, nullptr));
  EXPECT_EQ(s.Clean(nullptr), kApiMicr);
  EXPECT_EQ(s.Clean(nullptr), kApiPaperInsertTimeout) << "no card left";
  ASSERT_TRUE(s.Apply("feed micr=CARD", &answer, nullptr));
  ASSERT_TRUE(s.Apply("cleaning offline", &answer, nullptr));
  EXPECT_EQ(s.Clean(nullptr), 0);
  EXPECT_NE(s.StatusWord() & 0x8u, 0u);
  EXPECT_EQ(s.Clean(nullptr), kApiOffline);
}

TEST(ChequeDrawing, GreyBitmapWithInkWhereTheChequeIsPrinted) {
  ApiDocument d;
  d.micr = "A021000021A 1234567890C 1001";
  Bytes front, back, blank, cmc7, franked;
  DrawChequeFace(d, 0, false, &front);
  DrawChequeFace(d, 1, false, &back);
  DrawChequeFace(d, 1, true, &franked);
  ApiDocument b = d;
  b.front = FaceRule::kBlank;
  DrawChequeFace(b, 0, false, &blank);
  ApiDocument c = d;
  c.font = MicrFont::kCMC7;
  DrawChequeFace(c, 0, false, &cmc7);
  std::size_t rows = 40 + 256 * 4;
  ASSERT_EQ(front.size(), rows + 600u * 275u);
  std::uint32_t v;
  std::memcpy(&v, &front[0], 4);
  EXPECT_EQ(v, 40u);
  EXPECT_EQ(front[14], 8);  // bits per pixel
  EXPECT_EQ(front[40 + 4 * 200], 200) << "grey colour table";
  auto ink = [&](const Bytes& dib, int top, int bottom) {
    unsigned n = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = 0; x < 600; ++x) n += dib[rows + static_cast<std::size_t>(274 - y) * 600 + x] < 100 ? 1 : 0;
    }
    return n;
  };
  EXPECT_GT(ink(front, 236, 262), 1000u) << "the MICR line in its band";
  EXPECT_GT(ink(front, 0, 228), 1000u) << "printed fields";
  EXPECT_EQ(ink(blank, 0, 275), 0u);
  EXPECT_LT(ink(cmc7, 236, 262), ink(front, 236, 262)) << "CMC7's thin strokes";
  EXPECT_GT(ink(back, 0, 275), 100u);
  EXPECT_EQ(ink(back, 236, 262), 0u) << "no MICR line on the back";
  EXPECT_GT(ink(franked, 0, 275), ink(back, 0, 275));
}

TEST(ApiProfileSection, ParsedAndRefusedByField) {
  Profile p;
  std::string error;
  ASSERT_TRUE(LoadProfileFile(std::string(QX_SIM_PROFILES) + "/default.json", &p, &error)) << error;
  ASSERT_EQ(p.devices.size(), 1u);
  EXPECT_EQ(p.devices[0].api.documents.size(), 4u);
  EXPECT_EQ(p.devices[0].api.documents[3].font, MicrFont::kCMC7);
  ASSERT_TRUE(LoadProfileFile(std::string(QX_SIM_PROFILES) + "/one-pocket.json", &p, &error)) << error;
  EXPECT_FALSE(p.devices[0].api.franker);
  EXPECT_EQ(p.devices[0].api.documents.size(), 4u) << "inherited from the base";
  EXPECT_FALSE(ParseProfile(R"({"device": {"api": {"cleaning": "sometimes"}}})", ".", &p, &error));
  EXPECT_NE(error.find("api.cleaning"), std::string::npos) << error;
  EXPECT_FALSE(ParseProfile(R"({"device": {"api": {"scanFaults": ["result"]}}})", ".", &p, &error));
  EXPECT_FALSE(ParseProfile(R"({"device": {"api": {"documents": [{"font": "E13B"}]}}})", ".", &p, &error));
  EXPECT_NE(error.find("micr"), std::string::npos) << error;
}

class ApiLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Profile p;
    std::string error;
    ASSERT_TRUE(LoadProfileFile(std::string(QX_SIM_PROFILES) + "/default.json", &p, &error)) << error;
    for (DeviceProfile& d : p.devices) {
      d.api.scanMs = 40;
      d.api.ejectMs = 10;
      d.api.cleaningMs = 50;
    }
    state_.bus.SetProfile(p);
    ASSERT_TRUE(server_.Listen("127.0.0.1:0", &error)) << error;
    server_.Start([this](int socket, const std::atomic<bool>& stopping) { ServeLinkConnection(&state_, socket, stopping); });
    ASSERT_TRUE(platform::ParseLoopbackAddress(server_.address().c_str(), &address_));
  }
  void TearDown() override {
    {
      std::lock_guard<std::mutex> lock(state_.mutex);
      state_.stopping = true;
      state_.changed.notify_all();
    }
    server_.Stop();
  }
  platform::SocketHandle Connect() { return platform::ConnectLoopback(address_); }
  // One request; the whole answer (status, length, payload).
  static Bytes Ask(platform::SocketHandle s, std::uint8_t op, const Bytes& payload) {
    Bytes f{op};
    for (int i = 0; i < 4; ++i) f.push_back(static_cast<std::uint8_t>(payload.size() >> (8 * i)));
    f.insert(f.end(), payload.begin(), payload.end());
    if (!platform::SendAll(s, f.data(), f.size())) return {};
    Bytes header(5);
    if (platform::ReceiveExact(s, header.data(), 5, 5000) != platform::ReceiveResult::kOk) return {};
    std::uint32_t n;
    std::memcpy(&n, &header[1], 4);
    Bytes body(n);
    if (n > 0 && platform::ReceiveExact(s, body.data(), n, 5000) != platform::ReceiveResult::kOk) return {};
    header.insert(header.end(), body.begin(), body.end());
    return header;
  }
  std::string Control(const std::string& line) {
    ControlContext context{&state_, QX_SIM_PROFILES, nullptr};
    return ExecuteControl(&context, line);
  }

  SimState state_;
  TcpServer server_;
  platform::LoopbackAddress address_;
};

TEST_F(ApiLinkTest, OpenStatusCapabilityAndRefusalsByteForByte) {
  platform::SocketHandle s = Connect();
  EXPECT_EQ(Ask(s, 'S', {}), (Bytes{1, 0, 0, 0, 0})) << "no scanner opened on this connection yet";
  EXPECT_EQ(Ask(s, 'A', {0, 0, 0, 0}), (Bytes{0, 4, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(Ask(s, 'O', {0, 0, 0, 0, 'Q'}), (Bytes{1, 0, 0, 0, 0})) << "not also a driver handle";
  EXPECT_EQ(Ask(s, 'S', {}), (Bytes{0, 8, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x0A, 0x00}));
  EXPECT_EQ(Ask(s, 'P', {}), (Bytes{0, 6, 0, 0, 0, 0, 0, 0, 0, 2, 1}));
  EXPECT_EQ(Ask(s, 'F', {'B', 'i', 'X'}), (Bytes{0, 4, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Control("api refuse BiX -90").substr(0, 6), "status");
  EXPECT_EQ(Ask(s, 'F', {'B', 'i', 'X'}), (Bytes{0, 4, 0, 0, 0, 0xA6, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Ask(s, 'N', {0, 0, 0, 0}), (Bytes{1, 0, 0, 0, 0})) << "events come on the event connection";

  platform::SocketHandle other = Connect();
  EXPECT_EQ(Ask(other, 'A', {0, 0, 0, 0}), (Bytes{3, 0, 0, 0, 0})) << "held by the first";
  EXPECT_EQ(Ask(other, 'A', {1, 0, 0, 0}), (Bytes{4, 0, 0, 0, 0})) << "no second scanner";
  // Leaving without 'X' closes the scanner too.
  platform::CloseSocket(s);
  Bytes opened;
  for (int i = 0; i < 100 && opened != Bytes{0, 4, 0, 0, 0, 1, 0, 0, 0}; ++i) {
    platform::CloseSocket(other);
    other = Connect();
    opened = Ask(other, 'A', {0, 0, 0, 0});
  }
  EXPECT_EQ(opened, (Bytes{0, 4, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(Ask(other, 'X', {}), (Bytes{0, 0, 0, 0, 0}));
  platform::CloseSocket(other);
}

TEST_F(ApiLinkTest, ScanEventsTextPictureAndCancel) {
  platform::SocketHandle s = Connect();
  platform::SocketHandle events = Connect();
  EXPECT_EQ(Ask(events, 'V', {0, 0, 0, 0}), (Bytes{4, 0, 0, 0, 0})) << "nothing open to listen to";
  ASSERT_EQ(Ask(s, 'A', {0, 0, 0, 0}).at(0), 0);
  EXPECT_EQ(Ask(events, 'V', {0, 0, 0, 0}), (Bytes{0, 0, 0, 0, 0}));
  EXPECT_EQ(Ask(s, 'G', {0, 34}), (Bytes{1, 0, 0, 0, 0})) << "font, pocket and franking: three bytes";
  EXPECT_EQ(Ask(s, 'G', {0, 34, 0}), (Bytes{0, 4, 0, 0, 0, 0, 0, 0, 0}));
  const Bytes wait{0xE8, 0x03, 0, 0};  // 1000 ms
  std::vector<Bytes> seen;
  for (int i = 0; i < 5; ++i) {
    Bytes e = Ask(events, 'N', wait);
    if (e.size() > 5 && e[5] == 1) seen.push_back(e);
    if (e.size() > 6 && e[5] == 1 && e[6] == 205 % 256 && e[7] == 0) break;
  }
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], (Bytes{0, 9, 0, 0, 0, 1, 200, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(seen[1], (Bytes{0, 9, 0, 0, 0, 1, 203, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(seen[2], (Bytes{0, 9, 0, 0, 0, 1, 205, 0, 0, 0, 1, 0, 0, 0}));
  std::string micr = "A021000021A 1234567890C 1001";
  Bytes text = Ask(s, 'T', {1, 0, 0, 0});
  ASSERT_EQ(text.size(), 9 + micr.size());
  EXPECT_EQ(std::string(text.begin() + 9, text.end()), micr);
  EXPECT_EQ(Ask(s, 'T', {2, 0, 0, 0}), (Bytes{0, 4, 0, 0, 0, 0x4C, 0xFF, 0xFF, 0xFF})) << "ERR_NO_IMAGE";
  Bytes picture = Ask(s, 'I', {1, 0, 0, 0, 1});
  ASSERT_EQ(picture.size(), 9 + 40 + 1024 + 600u * 275u);
  EXPECT_EQ(picture[9], 40);

  ASSERT_EQ(Control("api fault never-ends").substr(0, 6), "status");
  ASSERT_EQ(Ask(s, 'G', {0, 34, 0}).at(5), 0);
  EXPECT_EQ(Ask(events, 'N', wait).at(6), 200);
  EXPECT_EQ(Ask(events, 'N', {50, 0, 0, 0}), (Bytes{0, 0, 0, 0, 0})) << "a scan that never ends";
  EXPECT_EQ(Ask(s, 'Q', {1}), (Bytes{0, 4, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Ask(events, 'N', wait), (Bytes{0, 9, 0, 0, 0, 1, 205, 0, 0x52, 0xFE, 2, 0, 0, 0}));

  EXPECT_EQ(Ask(s, 'L', {}), (Bytes{0, 4, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Ask(s, 'B', {36, 1}), (Bytes{0, 4, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Ask(s, 'K', {}), (Bytes{0, 4, 0, 0, 0, 0, 0, 0, 0}));
  bool logged = false;
  std::vector<std::string> lines;
  {
    // Sessions closing on the server's threads still write to the log.
    std::lock_guard<std::mutex> lock(state_.mutex);
    lines = state_.bus.log().Lines();
  }
  for (const std::string& l : lines) logged |= l == "api 0 cancel 1";
  EXPECT_TRUE(logged);
  platform::CloseSocket(events);
  platform::CloseSocket(s);
}

}  // namespace
}  // namespace qx::sim
