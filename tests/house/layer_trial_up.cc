// Built only by the layering test, as a source of the UI layer: the
// controller sits above the UI, so this include must not be found.
#include "installer/controller/installer.h"
