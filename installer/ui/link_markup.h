// Link markup of interface texts and its layout into runs of one line each.
// Pure code (no Windows header): also built natively for fuzzing.
//
// A text may hold pieces enclosed in "((" and "))"; such a piece is a link.
// A newline ends a line.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lite_installer {

struct TextPiece {
  std::wstring text;
  bool is_link = false;

  bool operator==(const TextPiece&) const = default;
};

// Splits `text` into pieces: plain text is cut into words (each with the
// spaces that follow it) and after every newline; a link piece is the text
// between "((" and "))". An unclosed "((" makes the rest a link piece.
// Empty pieces are dropped.
std::vector<TextPiece> ParseLinkMarkup(std::wstring_view text);

// Consecutive pieces of one kind on one line, drawn as one window.
struct TextRun {
  std::wstring text;
  bool is_link = false;
  int line = 0;   // line index from 0
  int x = 0;      // offset within the line
  int width = 0;

  bool operator==(const TextRun&) const = default;
};

struct TextLayout {
  std::vector<TextRun> runs;
  // Per line: the total width and, when centred, the shift that centres it.
  std::vector<int> line_widths;
  std::vector<int> line_shifts;

  int line_count() const { return static_cast<int>(line_widths.size()); }
};

// Width of a text in device units.
using TextMeasure = std::function<int(std::wstring_view)>;

// Merges the pieces into runs and wraps them into lines no wider than
// `width`. A piece starts a new line when the current run holds a newline,
// or when it would make the line wider than `width` (a piece made only of
// spaces, newlines and the marks ?!:;,. never wraps; a word wider than the
// whole line gets a line of its own and overflows). With `centred` each line
// is shifted right by half of what it leaves free (never left of 0).
TextLayout LayoutTextPieces(const std::vector<TextPiece>& pieces, int width,
                            const TextMeasure& measure, bool centred);

}  // namespace lite_installer
