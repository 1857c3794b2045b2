#include "platform/small_font.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

namespace kelvra {
namespace {

// Every printable character has ink of its own (space excepted), so no
// two characters can be mistaken for each other on the chart.
TEST(SmallFontTest, PrintableGlyphsAreInkedAndDistinct) {
  std::map<std::pair<int, std::string>, char> seen;
  for (int ch = 33; ch < 127; ++ch) {
    const Glyph& glyph = SmallFontGlyph(static_cast<unsigned char>(ch));
    const std::string rows(glyph.rows.begin(), glyph.rows.end());
    EXPECT_NE(rows, std::string(kSmallFontHeight, '\0')) << static_cast<char>(ch);
    const auto inserted = seen.insert({{glyph.width, rows}, static_cast<char>(ch)});
    EXPECT_TRUE(inserted.second) << static_cast<char>(ch) << " looks like "
                                 << inserted.first->second;
  }
}

TEST(SmallFontTest, DigitsAreThreeByFiveOnRowsOneToFive) {
  for (char ch = '0'; ch <= '9'; ++ch) {
    const Glyph& glyph = SmallFontGlyph(static_cast<unsigned char>(ch));
    EXPECT_EQ(glyph.width, 3) << ch;
    for (int row = 0; row < kSmallFontHeight; ++row)
      EXPECT_EQ(glyph.rows[row] != 0, row >= 1 && row <= 5) << ch << " row " << row;
  }
}

TEST(SmallFontTest, BytesOutsidePrintableAsciiShowAsQuestionMarks) {
  const Glyph* question = &SmallFontGlyph('?');
  for (const int ch : {0, 9, 31, 127, 128, 200, 255})
    EXPECT_EQ(&SmallFontGlyph(static_cast<unsigned char>(ch)), question) << ch;
  EXPECT_NE(&SmallFontGlyph(' '), question);
}

}  // namespace
}  // namespace kelvra
