// Which dialog the installer shows, in which look: the notices, the resume
// question, the unsupported-system notice and the error chooser. The
// redesigned look goes with the brand's InstallerFacetune2023 switches; the
// main buttons' actions (pages opened with the shell, the installed browser
// started) are wired here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "installer/ui/dialogs/installer_dialog.h"

namespace lite_installer {

class BrandInfo;
class DistribInfoParams;

// The dialog for a controller error code (always the redesigned look);
// without `download_button` the download dialogs offer no download.
class ErrorChooser {
 public:
  ErrorChooser(const BrandInfo& brand, const DistribInfoParams& params, bool download_button = true);
  virtual ~ErrorChooser() = default;
  // Null for code 0.
  virtual std::unique_ptr<InstallerDialog> ForCode(int32_t code);

 private:
  const BrandInfo& brand_;
  const DistribInfoParams& params_;
  bool download_button_;
};

class DialogFactory {
 public:
  virtual ~DialogFactory() = default;
  // Notice kinds 0 (newer version installed), 3 (corporate: the user has a
  // newer version) and 4 (corporate: a browser exists); any other kind gives
  // a dialog with empty texts.
  virtual std::unique_ptr<InstallerDialog> CreateNotice(int kind, const BrandInfo& brand,
                                                        const DistribInfoParams& params);
  virtual std::unique_ptr<InstallerDialog> CreateResume(const BrandInfo& brand, const DistribInfoParams& params);
  virtual std::unique_ptr<InstallerDialog> CreateUnsupportedSystem(const BrandInfo& brand);
  virtual std::unique_ptr<ErrorChooser> CreateErrorChooser(const BrandInfo& brand, const DistribInfoParams& params,
                                                           bool download_button = true);
};

// The not-enough-disk-space notice (always classic).
std::unique_ptr<InstallerDialog> CreateNotEnoughDiskSpaceDialog(const BrandInfo& brand);

// Any redesigned kind (0 to 12) or classic kind with its main-button action
// wired for this brand; `params` may be null (no download page parameters).
std::unique_ptr<InstallerDialog> CreateRedesignedKind(int kind, const BrandInfo& brand,
                                                      const DistribInfoParams* params);
std::unique_ptr<InstallerDialog> CreateClassicKind(ClassicKind kind, const BrandInfo& brand,
                                                   const DistribInfoParams* params);

// What the main buttons do: pages opened with the shell verb "open", the
// installed browser started without waiting.
void PerformDialogAction(DialogAction action, const BrandInfo& brand, const DistribInfoParams* params);

}  // namespace lite_installer
