// The exceptions the windowed framework raises.
#pragma once

#include "framework/exception.h"

namespace kiv {

// An operation the control's state does not allow ("Control '%s' has no parent window").
KIV_DECLARE_EXCEPTION(EInvalidOperation, Exception);
// Picture data that cannot be read, or a picture kind that is not known.
KIV_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
// A thread that cannot be started, or a hand-off to the UI thread that cannot be made.
KIV_DECLARE_EXCEPTION(EThread, Exception);
// Pixels that cannot be allocated.
KIV_DECLARE_EXCEPTION(EOutOfResources, Exception);

}  // namespace kiv
