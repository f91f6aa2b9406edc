#pragma once
// The temporary files of a portfolio's writers, and their removal.
//
// Every writer builds a complete new file under a temporary name beside the real one and
// renames it into place (files.h). A process killed (or a machine losing power) before the
// rename leaves that temporary behind; it holds nothing a user needs, since the real file is
// complete, old or new. A command that writes a portfolio removes such leftovers before it
// starts, so they do not pile up.
//
// The names: MASTER.~NU, MASTER.NEW, MASTER.~RB, MASTER.~BK, MASTER.BAK.~CP, MASTER.~OL.~CP,
// SKIPQVTA.~NU, EMASTER.~NU, XMASTER.~NU, and for a file number n (1..65535) F<n>.~NU, F<n>.~DO, F<n>.NEW, F<n>.~BK,
// F<n>.PFL.~NU, in any case. Only regular files are removed. MASTER.~OL is not among them: the
// update run keeps it as the copy of a MASTER it could not replace, and removes it itself.
//
// Two programs writing one portfolio at once are not supported (each would replace the other's
// MASTER); a leftover removed under a running writer makes that writer fail, never lose data.

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Whether name is one of the temporary names above.
bool isPortfolioTemporary(std::string_view name);
// Removes the temporaries in dir; returns the names removed. Failures are passed over (the
// next command tries again).
std::vector<std::string> removePortfolioTemporaries(const std::string& dir);

} // namespace qv
