// ENotifyError: raised by the shaped-window controller when it cannot take on its form.
#pragma once

#include "framework/exception.h"

namespace kiv {

KIV_DECLARE_EXCEPTION(ENotifyError, Exception);

}  // namespace kiv
