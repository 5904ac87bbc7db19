// TPersistent's assignment protocol.
#include "framework/persistent.h"

#include "framework/class_registry.h"
#include "framework/exception.h"

namespace kiv {

namespace {
const bool registered = RegisterClass<TPersistent, TObject>("TPersistent");
}

void TPersistent::Assign(const TPersistent* source) {
    if (source == nullptr) AssignError(nullptr);
    source->AssignTo(*this);
}

void TPersistent::DefineProperties(TFiler& /*filer*/) {}

void TPersistent::AssignTo(TPersistent& dest) const {
    dest.AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const {
    std::string sourceName = source ? source->ClassName() : "nil";
    throw EConvertError(FormatMessage("Cannot assign a %s to a %s", sourceName, ClassName()));
}

}  // namespace kiv
