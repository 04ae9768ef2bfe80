#include "parts/PartFilterCondition.h"

#include "core/RegExp.h"
#include "core/Settings.h"
#include "platform/base/Profile.h"
#include "platform/base/TextCodec.h"

namespace {

constexpr const char* kSection = "零部件过滤";
constexpr const char* kKey = "过滤比较条件";
constexpr const char* kSeparator = "&&";

bool ConditionMatches(const PartFilterCondition& condition, const CString& code, const CString& name,
                      const CString& remark) {
    CString text = condition.item == 0 ? code : condition.item == 1 ? name : remark;
    text.MakeUpper();
    const CString& op = condition.op;
    bool match = true;
    if (op == "等于" || op == "不等") {
        match = text.CompareNoCase(condition.value) == 0;
    } else if (op == "近似" || op == "不近似") {
        CString pattern;
        pattern.Format("^%s", condition.value);
        CRegExp regExp;
        match = regExp.Compile(pattern) != nullptr && regExp.Find(text) >= 0;
    } else if (op == "含" || op == "不含") {
        CString value = condition.value;
        value.MakeUpper();
        match = text.Find(value) >= 0;
    }
    if (op.Find("不") >= 0)
        match = !match;
    return match;
}

} // namespace

int PartFilterItemIndex(const CString& itemText) {
    for (int i = 0; i < kPartFilterItemCount; ++i) {
        if (itemText == kPartFilterItems[i])
            return i;
    }
    return -1;
}

int PartFilterItemNumber(const CString& itemText) {
    int index = PartFilterItemIndex(itemText);
    return index >= 0 && index <= 2 ? index : -1;
}

std::vector<PartFilterText> ParsePartFilterList(const CString& stored) {
    std::vector<PartFilterText> result;
    if (stored.IsEmpty())
        return result;
    std::vector<CString> pieces;
    CString rest = stored;
    for (int at = rest.Find(kSeparator); at >= 0; at = rest.Find(kSeparator)) {
        pieces.push_back(rest.Left(at));
        rest = rest.Mid(at + 2);
    }
    pieces.push_back(rest);
    for (const CString& piece : pieces) {
        int open = piece.Find('[');
        if (open < 0)
            continue;
        PartFilterText condition;
        condition.item = piece.Left(open);
        int close = piece.Find("]<", open);
        if (close >= 0) {
            condition.value = piece.Mid(open + 1, close - open - 1);
            CString op = piece.Mid(close + 2);
            condition.op = op.Left(op.GetLength() - 1 > 0 ? op.GetLength() - 1 : 0);
        } else {
            CString value = piece.Mid(open + 1);
            condition.value = value.Left(value.GetLength() - 1 > 0 ? value.GetLength() - 1 : 0);
            condition.op = "含";
        }
        result.push_back(condition);
    }
    return result;
}

CString FormatPartFilterList(const std::vector<PartFilterText>& conditions) {
    CString stored;
    for (const PartFilterText& condition : conditions) {
        CString value = condition.value;
        value.Trim();
        CString one;
        one.Format("%s[%s]<%s>", condition.item, value, condition.op);
        if (!stored.IsEmpty())
            stored += kSeparator;
        stored += one;
    }
    return stored;
}

std::vector<PartFilterCondition> MakePartFilterConditions(const std::vector<PartFilterText>& conditions) {
    std::vector<PartFilterCondition> result;
    for (const PartFilterText& text : conditions) {
        PartFilterCondition condition;
        condition.item = PartFilterItemNumber(text.item);
        condition.value = text.value;
        condition.op = text.op;
        result.push_back(condition);
    }
    return result;
}

bool PartFilterListFits(const CString& stored) {
    return static_cast<int>(vq::Utf8ToGbk(std::string(stored.c_str())).size()) <= kPartFilterMaxStoredLength;
}

std::vector<PartFilterText> LoadPartFilterList() {
    CString path = GetSettingsFilePath();
    if (path.IsEmpty())
        return {};
    // The key is read as into a buffer of 512 bytes of the file's code page.
    CString value = vq::ReadProfileString(kSection, kKey, "", path);
    return ParsePartFilterList(CString(vq::TruncateToGbkBytes(value.str(), kPartFilterMaxStoredLength)));
}

BOOL StorePartFilterList(const std::vector<PartFilterText>& conditions) {
    CString stored = FormatPartFilterList(conditions);
    if (!PartFilterListFits(stored))
        return FALSE;
    return WriteSetting(kSection, kKey, stored);
}

bool PartFilterApplies(const PartFilterCondition& condition) {
    return condition.item >= 0 && condition.item <= 2;
}

int MatchPartFilter(const std::vector<PartFilterCondition>& conditions, const CString& code,
                    const CString& name, const CString& remark) {
    bool first = true;
    for (auto it = conditions.rbegin(); it != conditions.rend(); ++it) {
        if (!PartFilterApplies(*it))
            continue;
        bool counts = first || it->connective == "OR";
        first = false;
        if (counts && ConditionMatches(*it, code, name, remark))
            return 1;
    }
    return 0;
}
