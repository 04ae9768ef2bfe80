#include "controls/SysImageList.h"

#include "platform/base/TextCodec.h"
#include "platform/os/ShellIcons.h"
#include "platform/ui/ImageList.h"

#include <cctype>
#include <cstring>

CImageList* CSysImageList::s_smallList = nullptr;
CImageList* CSysImageList::s_largeList = nullptr;
int CSysImageList::s_instanceCount = 0;

CSysImageList::CSysImageList() {
    if (s_instanceCount == 0) {
        Attach(s_smallList, true);
        Attach(s_largeList, false);
    }
    ++s_instanceCount;
}

CSysImageList::~CSysImageList() {
    if (--s_instanceCount == 0) {
        // The lists belong to the shell: they are only let go.
        s_largeList = nullptr;
        s_smallList = nullptr;
    }
}

void CSysImageList::Attach(CImageList*& list, bool small) {
    if (list)
        return;
    // Asking for ".txt" makes sure the lists exist and hold at least one icon.
    vq::ShellIconIndex(".txt", false);
    list = vq::ShellIconList(small);
    list->SetBkColor(CLR_NONE);
}

int CSysImageList::GetIconIndex(const CString& fileName, BOOL open, BOOL) {
    return vq::ShellIconIndex(fileName, open != FALSE);
}

CImageList* CSysImageList::GetImageList(BOOL small) {
    return small ? s_smallList : s_largeList;
}

int CompareStringPtr(const CString* a, const CString* b) {
    const std::string x = vq::Utf8ToGbk(a->str()), y = vq::Utf8ToGbk(b->str());
    // First without regard to case, then lower case before upper case.
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int cx = std::tolower(static_cast<unsigned char>(x[i]));
        const int cy = std::tolower(static_cast<unsigned char>(y[i]));
        if (cx != cy)
            return cx < cy ? -1 : 1;
    }
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    for (std::size_t i = 0; i < n; ++i) {
        const bool lx = std::islower(static_cast<unsigned char>(x[i])) != 0;
        const bool ly = std::islower(static_cast<unsigned char>(y[i])) != 0;
        if (lx != ly)
            return lx ? -1 : 1;
    }
    return 0;
}
