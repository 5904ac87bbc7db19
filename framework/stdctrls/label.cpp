// TLabel: registered for designs; everything else is TCustomLabel's.
#include "framework/stdctrls/label.h"

#include "framework/class_registry.h"

namespace kiv {

namespace {
const bool registered = RegisterClass<TLabel, TCustomLabel>("TLabel");
}  // namespace

}  // namespace kiv
