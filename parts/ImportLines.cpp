#include "parts/ImportLines.h"

#include <cstdint>
#include <cstring>
#include <iterator>

namespace {

// Every field of a line, in the order of the packed record: the item number first (a fixed
// place, so that SetItem writes in place), the other numbers as variable-length integers (most are
// 0, 1 or small), the reals (left out when zero), then which texts are not empty and those texts,
// each as its length and its bytes. A line of a large file takes some sixty bytes.
constexpr int CProductStructItem::*kNumbers[] = {
    &CProductStructItem::m_nNumber1,  &CProductStructItem::m_nQuantity, &CProductStructItem::m_nNumber16,
    &CProductStructItem::m_nNumber17, &CProductStructItem::m_nFlag24,   &CProductStructItem::m_nFlag25,
    &CProductStructItem::m_nFlag26};
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

static_assert(std::size(kTexts) <= 64, "the texts present are one bit each of a 64-bit mask");

constexpr std::size_t kBlockSize = 256u << 10;

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

// Whole numbers as variable-length integers, the sign folded into the lowest bit.
void PutNumber(std::string& out, long long n) {
    PutLength(out, (static_cast<std::size_t>(n) << 1) ^ static_cast<std::size_t>(n >> 63));
}

long long TakeNumber(const char*& p) {
    const std::size_t z = TakeLength(p);
    return static_cast<long long>(z >> 1) ^ -static_cast<long long>(z & 1);
}

// A real of all zero bits (0.0, not -0.0) is left out of the record.
bool IsZero(double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits == 0;
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
    PutValue(record, item->m_nItem);
    for (auto number : kNumbers)
        PutNumber(record, item->*number);
    PutLength(record, item->m_dwNumber27);
    unsigned zeros = 0;
    for (std::size_t k = 0; k < std::size(kReals); ++k)
        zeros |= IsZero(item->*kReals[k]) ? 1u << k : 0u;
    record += static_cast<char>(zeros);
    for (std::size_t k = 0; k < std::size(kReals); ++k)
        if (!(zeros & (1u << k)))
            PutValue(record, item->*kReals[k]);
    std::size_t present = 0;
    for (std::size_t k = 0; k < std::size(kTexts); ++k)
        present |= (item->*kTexts[k]).IsEmpty() ? 0 : std::size_t(1) << k;
    PutLength(record, present);
    for (std::size_t k = 0; k < std::size(kTexts); ++k) {
        if (!(present & (std::size_t(1) << k)))
            continue;
        const CString& value = item->*kTexts[k];
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
    item.m_nItem = TakeValue<int>(p);
    for (auto number : kNumbers)
        item.*number = static_cast<int>(TakeNumber(p));
    item.m_dwNumber27 = static_cast<DWORD>(TakeLength(p));
    const unsigned zeros = static_cast<unsigned char>(*p++);
    for (std::size_t k = 0; k < std::size(kReals); ++k)
        item.*kReals[k] = zeros & (1u << k) ? 0.0 : TakeValue<double>(p);
    const std::size_t present = TakeLength(p);
    for (std::size_t k = 0; k < std::size(kTexts); ++k) {
        if (!(present & (std::size_t(1) << k))) {
            (item.*kTexts[k]).Empty();
            continue;
        }
        const std::size_t length = TakeLength(p);
        item.*kTexts[k] = CString(std::string(p, length));
        p += length;
    }
}

void CImportLines::SetItem(int index, int item) {
    std::memcpy(RecordData(index), &item, sizeof item); // the record's first field
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
