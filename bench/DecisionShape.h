// The change task the decision benchmark decides, with what a real one holds around it, and a plain
// work of as many documents as the baseline. Shared by this build's decision benchmark and the
// program it measures the previous build with (bench/PreviousDecisionBench.cpp, which bench/run
// builds from the previous build's source with this file beside it): both decide the same rows. It
// uses nothing the data layer has not had for long, so that it compiles with an earlier source too.
//
// The change order EC-1 has `parts` parts. Its change task EC-1[M]#001 holds, as a real order's:
//   - per part its drawing, and a second document of the part (a report or a second drawing sheet
//     in turn), each under review at the first step of a two-level path, with its level row;
//   - the order's sheet, which has passed its levels already;
//   - per document an opinion of the designer's colleague (TeamWorkAdvise) and the notice that asked
//     the reviewer for it (MessageManage, unread); per part a note on its drawing and one on the
//     task (RelateMessage);
//   - the order's modification notice itself (ECOModifyManage), its parts (ECOModifyPart: what the
//     levels wait for), its documents (ECORelateFile: the notice's own, and per part the drawing and
//     the second document), a change label per drawing (ECOFileChangeLabel) and its review steps
//     with their opinions (ECOAuditManage).
// The plain work XM-1[M]#002 holds the same documents of the same parts, without a change order.
#pragma once

#include "platform/db/Ado.h"
#include "platform/db/Command.h"

#include <algorithm>
#include <string>
#include <vector>

namespace bench {

constexpr const char* kChangeTask = "EC-1[M]#001";
constexpr const char* kPlainWork = "XM-1[M]#002";

// Inserts the rows through one prepared statement, a thousand rows to an array.
inline void Insert(const _ConnectionPtr& conn, const char* sql,
                   const std::vector<std::vector<_variant_t>>& rows) {
    _CommandPtr cmd;
    cmd.CreateInstance();
    cmd->PutActiveConnection(conn);
    cmd->PutCommandText(sql);
    cmd->PutCommandType(adCmdText);
    cmd->PutPrepared(true);
    for (std::size_t from = 0; from < rows.size(); from += 1000)
        cmd->ExecuteArray(std::vector<std::vector<_variant_t>>(
            rows.begin() + static_cast<long>(from),
            rows.begin() + static_cast<long>(std::min(rows.size(), from + 1000))));
}

inline CString FileId(const char* work, int i) {
    return CString(std::string(work).substr(0, 4) + "F-" + std::to_string(i));
}

// Document i of a work: below `parts` the drawing of part i, then a second document of part
// i - parts, a report or a second drawing sheet in turn.
inline CString PartOf(int i, int parts) {
    return CString("P-" + std::to_string(i < parts ? i : i - parts));
}
inline CString FileNameOf(int i, int parts) {
    if (i < parts)
        return CString("p" + std::to_string(i) + ".dwg");
    return CString("p" + std::to_string(i - parts) + ((i - parts) % 2 == 0 ? ".doc" : "-2.dwg"));
}
inline CString PromptOf(int i, int parts) {
    return CString(i < parts || (i - parts) % 2 != 0 ? "零件图" : "技术要求");
}

// Fills an empty product database with the shape above: 2 * parts documents per work.
inline void Generate(const _ConnectionPtr& conn, int parts) {
    const int documents = parts * 2;
    conn->BeginTrans();
    conn->Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), ('lisi', "
                  "'李四'), ('wangwu', '王五'), ('zhaoliu', '赵六')");
    conn->Execute(
        "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('两级', '混合', "
        "'审核(40,20)|*|批准(40,110)')");
    conn->Execute(
        "INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('EC-1', 'EC-1[M]#001', "
        "'zhangsan', '更改任务'), ('XM-1', 'XM-1[M]#002', 'zhangsan', '设计工作')");
    conn->Execute(
        "INSERT INTO ECOModifyManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ValidDate, ValidType, "
        "Department, Resion, Remark, AuditingType, AuditingModel, AuditorName, Content, AffectNo) VALUES "
        "('EC-1', '普通', '张三', '2026-11-21 11:00', '评审', '2026-12-01', '起', '工艺室', '加工困难', '', "
        "'按单', '两级', 'lisi|*|wangwu', '改蓝图', '')");
    conn->Execute(
        "INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditingType, AuditName, Auditor, BeginTime, "
        "FinishTime, AuditResult, AuditRemark, AuditState, AuditManager) VALUES ('修改单', 'EC-1', '按单', "
        "'审核', 'lisi', '2026-11-21', '2026-11-22', '不通过', '零件清单不全', '完成', 'lisi'), ('修改单', "
        "'EC-1', '按单', '审核', 'lisi', '2026-11-23', '2026-11-23', '通过', '同意', '完成', 'lisi'), "
        "('修改单', 'EC-1', '按单', '批准', 'wangwu', '2026-11-23', '2026-11-24', '通过', '同意', '完成', "
        "'wangwu')");
    conn->Execute(
        "INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType, Other1, "
        "DocSaved, Other4) VALUES ('修改单', 'EC-1', '_VQ_ECO', 'EC-1.doc', '24', 'Word 文档', "
        "'2026-11-21 11:00', '', '')");
    conn->Execute("INSERT INTO RelateMessage (Code, Type, Topic, Saver, SaveTime, Content) VALUES ('EC-1', "
                  "'任务', '加工困难', 'zhangsan', '2026-11-21 11:30:00', '按修改单改蓝图。')");
    std::vector<std::vector<_variant_t>> results, steps, orderParts, levels, opinions, notices, notes, files,
        labels;
    for (const char* work : {kChangeTask, kPlainWork}) {
        const bool changeTask = CString(work) == kChangeTask;
        for (int i = 0; i < documents; ++i) {
            const CString file = FileId(work, i);
            const CString part = PartOf(i, parts);
            const CString name = FileNameOf(i, parts);
            results.push_back({file, CString(work), part, name, CString(""), PromptOf(i, parts)});
            steps.push_back({file});
            opinions.push_back({file, CString(i % 2 == 0 ? "按标准件库核对" : "尺寸已复核")});
            notices.push_back({CString("辛苦了， 需要您对工作文档 " + std::string(PromptOf(i, parts).str()) +
                                       " [" + file.str() + "] 进行 审核")});
            if (!changeTask)
                continue;
            levels.push_back({file, CString("N"), 0L});
            // The notice names each of its documents by its part (as "箱盖零件图").
            files.push_back({CString(part.str() + (i < parts ? "零件图" : "技术文件")), name,
                             CString(i < parts ? "AutoCAD 图形" : "Word 文档")});
            if (i < parts) {
                orderParts.push_back({part});
                notes.push_back({part});
                labels.push_back({CString(part.str() + "零件图"), part});
            }
        }
    }
    // The order's sheet has passed its levels already.
    results.push_back({CString("EC-SH"), CString(kChangeTask), CString(""), CString("sheet.tbl"),
                       CString("_ECO"), CString("更改单")});
    levels.push_back({CString("EC-SH"), CString("Y"), 2L});
    Insert(conn,
           "INSERT INTO TeamWorkResult (FileID, WorkID, PartCode, FileName, Other4, FilePrompt, State, "
           "AuditingModel, AuditorName, AuditingType) VALUES (?, ?, ?, ?, ?, ?, '评审', '两级', "
           "'lisi|*|wangwu', '混合')",
           results);
    Insert(conn,
           "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, State, Manager, Working) "
           "VALUES (?, '审核', 'lisi', '2026-12-01 10:00', '未完成', 'lisi', 'F')",
           steps);
    Insert(conn,
           "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName, Result, Other1, Other2, Other3) VALUES "
           "('EC-1', ?, '零件', '修改', 'a', '1', '0')",
           orderParts);
    Insert(
        conn,
        "INSERT INTO ECOAuditLevel (ECOTaskNo, FileID, IsECOFile, CurrentAuditLevel, MaxAuditLevel) VALUES "
        "('EC-1[M]#001', ?, ?, ?, 2)",
        levels);
    Insert(conn,
           "INSERT INTO TeamWorkAdvise (FileID, UserName, SaveDate, Advise) VALUES (?, 'zhaoliu', "
           "'2026-11-30 16:00:00', ?)",
           opinions);
    Insert(
        conn,
        "INSERT INTO MessageManage (Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, Content, "
        "ReadFlag) VALUES ('系统', 'lisi', '2026-12-01 10:00:00', '2026-12-01', '127.0.0.1', '系统工作消息', "
        "?, 'N')",
        notices);
    Insert(conn,
           "INSERT INTO RelateMessage (Code, Type, Topic, Saver, SaveTime, Content) VALUES (?, '图纸', "
           "'铸造圆角', 'zhangsan', '2026-11-20 15:10:00', '未注铸造圆角R3~R5。')",
           notes);
    Insert(conn,
           "INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType, Other1, "
           "DocSaved, Other4) VALUES ('修改单', 'EC-1', ?, ?, '4', ?, '2026-11-21 10:40', '', '')",
           files);
    Insert(conn,
           "INSERT INTO ECOFileChangeLabel (ECOGroup, ECONo, DocType, ChangeLabel, ChangeArea, ChangeCount, "
           "FileSerial, Changer, ChangeDate, Resion, Content, Remark, LeftX, LeftY, RightX, RightY) VALUES "
           "('修改单', 'EC-1', ?, '1', 'A2', '1', ?, '张三', '2026-11-21', '加工困难', '倒角改为C2', '', "
           "'90.000000', '90.000000', '210.000000', '180.000000')",
           labels);
    conn->CommitTrans();
}

} // namespace bench
