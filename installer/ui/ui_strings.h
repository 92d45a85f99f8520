// Interface texts from the string table (ids 400-509) in sixteen languages.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace lite_installer {

// Ids of the texts that other code composes.
constexpr UINT kStringStatisticsSentence = 426;
constexpr UINT kStringPrivacyPolicy = 430;
constexpr UINT kStringLicenceLine = 461;
constexpr UINT kStringLicenceLineLessContrasty = 462;

// Text `id` in language `langid`, or "" (a missing text is never an error).
// The table is looked up strictly in that language.
std::wstring LoadUiString(UINT id, LANGID langid);
// In the user's default UI language, falling back to English.
std::wstring LoadUiStringForUser(UINT id);

// Sets text `string_id` as the window text of control `control_id` of
// `dialog`. Control id -1 addresses the dialog's unnamed static text.
// Returns false when there is no such control.
bool SetControlText(HWND dialog, int control_id, UINT string_id, LANGID langid);

// The licence line under the Install button (461, or 462 for the less
// contrasty look); the redesigned look drops a trailing full stop.
std::wstring LicenceLineText(LANGID langid, bool less_contrasty, bool facetune);
// Statistics sentence 426 with a full stop ensured, followed by the privacy
// policy (430) as a link piece: "<sentence> ((<policy>))".
std::wstring StatisticsSentenceWithPolicyLink(LANGID langid);

// The pure parts of the two above.
std::wstring DropTrailingFullStop(std::wstring text);
std::wstring ComposeSentenceWithLink(std::wstring sentence, std::wstring_view link);
// A text with every "(" and ")" removed (the accessible name of a link line).
std::wstring RemoveParentheses(std::wstring_view text);

}  // namespace lite_installer
