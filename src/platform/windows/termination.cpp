// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Windows ends a session with WM_QUERYENDSESSION / WM_ENDSESSION to the program's windows,
// which the window toolkit turns into its session-end request: nothing to watch here.
#include "platform/termination.h"

namespace vanto::platform {

int TerminationRequestDescriptor() { return -1; }

void ClearTerminationRequests(int /*descriptor*/) {}

}  // namespace vanto::platform
