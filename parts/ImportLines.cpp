#include "parts/ImportLines.h"

#include <cstring>

namespace {

// Every field of a line, in the order of the packed record: the numbers first (fixed places, so
// that SetItem writes in place), then the texts, each as its length and its bytes.
constexpr int CProductStructItem::*kNumbers[] = {
    &CProductStructItem::m_nNumber1,  &CProductStructItem::m_nItem,     &CProductStructItem::m_nQuantity,
    &CProductStructItem::m_nNumber16, &CProductStructItem::m_nNumber17, &CProductStructItem::m_nFlag24,
    &CProductStructItem::m_nFlag25,   &CProductStructItem::m_nFlag26};
constexpr std::size_t kItemPlace = sizeof(int); // m_nItem, the second number
constexpr double CProductStructItem::*kReals[] = {&CProductStructItem::m_dWeight,
                                                  &CProductStructItem::m_dNumber32};
constexpr CString CProductStructItem::*kTexts[] = {
    &CProductStructItem::m_strText1,       &CProductStructItem::m_strTitleOther1,
    &CProductStructItem::m_strTitleOther2, &CProductStructItem::m_strText4,
    &CProductStructItem::m_strFrame,       &CProductStructItem::m_strText6,
    &CProductStructItem::m_strOwnerCode,   &CProductStructItem::m_strUpCode,
    &CProductStructItem::m_strUpName,      &CProductStructItem::m_strCode,
    &CProductStructItem::m_strName,        &CProductStructItem::m_strMaterial,
    &CProductStructItem::m_strRemark,      &CProductStructItem::m_strStyle,
    &CProductStructItem::m_strStand,       &CProductStructItem::m_strOther1,
    &CProductStructItem::m_strOther2,      &CProductStructItem::m_strTitleOther3,
    &CProductStructItem::m_strTitleOther4, &CProductStructItem::m_strTitleOther5,
    &CProductStructItem::m_strText31,      &CProductStructItem::m_strText33,
    &CProductStructItem::m_strText34,      &CProductStructItem::m_strText35,
    &CProductStructItem::m_strText36};
// A field added to the line must be packed too.
static_assert(sizeof(CProductStructItem) == 872, // on LP64: the fields below and padding
              "CProductStructItem has a field that CImportLines does not pack");

constexpr std::size_t kBlockSize = 1u << 20;

void PutLength(std::string& out, std::size_t n) {
    while (n >= 0x80) {
        out += static_cast<char>((n & 0x7f) | 0x80);
        n >>= 7;
    }
    out += static_cast<char>(n);
}

std::size_t TakeLength(const char*& p) {
    std::size_t n = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char c = static_cast<unsigned char>(*p++);
        n |= static_cast<std::size_t>(c & 0x7f) << shift;
        if (!(c & 0x80))
            return n;
    }
}

template <class T> void PutValue(std::string& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <class T> T TakeValue(const char*& p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    p += sizeof value;
    return value;
}

} // namespace

void CImportLines::Add(CProductStructItem* item) {
    std::string record;
    for (auto number : kNumbers)
        PutValue(record, item->*number);
    PutValue(record, item->m_dwNumber27);
    for (auto real : kReals)
        PutValue(record, item->*real);
    for (auto text : kTexts) {
        const CString& value = item->*text;
        PutLength(record, static_cast<std::size_t>(value.GetLength()));
        record.append(value.c_str(), static_cast<std::size_t>(value.GetLength()));
    }
    delete item;
    // Blocks are filled and never grown beyond what they reserved: records stay in place.
    if (m_blocks.empty() || m_blocks.back().size() + record.size() > m_blocks.back().capacity()) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(std::max(kBlockSize, record.size()));
    }
    std::string& block = m_blocks.back();
    m_records.push_back(
        {static_cast<std::uint32_t>(m_blocks.size() - 1), static_cast<std::uint32_t>(block.size())});
    block += record;
}

void CImportLines::RemoveAll() {
    m_views.clear();
    m_records.clear();
    m_records.shrink_to_fit();
    m_blocks.clear();
    m_blocks.shrink_to_fit();
}

const char* CImportLines::RecordData(int index) const {
    const Record& r = m_records.at(static_cast<std::size_t>(index));
    return m_blocks[r.block].data() + r.offset;
}

char* CImportLines::RecordData(int index) {
    const Record& r = m_records.at(static_cast<std::size_t>(index));
    return m_blocks[r.block].data() + r.offset;
}

void CImportLines::Get(int index, CProductStructItem& item) const {
    const char* p = RecordData(index);
    for (auto number : kNumbers)
        item.*number = TakeValue<int>(p);
    item.m_dwNumber27 = TakeValue<DWORD>(p);
    for (auto real : kReals)
        item.*real = TakeValue<double>(p);
    for (auto text : kTexts) {
        const std::size_t length = TakeLength(p);
        item.*text = CString(std::string(p, length));
        p += length;
    }
}

void CImportLines::SetItem(int index, int item) {
    std::memcpy(RecordData(index) + kItemPlace, &item, sizeof item);
    if (auto view = m_views.find(index); view != m_views.end())
        view->second->m_nItem = item;
}

CObject* CImportLines::operator[](int index) const {
    auto& view = m_views[index];
    if (!view) {
        view = std::make_unique<CProductStructItem>();
        Get(index, *view);
    }
    return view.get();
}
