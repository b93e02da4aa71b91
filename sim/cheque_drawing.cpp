#include "sim/cheque_drawing.h"

#include <cstring>
#include <string>

namespace qx::sim {
namespace {

constexpr std::uint8_t kPaper = 236;
constexpr std::uint8_t kInk = 30;
constexpr std::uint8_t kPale = 200;

// 5 x 7 glyphs, one byte per row, bit 4 leftmost.
struct Glyph {
  char c;
  std::uint8_t rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}}, {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}}, {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}}, {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}}, {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}}, {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    {'$', {0x04, 0x0F, 0x14, 0x0E, 0x05, 0x1E, 0x04}}, {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}}, {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}},
    {'&', {0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D}}, {'*', {0x00, 0x15, 0x0E, 0x1F, 0x0E, 0x15, 0x00}},
};

const std::uint8_t* GlyphRows(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const Glyph& g : kGlyphs) {
    if (g.c == c) return g.rows;
  }
  return nullptr;
}

class Canvas {
 public:
  Canvas() : pixels_(static_cast<std::size_t>(kChequeWidth) * kChequeHeight, kPaper) {}

  void Dot(int x, int y, std::uint8_t v) {
    if (x < 0 || y < 0 || x >= kChequeWidth || y >= kChequeHeight) return;
    std::uint8_t& p = pixels_[static_cast<std::size_t>(y) * kChequeWidth + x];
    if (v < p) p = v;  // ink only darkens the paper
  }
  void Fill(int x, int y, int w, int h, std::uint8_t v) {
    for (int j = y; j < y + h; ++j) {
      for (int i = x; i < x + w; ++i) Dot(i, j, v);
    }
  }
  void HLine(int x, int y, int w, std::uint8_t v) { Fill(x, y, w, 1, v); }
  void Frame(int x, int y, int w, int h, std::uint8_t v) {
    Fill(x, y, w, 1, v);
    Fill(x, y + h - 1, w, 1, v);
    Fill(x, y, 1, h, v);
    Fill(x + w - 1, y, 1, h, v);
  }
  // Plain printed text, each glyph pixel a `scale`-sized square; returns the x after it.
  int Text(int x, int y, int scale, const std::string& text, std::uint8_t v) {
    for (char c : text) {
      if (const std::uint8_t* rows = GlyphRows(c)) {
        for (int r = 0; r < 7; ++r) {
          for (int col = 0; col < 5; ++col) {
            if (rows[r] & (0x10 >> col)) Fill(x + col * scale, y + r * scale, scale, scale, v);
          }
        }
      }
      x += 6 * scale;
    }
    return x;
  }
  // A hand-written stroke: a wavy line through the box.
  void Scribble(int x, int y, int w, int h, int seed) {
    int prev = y + h / 2;
    for (int i = 0; i < w; ++i) {
      int phase = (i * (7 + seed % 5) + seed * 13) % 64;
      int wave = phase < 32 ? phase : 64 - phase;
      int yy = y + (wave * h) / 32;
      int from = prev < yy ? prev : yy;
      int to = prev < yy ? yy : prev;
      Fill(x + i, from, 2, to - from + 2, kInk + 20);
      prev = yy;
    }
  }
  void Background(int seed) {
    // The safety print: fine diagonal lines a little darker than the paper.
    for (int y = 0; y < kChequeHeight; ++y) {
      for (int x = 0; x < kChequeWidth; ++x) {
        if ((x + 2 * y + seed) % 11 == 0) Dot(x, y, kPaper - 14);
      }
    }
  }
  const std::vector<std::uint8_t>& pixels() const { return pixels_; }

 private:
  std::vector<std::uint8_t> pixels_;
};

// The MICR line in E13B's style: heavy strokes thickened to the right and below, and the four
// symbols as bars and blocks.
int E13BCharacter(Canvas* c, int x, int y, char ch) {
  const int s = 3;
  switch (ch) {
    case 'A':  // transit: a bar and two blocks
      c->Fill(x, y, 4, 21, kInk);
      c->Fill(x + 7, y, 8, 8, kInk);
      c->Fill(x + 7, y + 13, 8, 8, kInk);
      return x + 19;
    case 'B':  // amount: a bar between two short blocks
      c->Fill(x, y + 4, 4, 6, kInk);
      c->Fill(x + 6, y, 4, 21, kInk);
      c->Fill(x + 12, y + 11, 4, 6, kInk);
      return x + 19;
    case 'C':  // on-us: two blocks over a bar
      c->Fill(x, y, 5, 12, kInk);
      c->Fill(x + 9, y, 5, 12, kInk);
      c->Fill(x, y + 15, 14, 6, kInk);
      return x + 19;
    case 'D':  // dash: two blocks side by side
      c->Fill(x, y + 8, 6, 5, kInk);
      c->Fill(x + 9, y + 8, 6, 5, kInk);
      return x + 19;
    default:
      break;
  }
  if (const std::uint8_t* rows = GlyphRows(ch)) {
    for (int r = 0; r < 7; ++r) {
      for (int col = 0; col < 5; ++col) {
        if (!(rows[r] & (0x10 >> col))) continue;
        int heavy = col >= 3 || r >= 4 ? 2 : 1;
        c->Fill(x + col * s, y + r * s, s + heavy, s, kInk);
      }
    }
  }
  return x + 19;
}

// CMC7's style: every character is made of seven thin vertical strokes with gaps of two widths.
int Cmc7Character(Canvas* c, int x, int y, char ch) {
  if (ch >= 'A' && ch <= 'E') {
    int pattern = ch - 'A' + 1;
    for (int stroke = 0; stroke < 7; ++stroke) {
      int top = (stroke + pattern) % 3 == 0 ? y + 6 : y;
      c->Fill(x + stroke * 2, top, 1, 21 - (top - y), kInk);
    }
    return x + 17;
  }
  if (const std::uint8_t* rows = GlyphRows(ch)) {
    for (int col = 0; col < 5; ++col) {
      for (int half = 0; half < 2; ++half) {
        int sx = x + col * 3 + half * 2;
        for (int r = 0; r < 7; ++r) {
          if (rows[r] & (0x10 >> col)) c->Fill(sx, y + r * 3, 1, 3, kInk);
        }
      }
    }
  }
  return x + 17;
}

void DrawFront(Canvas* c, const ApiDocument& d) {
  int seed = static_cast<int>(d.number.size() + d.micr.size());
  c->Background(seed);
  c->Frame(4, 4, kChequeWidth - 8, kChequeHeight - 8, kPale - 40);
  c->Text(20, 16, 2, d.bank, kInk);
  c->Text(20, 36, 1, "MAIN STREET BRANCH  SPRINGFIELD", kInk + 40);
  c->Text(500, 16, 2, d.number, kInk);
  c->Text(380, 50, 1, "DATE", kInk);
  c->Text(420, 46, 1, "12/08/2026", kInk + 10);
  c->HLine(410, 56, 120, kInk + 60);
  c->Text(20, 86, 1, "PAY TO THE", kInk);
  c->Text(20, 96, 1, "ORDER OF", kInk);
  c->Text(80, 88, 2, d.payee, kInk + 10);
  c->HLine(76, 106, 360, kInk + 60);
  c->Frame(452, 82, 128, 28, kInk + 40);
  c->Text(458, 89, 2, "$" + d.amount, kInk);
  c->Text(20, 128, 1, "AMOUNT " + d.amount + " ---------------------------------- DOLLARS", kInk + 10);
  c->HLine(16, 138, 560, kInk + 60);
  c->Text(20, 190, 1, "MEMO", kInk);
  c->HLine(52, 198, 180, kInk + 60);
  c->Scribble(380, 166, 170, 24, seed);
  c->HLine(370, 198, 210, kInk + 60);
  c->Text(430, 204, 1, "AUTHORIZED SIGNATURE", kInk + 40);
  // The MICR clear band at the bottom: no background print.
  c->Fill(8, 228, kChequeWidth - 16, 40, kPaper);
  int x = 30;
  for (char ch : d.micr) {
    if (ch == ' ') {
      x += 12;
      continue;
    }
    x = d.font == MicrFont::kCMC7 ? Cmc7Character(c, x, 238, ch) : E13BCharacter(c, x, 238, ch);
    if (x > kChequeWidth - 20) break;
  }
}

void DrawBack(Canvas* c, const ApiDocument& d, bool franked) {
  int seed = static_cast<int>(d.payee.size());
  c->Frame(4, 4, kChequeWidth - 8, kChequeHeight - 8, kPale);
  // The endorsement area at the trailing edge: the back is the front turned over.
  c->Text(420, 14, 1, "ENDORSE HERE", kInk);
  for (int i = 0; i < 4; ++i) c->HLine(410, 40 + i * 22, 170, kInk + 60);
  c->Scribble(420, 26, 140, 12, seed);
  c->Text(420, 50, 1, "FOR DEPOSIT ONLY", kInk + 20);
  c->Text(404, 140, 1, "DO NOT WRITE, STAMP OR SIGN", kInk + 40);
  c->Text(404, 150, 1, "BELOW THIS LINE", kInk + 40);
  c->HLine(404, 132, 180, kInk + 20);
  if (franked) {
    // The franker's pattern: a hatched stamp.
    c->Frame(60, 90, 200, 80, kInk);
    for (int i = 0; i < 280; i += 6) {
      for (int j = 0; j < 78; ++j) {
        int xx = 61 + i - j;
        if (xx > 60 && xx < 259) c->Dot(xx, 91 + j, kInk + 70);
      }
    }
    c->Fill(90, 116, 140, 26, kPaper);
    c->Text(100, 120, 3, "PAID", kInk);
  }
}

void PutU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(std::uint8_t* p, std::uint32_t v) {
  PutU16(p, v & 0xFFFF);
  PutU16(p + 2, v >> 16);
}

}  // namespace

void DrawChequeFace(const ApiDocument& document, int face, bool franked, std::vector<std::uint8_t>* dib) {
  Canvas canvas;
  FaceRule rule = face == 0 ? document.front : document.back;
  if (rule == FaceRule::kPrinted) {
    if (face == 0) DrawFront(&canvas, document);
    else DrawBack(&canvas, document, franked);
  } else if (face == 1 && franked) {
    DrawBack(&canvas, ApiDocument{}, true);
  }

  constexpr std::uint32_t kHeader = 40;
  constexpr std::uint32_t kColours = 256;
  constexpr std::uint32_t kStride = (kChequeWidth + 3) & ~3u;
  constexpr std::uint32_t kImage = kStride * kChequeHeight;
  dib->assign(kHeader + kColours * 4 + kImage, 0);
  std::uint8_t* h = dib->data();
  PutU32(h, kHeader);
  PutU32(h + 4, kChequeWidth);
  PutU32(h + 8, kChequeHeight);  // positive: rows bottom-up
  PutU16(h + 12, 1);
  PutU16(h + 14, 8);
  PutU32(h + 16, 0);  // uncompressed
  PutU32(h + 20, kImage);
  PutU32(h + 24, 3937);  // 100 dpi
  PutU32(h + 28, 3937);
  PutU32(h + 32, kColours);
  PutU32(h + 36, 0);
  std::uint8_t* table = h + kHeader;
  for (std::uint32_t i = 0; i < kColours; ++i) {
    table[i * 4] = table[i * 4 + 1] = table[i * 4 + 2] = static_cast<std::uint8_t>(i);
  }
  std::uint8_t* rows = table + kColours * 4;
  const std::vector<std::uint8_t>& px = canvas.pixels();
  for (int y = 0; y < kChequeHeight; ++y) {
    std::memcpy(rows + static_cast<std::size_t>(kChequeHeight - 1 - y) * kStride,
                px.data() + static_cast<std::size_t>(y) * kChequeWidth, kChequeWidth);
  }
}

}  // namespace qx::sim
