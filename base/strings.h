// String helpers: UTF-8/UTF-16 conversion, ASCII case, number formatting,
// hexadecimal digits. No Windows header (the fuzz targets build it natively).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace base {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
// Appends code point `c` (at most U+10FFFF) as UTF-8.
void AppendUtf8(std::string& out, char32_t c);
// Narrows every character to its low 8 bits (for ASCII-only texts).
std::string WideToAsciiLossy(std::wstring_view wide);
std::wstring AsciiToWide(std::string_view ascii);

std::string ToLowerAscii(std::string_view s);
std::wstring ToLowerAscii(std::wstring_view s);
bool EqualsCaseInsensitiveAscii(std::string_view a, std::string_view b);
bool EqualsCaseInsensitiveAscii(std::wstring_view a, std::wstring_view b);
bool StartsWithCaseInsensitiveAscii(std::wstring_view s, std::wstring_view prefix);

std::string_view TrimWhitespaceAscii(std::string_view s);
std::vector<std::string> SplitString(std::string_view s, char separator);
std::wstring ReplaceAll(std::wstring s, std::wstring_view from, std::wstring_view to);

// Strict decimal parsing: the whole text must be a number in range.
std::optional<int64_t> ParseInt64(std::string_view s);
std::optional<uint32_t> ParseUint32(std::string_view s);
std::optional<int64_t> ParseInt64(std::wstring_view s);

// Hexadecimal digits: the digit of a value 0-15; the value of a digit of
// either case, or -1 for any other character.
char HexDigit(unsigned value, bool upper_case = false);
int HexDigitValue(char c);
// Byte `byte` as two digits.
void AppendHexByte(std::string& out, unsigned char byte, bool upper_case = false);
// Two lower-case digits a byte.
std::string HexEncodeLower(const void* data, size_t size);
// Two digits of either case a byte; nullopt for an odd length or a character
// that is no digit.
std::optional<std::string> HexDecode(std::string_view hex);

}  // namespace base
