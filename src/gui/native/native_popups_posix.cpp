#include "gui/native/native_popups.h"

namespace qv {

// X11 and headless windows have no native popups: the controls open overlay views.
CNativePopups* nativePopupsFor(const CGuiWindow*) { return nullptr; }

}  // namespace qv
