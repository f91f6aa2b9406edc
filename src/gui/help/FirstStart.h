#pragma once
// The offer a first start gets when no portfolio is in reach: a copy of the bundled sample
// portfolio (with its update files) under the data directory, listed at once; the tutorial
// prompt follows with the first fill of the quote grid.

#include <QString>

#include <string>
#include <vector>

namespace qv::gui {

class CQuovantaView;

// Where the bundled sample portfolio may be, most specific first: beside an installed program
// (share/quovanta/sample/SAMPLE), then the source tree the program was built from.
std::vector<std::string> sampleSourceCandidates();

// The directory the sample is copied into: $XDG_DATA_HOME/quovanta, else
// ~/.local/share/quovanta (where the desktop launcher starts the program).
std::string defaultDataDir();

// The offer's question for a copy at `target`.
QString sampleWorkspaceQuestion(const QString& target);

// Asks whether to set up the sample workspace; on Yes copies it to `<data dir>/SAMPLE` (an
// existing copy is used as it is, never overwritten) and lists it. False when declined, no
// sample was found or the copy failed (said in a message box).
bool OfferSampleWorkspace(CQuovantaView& view);

} // namespace qv::gui
