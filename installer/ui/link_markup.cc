#include "installer/ui/link_markup.h"

#include <algorithm>

namespace lite_installer {
namespace {

void AddPiece(std::vector<TextPiece>& pieces, std::wstring_view text, bool is_link) {
  if (!text.empty()) pieces.push_back({std::wstring(text), is_link});
}

bool IsPunctuationOnly(const TextPiece& piece) {
  if (piece.is_link) return false;
  return std::all_of(piece.text.begin(), piece.text.end(), [](wchar_t c) {
    return c == L' ' || c == L'\n' || c == L'?' || c == L'!' || c == L':' || c == L';' ||
           c == L',' || c == L'.';
  });
}

}  // namespace

std::vector<TextPiece> ParseLinkMarkup(std::wstring_view text) {
  // A NUL ends the text.
  text = text.substr(0, std::min(text.size(), text.find(L'\0')));
  std::vector<TextPiece> pieces;
  size_t start = 0;
  bool link = false;
  size_t i = 0;
  while (i < text.size()) {
    if (link) {
      if (text.substr(i, 2) == L"))") {
        AddPiece(pieces, text.substr(start, i - start), true);
        i += 2;
        start = i;
        link = false;
      } else {
        ++i;
      }
      continue;
    }
    const wchar_t c = text[i];
    if (c == L'\n') {
      AddPiece(pieces, text.substr(start, i + 1 - start), false);
      start = ++i;
      continue;
    }
    if (text.substr(i, 2) == L"((") {
      AddPiece(pieces, text.substr(start, i - start), false);
      i += 2;
      start = i;
      link = true;
      continue;
    }
    if (c != L' ' && i > start && text[i - 1] == L' ') {
      AddPiece(pieces, text.substr(start, i - start), false);
      start = i;
    }
    ++i;
  }
  AddPiece(pieces, text.substr(start), link);
  return pieces;
}

TextLayout LayoutTextPieces(const std::vector<TextPiece>& pieces, int width,
                            const TextMeasure& measure, bool centred) {
  TextLayout layout;
  if (pieces.empty()) return layout;
  layout.line_widths.push_back(0);
  bool run_open = false;
  auto close_run = [&] { run_open = false; };
  for (const TextPiece& piece : pieces) {
    const int piece_width = measure(piece.text);
    int& line_width = layout.line_widths.back();
    const bool run_has_newline =
        run_open && layout.runs.back().text.find(L'\n') != std::wstring::npos;
    const bool punctuation = IsPunctuationOnly(piece);
    const bool overflows = line_width > 0 && line_width + piece_width > width;
    if (run_has_newline || (overflows && !punctuation)) {
      close_run();
      layout.line_widths.push_back(0);
    }
    const int line = layout.line_count() - 1;
    int& current_width = layout.line_widths.back();
    if (punctuation || (run_open && layout.runs.back().is_link != piece.is_link)) close_run();
    if (run_open) {
      TextRun& run = layout.runs.back();
      run.text += piece.text;
      run.width += piece_width;
    } else {
      layout.runs.push_back({piece.text, piece.is_link, line, current_width, piece_width});
      run_open = true;
    }
    current_width += piece_width;
  }
  layout.line_shifts.assign(layout.line_widths.size(), 0);
  if (centred) {
    for (size_t i = 0; i < layout.line_widths.size(); ++i)
      layout.line_shifts[i] = std::max(0, (width - layout.line_widths[i]) / 2);
  }
  return layout;
}

}  // namespace lite_installer
