#include "platform/canvas.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <utility>
#include <vector>

namespace kelvra {
namespace {

using Pixels = std::set<std::pair<int, int>>;

// The pixels of a bitmap that are not of the given colour.
Pixels PixelsNotOf(const Bitmap& bitmap, Color color) {
  Pixels found;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      if (bitmap.PixelColor(x, y) != color) found.insert({x, y});
  return found;
}

TEST(CanvasTest, PaletteHoldsTheChartColoursExactly) {
  for (const Color color : {kBlack, kYellow, kSilver, kGreen, kRed, kWhite})
    EXPECT_EQ(Bitmap::PaletteColor(Bitmap::IndexOf(color)), color) << std::hex << color;
  EXPECT_EQ(Bitmap(3, 2).PixelColor(2, 1), kWhite);
}

TEST(CanvasTest, LineCoversItsStartAndStopsShortOfItsEnd) {
  struct Case {
    int x1, y1, x2, y2;
    Pixels covered;
  };
  const Case cases[] = {
      {1, 1, 4, 1, {{1, 1}, {2, 1}, {3, 1}}},
      {4, 2, 1, 2, {{4, 2}, {3, 2}, {2, 2}}},
      {5, 0, 5, 3, {{5, 0}, {5, 1}, {5, 2}}},
      {5, 6, 5, 3, {{5, 6}, {5, 5}, {5, 4}}},
      {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
      {0, 0, 3, 1, {{0, 0}, {1, 0}, {2, 1}}},
      {2, 2, 2, 2, {}},
      // Clipped: only the part inside the 8 x 8 bitmap is painted.
      {-3, 2, 3, 2, {{0, 2}, {1, 2}, {2, 2}}},
      {2, -5, 2, 3, {{2, 0}, {2, 1}, {2, 2}}},
      {-2, -2, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
      {6, 7, 12, 7, {{6, 7}, {7, 7}}},
      {-10, 20, 20, -10, {{3, 7}, {4, 6}, {5, 5}, {6, 4}, {7, 3}}},
      {0, -5, 7, -2, {}},
      // Far ends: the row the line crosses the bitmap on, found without
      // walking the billions of steps outside.
      {-2000000000,
       0,
       2000000000,
       4,
       {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}, {7, 2}}},
  };
  for (const Case& c : cases) {
    Bitmap bitmap(8, 8);
    Canvas canvas(bitmap);
    canvas.MoveTo(c.x1, c.y1);
    canvas.LineTo(c.x2, c.y2);
    EXPECT_EQ(PixelsNotOf(bitmap, kWhite), c.covered)
        << "(" << c.x1 << "," << c.y1 << ")-(" << c.x2 << "," << c.y2 << ")";
  }
}

TEST(CanvasTest, ConsecutiveLinesStartWhereTheLastEnded) {
  Bitmap bitmap(8, 8);
  Canvas canvas(bitmap);
  canvas.MoveTo(1, 1);
  canvas.LineTo(4, 1);
  canvas.LineTo(4, 3);
  EXPECT_EQ(PixelsNotOf(bitmap, kWhite), (Pixels{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}}));
}

TEST(CanvasTest, DottedPenGapsFollowTheBrush) {
  struct Case {
    BrushStyle brush;
    Color gap;
  };
  const Case cases[] = {{BrushStyle::kSolid, kSilver}, {BrushStyle::kClear, kWhite}};
  for (const Case& c : cases) {
    for (const bool vertical : {false, true}) {
      Bitmap bitmap(12, 12);
      Canvas canvas(bitmap);
      canvas.SetPen(kBlack, PenStyle::kDot);
      canvas.SetBrush(kSilver, c.brush);
      canvas.MoveTo(1, 1);
      canvas.LineTo(vertical ? 1 : 11, vertical ? 11 : 1);
      std::vector<Color> line;
      for (int k = 0; k < 11; ++k)
        line.push_back(vertical ? bitmap.PixelColor(1, 1 + k) : bitmap.PixelColor(1 + k, 1));
      bool saw_dot = false;
      bool saw_gap = false;
      for (int k = 0; k < 10; ++k) {
        EXPECT_TRUE(line[k] == kBlack || line[k] == c.gap) << k;
        saw_dot = saw_dot || line[k] == kBlack;
        saw_gap = saw_gap || line[k] == c.gap;
      }
      EXPECT_TRUE(saw_dot && saw_gap);
      EXPECT_EQ(line[0], kBlack) << "a dotted line starts with a dot";
      EXPECT_EQ(line[10], kWhite) << "the end point stays unpainted";
      // Nothing off the line was touched.
      const Pixels painted = PixelsNotOf(bitmap, kWhite);
      for (const auto& p : painted) EXPECT_EQ(vertical ? p.first : p.second, 1);
    }
  }
}

TEST(CanvasTest, RectangleOutlineAndInside) {
  struct Case {
    BrushStyle brush;
    Color inside;
  };
  const Case cases[] = {{BrushStyle::kSolid, kSilver}, {BrushStyle::kClear, kWhite}};
  for (const Case& c : cases) {
    Bitmap bitmap(10, 8);
    Canvas canvas(bitmap);
    canvas.SetBrush(kSilver, c.brush);
    canvas.MoveTo(0, 7);
    canvas.Rectangle(2, 1, 7, 6);
    canvas.LineTo(2, 7);  // from (0, 7): the rectangle kept the pen position
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 10; ++x) {
        const bool inside_box = x >= 2 && x <= 6 && y >= 1 && y <= 5;
        const bool outline = inside_box && (x == 2 || x == 6 || y == 1 || y == 5);
        Color expected = kWhite;
        if (outline || (y == 7 && x < 2))
          expected = kBlack;
        else if (inside_box)
          expected = c.inside;
        EXPECT_EQ(bitmap.PixelColor(x, y), expected) << x << "," << y;
      }
    }
  }
}

TEST(CanvasTest, RectangleFarBeyondTheEdgesIsClipped) {
  Bitmap bitmap(6, 4);
  Canvas canvas(bitmap);
  canvas.SetBrush(kSilver, BrushStyle::kSolid);
  canvas.Rectangle(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
  EXPECT_TRUE(PixelsNotOf(bitmap, kSilver).empty());
  canvas.Rectangle(INT_MIN, 1, INT_MAX, 3);  // rows 1 and 2 are the outline
  EXPECT_EQ(PixelsNotOf(bitmap, kSilver).size(), 12u);
}

TEST(CanvasTest, FloodFillStopsAtTheBorderColourAndPaintsThroughItsOwnColour) {
  Bitmap bitmap(20, 20);
  Canvas canvas(bitmap);
  canvas.SetBrush(kWhite, BrushStyle::kClear);
  canvas.Rectangle(2, 2, 12, 12);  // black outline, white inside
  canvas.SetPen(kSilver, PenStyle::kSolid);
  canvas.MoveTo(4, 6);
  canvas.LineTo(10, 6);  // already the brush colour: must not stall the fill
  canvas.SetBrush(kSilver, BrushStyle::kSolid);
  canvas.FloodFill(5, 5, kBlack);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool outline =
          x >= 2 && x <= 11 && y >= 2 && y <= 11 && (x == 2 || x == 11 || y == 2 || y == 11);
      const bool inside = x > 2 && x < 11 && y > 2 && y < 11;
      const Color expected = outline ? kBlack : inside ? kSilver : kWhite;
      EXPECT_EQ(bitmap.PixelColor(x, y), expected) << x << "," << y;
    }
  }
}

TEST(CanvasTest, FloodFillIgnoresSeedsItCannotUse) {
  struct Case {
    int x, y;
    BrushStyle brush;
  };
  const Case cases[] = {
      {-1, 3, BrushStyle::kSolid},  // outside
      {3, 8, BrushStyle::kSolid},   // outside
      {3, 3, BrushStyle::kSolid},   // on the border colour
      {0, 0, BrushStyle::kClear},   // nothing to paint with
  };
  for (const Case& c : cases) {
    Bitmap bitmap(8, 8);
    Canvas canvas(bitmap);
    canvas.MoveTo(0, 3);
    canvas.LineTo(8, 3);
    canvas.SetBrush(kYellow, c.brush);
    canvas.FloodFill(c.x, c.y, kBlack);
    EXPECT_EQ(PixelsNotOf(bitmap, kWhite).size(), 8u) << c.x << "," << c.y;
  }
}

// A serpentine corridor over a large picture: a recursive fill would nest
// once per pixel and overflow the stack long before the end.
TEST(CanvasTest, FloodFillWalksALargeSerpentine) {
  const int size = 2000;
  Bitmap bitmap(size, size);
  Canvas canvas(bitmap);
  size_t walls = 0;
  for (int x = 1, n = 0; x < size; x += 2, ++n) {
    // Each wall leaves a gap at the top or the bottom, alternately.
    canvas.MoveTo(x, n % 2 == 0 ? 0 : 1);
    canvas.LineTo(x, n % 2 == 0 ? size - 1 : size);
    walls += size - 1;
  }
  canvas.SetBrush(kGreen, BrushStyle::kSolid);
  canvas.FloodFill(0, 0, kBlack);
  size_t green = 0;
  size_t black = 0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      green += bitmap.PixelColor(x, y) == kGreen;
      black += bitmap.PixelColor(x, y) == kBlack;
    }
  }
  EXPECT_EQ(black, walls);
  EXPECT_EQ(green + walls, static_cast<size_t>(size) * size);
}

TEST(CanvasTest, TextSitsAtItsCellCornerAndFollowsTheBrush) {
  struct Case {
    BrushStyle brush;
    Color between_strokes;
  };
  const Case cases[] = {{BrushStyle::kClear, kSilver}, {BrushStyle::kSolid, kYellow}};
  for (const Case& c : cases) {
    Bitmap bitmap(20, 12);
    Canvas canvas(bitmap);
    canvas.SetBrush(kSilver, BrushStyle::kSolid);
    canvas.FloodFill(0, 0, kBlack);
    canvas.SetBrush(kYellow, c.brush);
    canvas.TextOut(4, 2, "0");
    // "0" is a three-by-five ring standing on rows 1 to 5 of its cell.
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 20; ++x) {
        const int cx = x - 4;
        const int cy = y - 2;
        const bool in_cell = cx >= 0 && cx < 4 && cy >= 0 && cy < 8;
        const bool ring =
            cx >= 0 && cx <= 2 && cy >= 1 && cy <= 5 && !(cx == 1 && cy >= 2 && cy <= 4);
        const Color expected = ring ? kBlack : in_cell ? c.between_strokes : kSilver;
        EXPECT_EQ(bitmap.PixelColor(x, y), expected) << x << "," << y;
      }
    }
  }
}

TEST(CanvasTest, TextIsClippedAtTheEdges) {
  Bitmap bitmap(6, 4);
  Canvas canvas(bitmap);
  canvas.SetBrush(kWhite, BrushStyle::kClear);
  canvas.TextOut(-2, -3, "0000");
  canvas.TextOut(INT_MAX - 3, INT_MAX - 3, "0000");
  // Of the first "0" only its right column (x 0) shows, on rows 0 to 2.
  Pixels expected{{0, 0}, {0, 1}, {0, 2}};
  // The second "0" starts at x 2: its ring's rows 1 to 5 land on y -2 to 2.
  for (int x = 2; x <= 4; ++x) expected.insert({x, 2});
  expected.insert({2, 0});
  expected.insert({2, 1});
  expected.insert({4, 0});
  expected.insert({4, 1});
  EXPECT_EQ(PixelsNotOf(bitmap, kWhite), expected);
  EXPECT_EQ(canvas.TextWidth("00"), 8);
}

}  // namespace
}  // namespace kelvra
