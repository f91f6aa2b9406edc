#pragma once
// The toolbar's pictures, painted rather than loaded, so they scale and need no image files.

#include "gui/app/Actions.h"

#include <QIcon>

namespace qv::gui {

QIcon commandIcon(Command command);

} // namespace qv::gui
