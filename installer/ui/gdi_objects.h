// Transitional names for the owners in base/scoped_gdi.h, for the sources
// that have not moved to them yet (the installer dialog). New code names the
// base owners; this header goes when its last user does.
#pragma once

#include "base/scoped_gdi.h"

namespace lite_installer {

using ScreenDC = base::ScopedScreenDC;
using SelectedObject = base::ScopedSelectObject;

}  // namespace lite_installer
