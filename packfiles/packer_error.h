// EPackerError: raised by the file store and its LZ codec for damaged or impossible data.
#pragma once

#include "framework/exception.h"

namespace kiv {

KIV_DECLARE_EXCEPTION(EPackerError, Exception);

}  // namespace kiv
