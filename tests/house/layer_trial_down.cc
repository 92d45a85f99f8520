// Built only by the layering test, as a source of the UI layer: the
// configuration sits below the UI, so this include is found.
#include "installer/config/brand_info.h"
