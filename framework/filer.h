// TFiler: what DefineProperties sees of the design reader and writer.
#pragma once

#include <functional>
#include <string>

#include "framework/design_tree.h"

namespace kiv {

class TStream;

// Lets an object store values that are not published properties. The design reader calls
// DefineProperties once for every property name it cannot find among the published ones and
// runs the reader of the definition with that name; the writer calls it once per object after
// writing the published properties and runs every writer whose `hasData` is true, in the order
// of definition.
class TFiler {
public:
    using ValueReader = std::function<void(const DesignValue& value)>;
    using ValueWriter = std::function<DesignValue()>;
    using StreamReader = std::function<void(TStream& stream)>;
    using StreamWriter = std::function<void(TStream& stream)>;

    virtual ~TFiler() = default;

    // A value of any design kind (strings, lists, ...). The reader may throw a kiv::Exception
    // to reject the value; the design reader reports it with the value's position.
    virtual void DefineProperty(const std::string& name, ValueReader reader, ValueWriter writer,
                                bool hasData) = 0;
    // A block of bytes. The reader gets a stream holding exactly the stored bytes, positioned at
    // 0; the writer fills an empty stream whose whole content is stored.
    virtual void DefineBinaryProperty(const std::string& name, StreamReader reader,
                                      StreamWriter writer, bool hasData) = 0;
};

}  // namespace kiv
