// Link markup parsing and the run layout, with a measure of 10 units per
// character so that widths are easy to follow.
#include <gtest/gtest.h>

#include "installer/ui/link_markup.h"

namespace lite_installer {
namespace {

int TenPerCharacter(std::wstring_view text) { return static_cast<int>(text.size()) * 10; }

std::vector<TextPiece> P(std::initializer_list<std::pair<const wchar_t*, bool>> list) {
  std::vector<TextPiece> out;
  for (const auto& [text, link] : list) out.push_back({text, link});
  return out;
}

TEST(ParseLinkMarkupTest, PlainLinkPlainGivesFourPieces) {
  EXPECT_EQ(ParseLinkMarkup(L"a ((b)) c"), P({{L"a ", false}, {L"b", true}, {L" ", false}, {L"c", false}}));
}

TEST(ParseLinkMarkupTest, TextWithoutMarksIsCutIntoWordsWithTheirSpaces) {
  EXPECT_EQ(ParseLinkMarkup(L"one"), P({{L"one", false}}));
  EXPECT_EQ(ParseLinkMarkup(L"one  two three "),
            P({{L"one  ", false}, {L"two ", false}, {L"three ", false}}));
  EXPECT_EQ(ParseLinkMarkup(L"  lead"), P({{L"  ", false}, {L"lead", false}}));
}

TEST(ParseLinkMarkupTest, NewlineEndsAPieceAndStaysInIt) {
  EXPECT_EQ(ParseLinkMarkup(L"a\nb c\n\nd"),
            P({{L"a\n", false}, {L"b ", false}, {L"c\n", false}, {L"\n", false}, {L"d", false}}));
}

TEST(ParseLinkMarkupTest, LinksKeepTheirSpacesAndNewlines) {
  EXPECT_EQ(ParseLinkMarkup(L"x((Licence agreement\nof us)). y"),
            P({{L"x", false}, {L"Licence agreement\nof us", true}, {L". ", false}, {L"y", false}}));
}

TEST(ParseLinkMarkupTest, UnclosedLinkTakesTheRest) {
  EXPECT_EQ(ParseLinkMarkup(L"see ((the rest"), P({{L"see ", false}, {L"the rest", true}}));
}

TEST(ParseLinkMarkupTest, EdgeTexts) {
  EXPECT_TRUE(ParseLinkMarkup(L"").empty());
  EXPECT_TRUE(ParseLinkMarkup(L"(())").empty());
  EXPECT_EQ(ParseLinkMarkup(L"))"), P({{L"))", false}}));
  EXPECT_EQ(ParseLinkMarkup(std::wstring(L"ab\0cd", 5)), P({{L"ab", false}}));
  EXPECT_EQ(ParseLinkMarkup(L"((a))((b))"), P({{L"a", true}, {L"b", true}}));
}

TEST(LayoutTextPiecesTest, OneLineFormsThreeRuns) {
  const TextLayout layout = LayoutTextPieces(ParseLinkMarkup(L"a ((b)) c"), 1000, TenPerCharacter, false);
  ASSERT_EQ(layout.runs.size(), 3u);
  EXPECT_EQ(layout.runs[0], (TextRun{L"a ", false, 0, 0, 20}));
  EXPECT_EQ(layout.runs[1], (TextRun{L"b", true, 0, 20, 10}));
  EXPECT_EQ(layout.runs[2], (TextRun{L" c", false, 0, 30, 20}));
  EXPECT_EQ(layout.line_count(), 1);
  EXPECT_EQ(layout.line_widths[0], 50);
  EXPECT_EQ(layout.line_shifts[0], 0);
}

TEST(LayoutTextPiecesTest, WrapsWhenTheLineWouldGrowTooWide) {
  // "one " 40, "two " 40, "three" 50 in 90: the third word opens line 1.
  const TextLayout layout = LayoutTextPieces(ParseLinkMarkup(L"one two three"), 90, TenPerCharacter, false);
  ASSERT_EQ(layout.runs.size(), 2u);
  EXPECT_EQ(layout.runs[0], (TextRun{L"one two ", false, 0, 0, 80}));
  EXPECT_EQ(layout.runs[1], (TextRun{L"three", false, 1, 0, 50}));
  // Exactly full is not too wide.
  EXPECT_EQ(LayoutTextPieces(ParseLinkMarkup(L"one two"), 70, TenPerCharacter, false).line_count(), 1);
}

TEST(LayoutTextPiecesTest, FullStopAfterALinkStaysOnTheLinksLine) {
  const TextLayout layout =
      LayoutTextPieces(ParseLinkMarkup(L"Accept the ((agreement))."), 210, TenPerCharacter, false);
  ASSERT_EQ(layout.runs.size(), 3u);
  EXPECT_EQ(layout.runs[1], (TextRun{L"agreement", true, 0, 110, 90}));
  EXPECT_EQ(layout.runs[2], (TextRun{L".", false, 0, 200, 10}));
  EXPECT_EQ(layout.line_count(), 1);
}

TEST(LayoutTextPiecesTest, LinkOfSeveralWordsIsOnePieceAndWrapsWhole) {
  const TextLayout layout =
      LayoutTextPieces(ParseLinkMarkup(L"By going on, ((the licence)) applies"), 150, TenPerCharacter, false);
  ASSERT_EQ(layout.runs.size(), 4u);
  EXPECT_EQ(layout.runs[0], (TextRun{L"By going on, ", false, 0, 0, 130}));
  EXPECT_EQ(layout.runs[1], (TextRun{L"the licence", true, 1, 0, 110}));
  EXPECT_EQ(layout.runs[2], (TextRun{L" ", false, 1, 110, 10}));
  // "applies" (70) no longer fits after 120 on line 1.
  EXPECT_EQ(layout.runs[3], (TextRun{L"applies", false, 2, 0, 70}));
}

TEST(LayoutTextPiecesTest, NewlinesStartLinesAndAnEmptyLineStaysEmpty) {
  const TextLayout layout = LayoutTextPieces(ParseLinkMarkup(L"a\n\nb"), 1000, TenPerCharacter, false);
  ASSERT_EQ(layout.runs.size(), 3u);
  EXPECT_EQ(layout.runs[0].line, 0);
  EXPECT_EQ(layout.runs[1], (TextRun{L"\n", false, 1, 0, 10}));
  EXPECT_EQ(layout.runs[2], (TextRun{L"b", false, 2, 0, 10}));
}

TEST(LayoutTextPiecesTest, AWordWiderThanTheLineGetsItsOwnLine) {
  const TextLayout layout =
      LayoutTextPieces(ParseLinkMarkup(L"a enormousword b"), 50, TenPerCharacter, false);
  ASSERT_EQ(layout.runs.size(), 3u);
  EXPECT_EQ(layout.runs[0].line, 0);
  EXPECT_EQ(layout.runs[1], (TextRun{L"enormousword ", false, 1, 0, 130}));
  EXPECT_EQ(layout.runs[2].line, 2);
}

TEST(LayoutTextPiecesTest, CentringShiftsEveryLineByHalfItsFreeWidth) {
  const TextLayout layout = LayoutTextPieces(ParseLinkMarkup(L"abcd ((ef))\ngh"), 101, TenPerCharacter, true);
  ASSERT_EQ(layout.line_count(), 2);
  // "abcd " 50, "ef" 20 and the newline piece 10, which never wraps.
  EXPECT_EQ(layout.line_widths[0], 80);
  EXPECT_EQ(layout.line_shifts[0], 10);
  EXPECT_EQ(layout.line_shifts[1], (101 - layout.line_widths[1]) / 2);
  // Overflowing lines are not pushed to the left of the rectangle.
  const TextLayout wide = LayoutTextPieces(ParseLinkMarkup(L"abcdefghij"), 40, TenPerCharacter, true);
  EXPECT_EQ(wide.line_shifts[0], 0);
}

TEST(LayoutTextPiecesTest, NoPiecesNoLines) {
  EXPECT_EQ(LayoutTextPieces({}, 100, TenPerCharacter, true).line_count(), 0);
}

}  // namespace
}  // namespace lite_installer
