// The Word signing server: an automation server that writes texts into named bookmarks of a Word
// document in place. Linux has no Word automation; a signing program (or a test) that offers one
// registers it as the outside object kWordSignServer (platform/com/OutsideObjects.h). Without
// one, signing a Word document fails with the signer's own message.
#pragma once

#include "platform/base/String.h"
#include "platform/com/OutsideObjects.h"

namespace vq {

constexpr const char* kWordSignServer = "RuziRare.RuziRareMark";

class WordSignServer : public OutsideObject {
public:
    // Writes values[i] into bookmark bookmarks[i] of the document at path; both lists are joined
    // by "@@" in matching order. False when the document could not be signed.
    virtual bool MarkBookmarks(const CString& path, const CString& values, const CString& bookmarks) = 0;
};

} // namespace vq
