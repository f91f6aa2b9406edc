#pragma once
// The "Tutorial" command and the prompt a newcomer gets: while "User"/"Newbie" is set, the
// prompt asks first (and is asked again with the next fill of the quote grid until it is
// answered Yes); Yes opens the tutorial page and clears the flag for good.

namespace qv::gui {

class CQuovantaView;

void OnTutorial(CQuovantaView& view);

} // namespace qv::gui
