// The string table as built into this program's resources, and the texts
// composed from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "build_config.h"
#include "base/strings.h"
#include "installer/ui/ui_strings.h"

namespace lite_installer {
namespace {

constexpr LANGID kLanguages[] = {1028, 1029, 1031, 1033, 1036, 1040, 1041, 1046,
                                 1049, 1055, 1058, 1087, 1091, 2052, 2070, 3082};
constexpr LANGID kEnglish = 1033;
constexpr LANGID kRussian = 1049;
constexpr wchar_t kNbsp = L'\u00A0';

bool IsUnused(UINT id) { return id == 475 || id == 477; }

size_t Count(const std::wstring& text, std::wstring_view what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + what.size()))
    ++n;
  return n;
}

TEST(UiStringTableTest, EveryIdExistsInEveryLanguageExceptTheUnusedOnes) {
  for (LANGID lang : kLanguages) {
    for (UINT id = 400; id <= 509; ++id) {
      const std::wstring text = LoadUiString(id, lang);
      if (IsUnused(id))
        EXPECT_TRUE(text.empty()) << "id " << id << " language " << lang;
      else
        EXPECT_FALSE(text.empty()) << "id " << id << " language " << lang;
    }
  }
}

TEST(UiStringTableTest, TranslationsKeepBreaksLinksPlaceholdersAndNoBreakSpaces) {
  for (LANGID lang : kLanguages) {
    for (UINT id = 400; id <= 509; ++id) {
      if (IsUnused(id)) continue;
      const std::wstring english = LoadUiString(id, kEnglish);
      const std::wstring text = LoadUiString(id, lang);
      for (std::wstring_view mark : {L"\n", L"((", L"))", L"%i"})
        EXPECT_EQ(Count(text, mark), Count(english, mark))
            << "id " << id << " language " << lang << " mark " << base::WideToUtf8(mark);
      const bool english_nbsp = english.find(kNbsp) != std::wstring::npos;
      if (english_nbsp) {
        EXPECT_NE(text.find(L"Kelmor\u00A0"), std::wstring::npos) << id << " " << lang;
      } else if (lang != 1036) {  // French also puts one before ? and :
        EXPECT_EQ(text.find(kNbsp), std::wstring::npos) << id << " " << lang;
      }
    }
  }
}

TEST(UiStringTableTest, EnglishTextsAreTheDesignedOnes) {
  EXPECT_EQ(LoadUiString(400, kEnglish), L"Kelmor");
  EXPECT_EQ(LoadUiString(410, kEnglish), L"Installation started.\nHere's what Browser\nhas to offer");
  EXPECT_EQ(LoadUiString(435, kEnglish),
            L"Contact support and attach the file \nwith errors.\n\nFile location:");
  EXPECT_EQ(LoadUiString(439, kEnglish), L"Couldn't install Kelmor\u00A0Browser");
  EXPECT_EQ(LoadUiString(463, kEnglish), L"Less than %i mins left");
  EXPECT_EQ(LoadUiString(485, kEnglish),
            L"Powered by Kelmor\u00A0Browser. Kelmor\u00A0Browser will be installed along with "
            L"Kelmor\u00A0Mail.");
  EXPECT_EQ(LoadUiString(509, kEnglish), L"Cancel");
  const std::wstring host = base::Utf8ToWide(KELMOR_SEARCH_SITE_NAME);
  EXPECT_EQ(LoadUiString(428, kEnglish), L"Add a " + host + L" shortcut to the taskbar");
  EXPECT_NE(LoadUiString(428, kRussian).find(host), std::wstring::npos);
}

TEST(UiStringTableTest, LanguagesAreLookedUpStrictly) {
  EXPECT_EQ(LoadUiString(415, kRussian), L"Закрыть");
  EXPECT_NE(LoadUiString(415, 1031), LoadUiString(415, kEnglish));
  // No table for British English and none beyond the last block.
  EXPECT_EQ(LoadUiString(415, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK)), L"");
  EXPECT_EQ(LoadUiString(4000, kEnglish), L"");
}

TEST(UiStringCompositionTest, LicenceLine) {
  EXPECT_EQ(DropTrailingFullStop(L"a b."), L"a b");
  EXPECT_EQ(DropTrailingFullStop(L"a b"), L"a b");
  EXPECT_EQ(DropTrailingFullStop(L""), L"");
  const std::wstring origin = LicenceLineText(kEnglish, false, false);
  EXPECT_EQ(origin, LoadUiString(461, kEnglish));
  ASSERT_EQ(origin.back(), L'.');
  EXPECT_EQ(LicenceLineText(kEnglish, false, true), origin.substr(0, origin.size() - 1));
  EXPECT_EQ(LicenceLineText(kEnglish, true, false), LoadUiString(462, kEnglish));
}

TEST(UiStringCompositionTest, StatisticsSentenceGetsAFullStopAndThePolicyLink) {
  EXPECT_EQ(ComposeSentenceWithLink(L"Send data", L"Policy"), L"Send data. ((Policy))");
  EXPECT_EQ(ComposeSentenceWithLink(L"Send data.", L"Policy"), L"Send data. ((Policy))");
  EXPECT_EQ(StatisticsSentenceWithPolicyLink(kEnglish),
            L"I want to help improve Kelmor services by sending browser usage statistics to "
            L"Kelmor. ((Privacy policy))");
}

TEST(UiStringCompositionTest, AccessibleNameOfTheLicenceLink) {
  EXPECT_EQ(RemoveParentheses(L"By ((a)) (b)."), L"By a b.");
}

TEST(SetControlTextTest, NamedControlAndTheUnnamedStatic) {
  HWND dialog = ::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
  ASSERT_TRUE(dialog);
  HWND named = ::CreateWindowExW(0, L"Button", L"", WS_CHILD, 0, 0, 5, 5, dialog,
                                 reinterpret_cast<HMENU>(1), nullptr, nullptr);
  HWND unnamed = ::CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 5, 5, dialog,
                                   reinterpret_cast<HMENU>(0xFFFF), nullptr, nullptr);
  ASSERT_TRUE(named && unnamed);
  EXPECT_TRUE(SetControlText(dialog, 1, 414, kRussian));
  EXPECT_TRUE(SetControlText(dialog, -1, 433, kEnglish));
  EXPECT_FALSE(SetControlText(dialog, 77, 414, kEnglish));
  wchar_t text[100] = {};
  ::GetWindowTextW(named, text, 100);
  EXPECT_STREQ(text, L"Установить");
  ::GetWindowTextW(unnamed, text, 100);
  EXPECT_STREQ(text, L"See the log file for details");
  ::DestroyWindow(dialog);
}

}  // namespace
}  // namespace lite_installer
