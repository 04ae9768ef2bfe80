// The registry of outside objects: libraries and automation servers that the system loads by
// name on Windows and that have no counterpart on Linux. A program (or a test) registers a
// factory under the name; the code that would load the library asks the registry instead and
// treats an unregistered name as a library that cannot be loaded.
#pragma once

#include "platform/base/String.h"

#include <functional>
#include <memory>

namespace vq {

class OutsideObject {
public:
    virtual ~OutsideObject() = default;
};

using OutsideObjectFactory = std::function<std::unique_ptr<OutsideObject>()>;

// Registers factory under name (letter case ignored) and returns the factory it replaces; an
// empty factory removes the name.
OutsideObjectFactory RegisterOutsideObject(const CString& name, OutsideObjectFactory factory);

// A new object from the factory registered under name; null when there is none.
std::unique_ptr<OutsideObject> CreateOutsideObject(const CString& name);

} // namespace vq
