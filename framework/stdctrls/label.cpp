// TLabel: registered for designs; everything else is TCustomLabel's.
#include "framework/stdctrls/label.h"

#include "framework/class_registry.h"

namespace kiv {

namespace {
const bool registered = RegisterClass<TLabel, TCustomLabel>("TLabel");
}  // namespace

TLabel::TLabel(TComponent* owner) : TCustomLabel(owner) {}

// Out of line, so that code using TLabel links this file and with it the registration.
TLabel::~TLabel() = default;

}  // namespace kiv
