// The attribute filter flags and their registration.
#include "archive/arx_file_attr.h"

#include "framework/class_registry.h"

namespace kiv {

void TarxFileAttr::Assign(const TPersistent* source) {
    if (const auto* other = dynamic_cast<const TarxFileAttr*>(source)) {
        m_flags = other->m_flags;
        return;
    }
    TPersistent::Assign(source);
}

namespace {
using A = TarxFileAttr;
const bool registered = RegisterClass<TarxFileAttr, TPersistent>(
    "TarxFileAttr", {
                        Prop("ftFileAttr", &A::Get<A::ftFileAttr>, &A::Set<A::ftFileAttr>),
                        Prop("ftArchive", &A::Get<A::ftArchive>, &A::Set<A::ftArchive>),
                        Prop("ftHidden", &A::Get<A::ftHidden>, &A::Set<A::ftHidden>),
                        Prop("ftReadOnly", &A::Get<A::ftReadOnly>, &A::Set<A::ftReadOnly>),
                        Prop("ftSysFile", &A::Get<A::ftSysFile>, &A::Set<A::ftSysFile>),
                        Prop("ftCompressed", &A::Get<A::ftCompressed>, &A::Set<A::ftCompressed>),
                        Prop("ftVolumeID", &A::Get<A::ftVolumeID>, &A::Set<A::ftVolumeID>),
                        Prop("ftDirectory", &A::Get<A::ftDirectory>, &A::Set<A::ftDirectory>),
                        Prop("ftTemporary", &A::Get<A::ftTemporary>, &A::Set<A::ftTemporary>),
                        Prop("ftAnyFile", &A::Get<A::ftAnyFile>, &A::Set<A::ftAnyFile>),
                    });
}  // namespace

}  // namespace kiv
