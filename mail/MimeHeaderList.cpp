#include "mail/MimeHeaderList.h"

int CMimeHeaderList::Add(const CString& name, const CString& value) {
    Names.push_back(name);
    Values.push_back(value);
    return 1;
}

int CMimeHeaderList::Remove(const CString& name) {
    for (std::size_t i = 0; i < Names.size(); ++i) {
        if (Names[i] == name) {
            Names.erase(Names.begin() + static_cast<std::ptrdiff_t>(i));
            Values.erase(Values.begin() + static_cast<std::ptrdiff_t>(i));
            return 1;
        }
    }
    return 0;
}

bool CMimeHeaderList::Has(const CString& name) const {
    for (const CString& each : Names)
        if (each == name)
            return true;
    return false;
}
