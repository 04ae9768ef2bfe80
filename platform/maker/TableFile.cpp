#include "platform/maker/TableFile.h"

#include "platform/base/File.h"

namespace {

constexpr const char* kSignature = "VQTBL 1";

CString Unescape(const CString& text) {
    const std::string& s = text.str();
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        char next = s[++i];
        switch (next) {
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        case 'e':
            break;
        default: // an unknown escape keeps both characters
            out += '\\';
            out += next;
            break;
        }
    }
    return CString(out);
}

CString Escape(const CString& text) {
    std::string out;
    const std::string& s = text.str();
    for (char c : s) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return CString(out);
}

// Splits a line at TABs and unescapes each piece.
void SplitFields(const CString& line, CStringArray& fields) {
    fields.RemoveAll();
    const std::string& s = line.str();
    std::size_t start = 0;
    while (true) {
        std::size_t tab = s.find('\t', start);
        fields.Add(
            Unescape(CString(s.substr(start, tab == std::string::npos ? std::string::npos : tab - start))));
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
}

// A line of fields; a line that would read as blank, a comment or a section is protected.
CString JoinFields(const CStringArray& fields) {
    CString line;
    for (int i = 0; i < fields.GetSize(); ++i) {
        if (i)
            line += '\t';
        line += Escape(fields[i]);
    }
    if (line.IsEmpty() || line[0] == '[' || line[0] == '#' ||
        line.str().find_first_not_of(' ') == std::string::npos)
        line = "\\e" + line;
    return line;
}

} // namespace

int CAttribValueTable::GetAttribLableRecord(CStringArray& labels) const {
    labels.Copy(m_labels);
    return labels.GetSize();
}

int CAttribValueTable::GetAttribValueRecord(int row, CStringArray& values) const {
    values.RemoveAll();
    if (row < 0 || row >= GetTableLogicSize())
        return 0;
    values.Copy(m_rows[row]);
    return values.GetSize();
}

void CAttribValueTable::AddAttribValueRecord(const CStringArray& values) {
    m_rows.Add(values);
}

bool CVQReadTblTool::Parse() {
    m_arrTitleItemIDs.RemoveAll();
    m_arrTitleItemValues.RemoveAll();
    m_arrDetailTables.RemoveAll();
    m_arrDetailIDs.RemoveAll();
    m_arrDetailNames.RemoveAll();

    CStdioFile file;
    if (m_strTblFile.IsEmpty() || !file.Open(m_strTblFile, CFile::modeRead))
        return false;
    enum class Area { None, Title, Detail };
    Area area = Area::None;
    bool signature = false;
    bool labelsRead = false;
    CString line;
    CStringArray fields;
    bool ok = true;
    while (file.ReadString(line)) {
        if (!line.IsEmpty() && line[line.GetLength() - 1] == '\r')
            line = line.Left(line.GetLength() - 1);
        if (!signature) {
            if (line.IsEmpty())
                continue;
            if (CString(line).Trim() != kSignature) {
                ok = false;
                break;
            }
            signature = true;
            continue;
        }
        if (line.IsEmpty() || line[0] == '#')
            continue;
        if (line[0] == '[' && line[line.GetLength() - 1] == ']') {
            CString head = line.Mid(1, line.GetLength() - 2);
            if (head.CompareNoCase("TITLE") == 0) {
                area = Area::Title;
                continue;
            }
            if (head.Left(6).CompareNoCase("DETAIL") == 0 && (head.GetLength() == 6 || head[6] == ' ')) {
                area = Area::Detail;
                labelsRead = false;
                CString rest = head.Mid(6).TrimLeft(' ');
                int tab = rest.Find('\t');
                m_arrDetailIDs.Add(Unescape(tab < 0 ? rest : rest.Left(tab)));
                m_arrDetailNames.Add(tab < 0 ? CString() : Unescape(rest.Mid(tab + 1)));
                m_arrDetailTables.Add(CAttribValueTable());
                continue;
            }
            ok = false; // an unknown section: not a file of this format
            break;
        }
        switch (area) {
        case Area::None:
            ok = false;
            break;
        case Area::Title: {
            int tab = line.Find('\t');
            m_arrTitleItemIDs.Add(Unescape(tab < 0 ? line : line.Left(tab)));
            m_arrTitleItemValues.Add(tab < 0 ? CString() : Unescape(line.Mid(tab + 1)));
            break;
        }
        case Area::Detail: {
            SplitFields(line, fields);
            CAttribValueTable& table = m_arrDetailTables[m_arrDetailTables.GetUpperBound()];
            if (!labelsRead) {
                table.SetAttribLables(fields);
                labelsRead = true;
            } else {
                table.AddAttribValueRecord(fields);
            }
            break;
        }
        }
        if (!ok)
            break;
    }
    file.Close();
    return ok && signature;
}

int CVQReadTblTool::GetTitleItemIDAndValue() {
    return Parse() ? 1 : 0;
}

int CVQReadTblTool::GetDetailDefineDataAndValue() {
    // Both reads parse the whole file; each leaves every array filled from this read.
    return Parse() ? 1 : 0;
}

int CVQReadTblTool::SetTitleDataBySrc(const CString& cellPath, const CString& value) {
    if (m_nLoaded < 0)
        m_nLoaded = Parse() ? 1 : 0;
    if (m_nLoaded == 0 || cellPath.IsEmpty())
        return 0;
    for (int i = 0; i < m_arrTitleItemIDs.GetSize(); ++i) {
        if (m_arrTitleItemIDs[i] == cellPath) {
            while (m_arrTitleItemValues.GetSize() <= i)
                m_arrTitleItemValues.Add(CString());
            m_arrTitleItemValues[i] = value;
            return 1;
        }
    }
    while (m_arrTitleItemValues.GetSize() < m_arrTitleItemIDs.GetSize())
        m_arrTitleItemValues.Add(CString());
    m_arrTitleItemIDs.Add(cellPath);
    m_arrTitleItemValues.Add(value);
    return 1;
}

int CVQReadTblTool::Serialize(int mode, const CString& path) {
    if (mode != 1 || path.IsEmpty())
        return 0;
    if (m_nLoaded < 0)
        m_nLoaded = Parse() ? 1 : 0;
    if (m_nLoaded == 0)
        return 0;
    return WriteTableFile(path, m_arrTitleItemIDs, m_arrTitleItemValues, m_arrDetailTables, m_arrDetailIDs,
                          m_arrDetailNames)
               ? 1
               : 0;
}

BOOL WriteTableFile(const CString& path, const CStringArray& titleIds, const CStringArray& titleValues,
                    const CArray<CAttribValueTable>& tables, const CStringArray& tableIds,
                    const CStringArray& tableNames) {
    CString out = CString(kSignature) + "\n[TITLE]\n";
    for (int i = 0; i < titleIds.GetSize(); ++i) {
        CStringArray pair;
        pair.Add(titleIds[i]);
        pair.Add(i < titleValues.GetSize() ? titleValues[i] : CString());
        out += JoinFields(pair) + "\n";
    }
    for (int t = 0; t < tables.GetSize(); ++t) {
        CString id = t < tableIds.GetSize() ? tableIds[t] : CString();
        if (id.IsEmpty())
            id.Format("%d", t + 1);
        CString name = t < tableNames.GetSize() ? tableNames[t] : CString();
        out += "[DETAIL " + Escape(id) + (name.IsEmpty() ? CString() : "\t" + Escape(name)) + "]\n";
        CStringArray fields;
        tables[t].GetAttribLableRecord(fields);
        out += JoinFields(fields) + "\n";
        for (int r = 0; r < tables[t].GetTableLogicSize(); ++r) {
            tables[t].GetAttribValueRecord(r, fields);
            out += JoinFields(fields) + "\n";
        }
    }
    return vq::ReplaceFileContent(path, vq::TextFileBytes(out.str())) ? TRUE : FALSE;
}
