// TPersistent: objects that can be assigned to each other and take part in designs.
#pragma once

#include "framework/object.h"

namespace kiv {

class TFiler;

class TPersistent : public TObject {
public:
    // Copies `source` into this object. The base asks the source to do it (AssignTo), which
    // fails with EConvertError "Cannot assign a <source class> to a <this class>"; a null source
    // names "nil". Descendants override it for the sources they understand and call the base for
    // the rest.
    virtual void Assign(const TPersistent* source);

    // Declares values stored in designs beyond the published properties (see TFiler). Overrides
    // call the base first. The design reader and writer call it; it must not change the object.
    virtual void DefineProperties(TFiler& filer);

    // The object this one belongs to (a component's owner, an item's collection), or nullptr.
    virtual TPersistent* GetOwner() const { return nullptr; }

protected:
    // Copies this object into `dest`; the base raises the assignment error.
    virtual void AssignTo(TPersistent& dest) const;
    // Raises EConvertError "Cannot assign a %s to a %s" for `source` (nullptr: "nil") and this.
    [[noreturn]] void AssignError(const TPersistent* source) const;
};

}  // namespace kiv
