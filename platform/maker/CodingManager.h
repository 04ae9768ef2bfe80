// The maker's coding manager library: hands out new drawing numbers.
//
// The library is outside the system. On this platform it is a shared library named in the
// settings file, section "编码管理", key "编码库文件" (a full path, or a path below the
// installation folder). It is loaded when a new number is asked for. Two things of it are used:
//
//   - the symbol "RizOzaREVaruvoVoziru" only tells that the library is recent enough;
//   - the function "VqpdmcodNewCode", with C linkage:
//         extern "C" void VqpdmcodNewCode(CString* code);
//     It receives an empty text and fills it with a new drawing number, or leaves it empty when
//     it produced none (the person cancelled its own dialog, for example).
//
// Tests replace the library with their own object (SetCodingManager).
#pragma once

#include "platform/base/String.h"

namespace vq {

class CodingManager {
public:
    virtual ~CodingManager() = default;
    // Whether the library could be loaded (false: nothing is called).
    virtual bool IsLoaded() = 0;
    // Whether the loaded library exports the version name "RizOzaREVaruvoVoziru".
    virtual bool HasVersionExport() = 0;
    // Asks the library for a new drawing number; code is emptied first and stays empty when the
    // library produced none.
    virtual void NewCode(CString& code) = 0;
};

// The coding manager in use: the one set with SetCodingManager, else the configured library.
CodingManager& ActiveCodingManager();
// Sets the coding manager in use (nullptr: back to the configured library); returns the old one.
CodingManager* SetCodingManager(CodingManager* manager);

} // namespace vq
