// The parameter block handed to the elevated instance: a fixed layout in
// an image section shared by every process of this executable file, so the
// first installer and its elevated instance see the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lite_installer {

class InstallerCommandLine;

constexpr size_t kDelayedPathChars = 261;
constexpr size_t kDelayedTimeChars = 33;

#pragma pack(push, 1)
struct DelayedParams {
  char16_t browser_arc_path[kDelayedPathChars];
  char16_t clids_file_path[kDelayedPathChars];
  char16_t kelmor_website_icon_file_path[kDelayedPathChars];
  char16_t installer_data_path[kDelayedPathChars];
  char16_t brand_package_path[kDelayedPathChars];
  char16_t partner_package_path[kDelayedPathChars];
  char16_t partner_package_override_path[kDelayedPathChars];
  char16_t histogram_download_time[kDelayedTimeChars];
  char16_t histogram_full_time[kDelayedTimeChars];
  uint8_t send_statistics;
  uint8_t make_default;
  uint8_t install_kepin;
  uint8_t padding[3];
  int32_t error_kind;
};
#pragma pack(pop)

static_assert(sizeof(DelayedParams) == 3796);
static_assert(offsetof(DelayedParams, clids_file_path) == 522);
static_assert(offsetof(DelayedParams, partner_package_override_path) == 3132);
static_assert(offsetof(DelayedParams, histogram_download_time) == 3654);
static_assert(offsetof(DelayedParams, histogram_full_time) == 3720);
static_assert(offsetof(DelayedParams, send_statistics) == 3786);
static_assert(offsetof(DelayedParams, install_kepin) == 3788);
static_assert(offsetof(DelayedParams, error_kind) == 3792);

struct DelayedParamValues {
  std::wstring browser_arc_path;
  std::wstring clids_file_path;
  std::wstring kelmor_website_icon_file_path;
  std::wstring installer_data_path;
  std::wstring brand_package_path;
  std::wstring partner_package_path;
  std::wstring partner_package_override_path;
  std::wstring histogram_download_time;
  std::wstring histogram_full_time;
  bool send_statistics = false;
  bool make_default = false;
  bool install_kepin = true;
};

// The block of this executable's shared section.
DelayedParams& SharedDelayedParams();

// Fails (writing nothing) when a path is over 260 or a time over 32
// characters.
bool WriteDelayedParams(const DelayedParamValues& values);
DelayedParamValues ReadDelayedParams();
// Turns the block into switches of setup's command line (elevated instance).
void ApplyDelayedParams(InstallerCommandLine* setup_command_line);

// The error kind that the setup run stored (0 when none).
int32_t GetSharedErrorKind();
void SetSharedErrorKind(int32_t kind);

}  // namespace lite_installer
