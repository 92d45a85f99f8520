// The installer's resource ids, in one place: the resource scripts include
// this header (windres), the C++ includes it ("resource_ids.h", through the
// config layer's include path) and pictures/make_pictures.py reads it to
// know which pictures to draw and under which ids. Plain #defines only, one
// a line ("#define NAME NUMBER"), so that all three can take it.
//
//   IDB_  pictures (RCDATA, drawn by make_pictures.py): IDB_<FILE NAME> for
//         pictures/<file name>.png|jpg, IDB_<FILE NAME>_2X for its @2x form
//   IDI_  icon groups          IDF_  fonts (RT_FONT, fonts/fonts.rc)
//   IDD_  dialog templates     IDC_  controls of a dialog template
//   IDR_  data files ("BIN")
//
// The unit tests load every id named here from the built executable. The
// interface texts keep their numbers in the string table (strings/*.rc).
#ifndef KELMOR_RESOURCE_IDS_H_
#define KELMOR_RESOURCE_IDS_H_

// --- dialog templates and their controls (dialogs/*.rc) ----------------------

// The installer window (dialogs/main_window.rc).
#define IDD_MAIN_WINDOW 901
#define IDC_MAIN_INSTALL 1
#define IDC_MAIN_TITLE 107
#define IDC_MAIN_DEFAULT_CHECKBOX 109
#define IDC_MAIN_STAT_CHECKBOX 110
#define IDC_MAIN_KEPIN_CHECKBOX 112
#define IDC_MAIN_CANCEL 212
#define IDC_MAIN_CLOSE 213
#define IDC_MAIN_MINIMIZE 214
#define IDC_MAIN_PROGRESS 215
#define IDC_MAIN_POLICY_LINK 218
#define IDC_MAIN_PROGRESS_TEXT 224

// The installer's dialogs (dialogs/installer_dialog.rc); -1 is the unnamed
// static text.
#define IDD_INSTALLER_DIALOG 100
#define IDC_DIALOG_MAIN 1
#define IDC_DIALOG_TITLE 107
#define IDC_DIALOG_TEXT -1
#define IDC_DIALOG_SECOND 212
#define IDC_DIALOG_CLOSE 213

// --- icons and fonts ---------------------------------------------------------

#define IDI_KELMOR 900  // the window icon (pictures/kelmor.ico)

// The redesigned look's fonts (fonts/make_fonts.py).
#define IDF_KS_DISPLAY 2087
#define IDF_KS_TEXT 2088
#define IDF_KS_TEXT_MEDIUM 2089

// --- data files ("BIN") --------------------------------------------------------

// The distribution's files (cmake/distribution.cmake).
#define IDR_MASTER_PREFERENCES 305
#define IDR_CLIDS 306
// The site icon: the distribution's website.ico, else the drawn one.
#define IDR_SITE_ICON 323
// Brand and partner packages (cmake/brand_packages.cmake); the partner
// package is there only when the build names one.
#define IDR_BRAND_PACKAGE 319
#define IDR_PARTNER_PACKAGE 320

// --- pictures (make_pictures.py) ----------------------------------------------

// Window backgrounds and first slides.
#define IDB_FT_BACKGROUND 2021
#define IDB_FT_BACKGROUND_2X 2022
#define IDB_FT_BACKGROUND_RU 2023
#define IDB_FT_BACKGROUND_RU_2X 2024
#define IDB_FT_FIRST_SLIDE 2025
#define IDB_FT_FIRST_SLIDE_2X 2026
#define IDB_FT_FIRST_SLIDE_RU 2027
#define IDB_FT_FIRST_SLIDE_RU_2X 2028
#define IDB_ORIGIN_BACKGROUND 906
#define IDB_ORIGIN_FIRST_SLIDE 904
#define IDB_ORIGIN_FIRST_SLIDE_RU 910

// Logos.
#define IDB_LOGO_DARK_BG 903
#define IDB_LOGO_DARK_BG_2X 915
#define IDB_LOGO_DARK_BG_RU 911
#define IDB_LOGO_DARK_BG_RU_2X 917
#define IDB_LOGO_LIGHT_BG 905
#define IDB_LOGO_LIGHT_BG_2X 916
#define IDB_LOGO_LIGHT_BG_RU 912
#define IDB_LOGO_LIGHT_BG_RU_2X 918

// Buttons (three states side by side).
#define IDB_FT_INSTALL_BUTTON 2029
#define IDB_ORIGIN_INSTALL_BUTTON 907
#define IDB_PROGRESS_BUTTON 101
#define IDB_FT_CLOSE 2030
#define IDB_FT_CLOSE_2X 2031
#define IDB_FT_MINIMIZE 2034
#define IDB_FT_MINIMIZE_2X 2035
#define IDB_FT_MINIMIZE_GLYPH 2036
#define IDB_FT_MINIMIZE_GLYPH_2X 2037
#define IDB_ORIGIN_CLOSE 103

// Checkboxes (six states side by side).
#define IDB_FT_CHECKBOX 2019
#define IDB_FT_CHECKBOX_2X 2020
#define IDB_FT_CHECKBOX_DARK 2256
#define IDB_FT_CHECKBOX_DARK_2X 2257
#define IDB_ORIGIN_CHECKBOX 902

// Progress fill and track.
#define IDB_FT_PROGRESS_FILL 2038
#define IDB_FT_PROGRESS_FILL_2X 2039
#define IDB_FT_PROGRESS_TRACK 2040
#define IDB_FT_PROGRESS_TRACK_2X 2041
#define IDB_ORIGIN_PROGRESS_FILL 908
#define IDB_ORIGIN_PROGRESS_TRACK 909

// Window shadows: the redesigned window with round corners (Windows 8 and
// later) and square ones (the edges are the same), the origin window.
#define IDB_FT_SHADOW_CORNER_TL 2042
#define IDB_FT_SHADOW_CORNER_TR 2043
#define IDB_FT_SHADOW_CORNER_BR 2044
#define IDB_FT_SHADOW_CORNER_BL 2045
#define IDB_FT_SHADOW_EDGE_LEFT 2046
#define IDB_FT_SHADOW_EDGE_TOP 2047
#define IDB_FT_SHADOW_EDGE_RIGHT 2048
#define IDB_FT_SHADOW_EDGE_BOTTOM 2049
#define IDB_FT_SHADOW_CORNER_TL_2X 2050
#define IDB_FT_SHADOW_CORNER_TR_2X 2051
#define IDB_FT_SHADOW_CORNER_BR_2X 2052
#define IDB_FT_SHADOW_CORNER_BL_2X 2053
#define IDB_FT_SHADOW_EDGE_LEFT_2X 2054
#define IDB_FT_SHADOW_EDGE_TOP_2X 2055
#define IDB_FT_SHADOW_EDGE_RIGHT_2X 2056
#define IDB_FT_SHADOW_EDGE_BOTTOM_2X 2057
#define IDB_FT_SHADOW_SQUARE_CORNER_TL 2058
#define IDB_FT_SHADOW_SQUARE_CORNER_TR 2059
#define IDB_FT_SHADOW_SQUARE_CORNER_BR 2060
#define IDB_FT_SHADOW_SQUARE_CORNER_BL 2061
#define IDB_FT_SHADOW_SQUARE_CORNER_TL_2X 2062
#define IDB_FT_SHADOW_SQUARE_CORNER_TR_2X 2063
#define IDB_FT_SHADOW_SQUARE_CORNER_BR_2X 2064
#define IDB_FT_SHADOW_SQUARE_CORNER_BL_2X 2065
#define IDB_ORIGIN_SHADOW_CORNER_TL 225
#define IDB_ORIGIN_SHADOW_CORNER_TR 226
#define IDB_ORIGIN_SHADOW_CORNER_BR 227
#define IDB_ORIGIN_SHADOW_CORNER_BL 228
#define IDB_ORIGIN_SHADOW_EDGE_LEFT 229
#define IDB_ORIGIN_SHADOW_EDGE_TOP 230
#define IDB_ORIGIN_SHADOW_EDGE_RIGHT 231
#define IDB_ORIGIN_SHADOW_EDGE_BOTTOM 232

// Dialogs: the classic look, then the redesigned one and its shadows.
#define IDB_DIALOG_BACKGROUND 104
#define IDB_DIALOG_BUTTON_MAIN 105
#define IDB_DIALOG_BUTTON_SECOND 106
#define IDB_DIALOG_PANEL 2233
#define IDB_DIALOG_BUTTON_PRIMARY 2234
#define IDB_DIALOG_BUTTON_PRIMARY_2X 2235
#define IDB_DIALOG_BUTTON_SECONDARY 2236
#define IDB_DIALOG_BUTTON_SECONDARY_2X 2237
#define IDB_DIALOG_CLOSE 2238
#define IDB_DIALOG_CLOSE_2X 2239
#define IDB_DIALOG_SHADOW_CORNER_TL 2240
#define IDB_DIALOG_SHADOW_CORNER_TR 2241
#define IDB_DIALOG_SHADOW_CORNER_BR 2242
#define IDB_DIALOG_SHADOW_CORNER_BL 2243
#define IDB_DIALOG_SHADOW_EDGE_LEFT 2244
#define IDB_DIALOG_SHADOW_EDGE_TOP 2245
#define IDB_DIALOG_SHADOW_EDGE_RIGHT 2246
#define IDB_DIALOG_SHADOW_EDGE_BOTTOM 2247
#define IDB_DIALOG_SHADOW_SQUARE_CORNER_TL 2248
#define IDB_DIALOG_SHADOW_SQUARE_CORNER_TR 2249
#define IDB_DIALOG_SHADOW_SQUARE_CORNER_BR 2250
#define IDB_DIALOG_SHADOW_SQUARE_CORNER_BL 2251
#define IDB_DIALOG_SHADOW_SQUARE_EDGE_LEFT 2252
#define IDB_DIALOG_SHADOW_SQUARE_EDGE_TOP 2253
#define IDB_DIALOG_SHADOW_SQUARE_EDGE_RIGHT 2254
#define IDB_DIALOG_SHADOW_SQUARE_EDGE_BOTTOM 2255

#endif  // KELMOR_RESOURCE_IDS_H_
