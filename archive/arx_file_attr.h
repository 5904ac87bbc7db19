// TarxFileAttr: the attribute filter flags of an archive component (not consulted for RAR).
#pragma once

#include <array>
#include <cstddef>

#include "framework/persistent.h"

namespace kiv {

class TarxFileAttr : public TPersistent {
public:
    enum Flag : std::size_t {
        ftFileAttr,
        ftArchive,
        ftHidden,
        ftReadOnly,
        ftSysFile,
        ftCompressed,
        ftVolumeID,
        ftDirectory,
        ftTemporary,
        ftAnyFile,
        kFlagCount
    };

    template <Flag F>
    bool Get() const {
        return m_flags[F];
    }
    template <Flag F>
    void Set(bool value) {
        m_flags[F] = value;
    }

    // Copies the flags of another TarxFileAttr; other sources are the base's error.
    void Assign(const TPersistent* source) override;

private:
    std::array<bool, kFlagCount> m_flags{};
};

}  // namespace kiv
