// TFileCollection: the entries of a TPackFiles, in insertion order.
#pragma once

#include "framework/collection.h"
#include "packfiles/file_item.h"

namespace kiv {

class TPackFiles;

class TFileCollection : public TCollection {
public:
    // `owner` (may be null) is the store holding the collection.
    explicit TFileCollection(TPackFiles* owner);

    // A new empty entry at the end.
    TFileItem* Add();
    // The entry at 0-based `index`; EListError outside 0..Count()-1.
    TFileItem* Items(int index) const;
    TPackFiles* PackFiles() const { return m_packFiles; }

private:
    TPackFiles* m_packFiles;
};

}  // namespace kiv
