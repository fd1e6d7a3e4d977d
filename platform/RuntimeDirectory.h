#pragma once

#include <QString>

namespace Kadex::Platform {

// Qt keeps per-user runtime files in XDG_RUNTIME_DIR and warns on standard error when it is not set, as it is
// for root and for services. When it is not set, this makes the private folder Qt would fall back on
// (<temp>/runtime-<user id>, mode 0700; an existing one of this user gets that mode) and names it in
// XDG_RUNTIME_DIR, so that a run stays quiet. Returns the folder named, or an empty text when the variable was set
// already or the folder cannot be made.
QString provideRuntimeDirectory();

} // namespace Kadex::Platform
