// Window size and the place of every control, in logical pixels at 96 DPI
// (scale each with ScaledRect before use). A rectangle of all zeros means
// the control is not placed. Shared by reference count.
#pragma once

#include <windows.h>

#include <memory>

#include "installer/ui/window_look.h"

namespace lite_installer {

class InstallationWindowLayout {
 public:
  virtual ~InstallationWindowLayout() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual RECT BackgroundRect() const { return {0, 0, Width(), Height()}; }
  virtual int BorderWidth() const = 0;
  virtual RECT TitleRect() const = 0;            // 107
  virtual RECT StatCheckboxRect() const = 0;     // 110
  virtual RECT DefaultCheckboxRect() const = 0;  // 109
  virtual RECT PolicyLinkRect() const = 0;       // 218
  virtual RECT KepinCheckboxRect() const = 0;    // 112
  // The gap below "sendstat" where "default" goes when they are stacked.
  virtual int StackedCheckboxGap() const { return 4; }
  virtual RECT InstallButtonRect() const = 0;    // 1 (top-left corner used)
  virtual RECT CloseButtonRect() const = 0;      // 213 (top-left corner used)
  virtual RECT LogoRect() const = 0;
  virtual RECT LicenceLineRect() const = 0;      // 222/223
  virtual RECT ProgressBarRect() const = 0;      // 215
  virtual RECT ProgressTextRect() const = 0;     // 224
  virtual RECT LateLicenceRect() const = 0;      // 913/914
  // How far the shadow window reaches beyond the window on every side.
  virtual int ShadowMargin() const { return 8; }
  virtual int CornerRadius() const = 0;
  virtual int CheckboxTextGap() const = 0;
  virtual POINT CheckboxTextOffset() const = 0;
  virtual RECT InstallButtonTextRect() const { return {}; }
  virtual RECT MinimizeButtonRect() const = 0;   // 214 (top-left corner used)
  // Not placed in either look.
  virtual RECT SpareRect1() const { return {}; }
  virtual RECT SpareRect2() const { return {}; }

  int kind() const { return kind_; }

 protected:
  explicit InstallationWindowLayout(int kind) : kind_(kind) {}

 private:
  int kind_;
};

// The redesigned look: 802 × 430 (800 × 428 and a border of 1).
class InstallationWindowLayoutFacetune : public InstallationWindowLayout {
 public:
  explicit InstallationWindowLayoutFacetune(const WindowLookOptions& options);

  int Width() const override { return 802; }
  int Height() const override { return 430; }
  int BorderWidth() const override { return 1; }
  RECT TitleRect() const override;
  RECT StatCheckboxRect() const override;
  RECT DefaultCheckboxRect() const override;
  RECT PolicyLinkRect() const override;
  RECT KepinCheckboxRect() const override;
  RECT InstallButtonRect() const override;
  RECT CloseButtonRect() const override;
  RECT LogoRect() const override;
  RECT LicenceLineRect() const override;
  RECT ProgressBarRect() const override;
  RECT ProgressTextRect() const override;
  RECT LateLicenceRect() const override;
  int CornerRadius() const override;
  int CheckboxTextGap() const override;
  POINT CheckboxTextOffset() const override { return {5, 5}; }
  RECT MinimizeButtonRect() const override;

  // A designed rectangle moved by the border: left and top by 1, right and
  // bottom by 1 where they stay inside (right below Width − 1, bottom below
  // Height − 2). All zeros stay all zeros.
  RECT ShiftByBorder(const RECT& designed) const;

 private:
  WindowLookOptions options_;
};

// The origin look: 728 × 400.
class InstallationWindowLayoutOrigin : public InstallationWindowLayout {
 public:
  explicit InstallationWindowLayoutOrigin(int kind) : InstallationWindowLayout(kind) {}

  int Width() const override { return 728; }
  int Height() const override { return 400; }
  int BorderWidth() const override { return 0; }
  RECT TitleRect() const override;
  RECT StatCheckboxRect() const override;
  RECT DefaultCheckboxRect() const override;
  RECT PolicyLinkRect() const override;
  RECT KepinCheckboxRect() const override;
  RECT InstallButtonRect() const override;
  RECT CloseButtonRect() const override;
  RECT LogoRect() const override;
  RECT LicenceLineRect() const override;
  RECT ProgressBarRect() const override;
  RECT ProgressTextRect() const override;
  RECT LateLicenceRect() const override;
  int CornerRadius() const override { return 0; }
  int CheckboxTextGap() const override { return 8; }
  POINT CheckboxTextOffset() const override { return {0, 0}; }
  RECT MinimizeButtonRect() const override { return {}; }
};

// The facetune layout when InstallerFacetune2023 is enabled, else the origin.
std::shared_ptr<InstallationWindowLayout> CreateWindowLayout(const WindowLookOptions& options);

bool IsEmptyLayoutRect(const RECT& rect);

}  // namespace lite_installer
