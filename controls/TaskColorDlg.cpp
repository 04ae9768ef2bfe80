#include "controls/TaskColorDlg.h"

#include "core/Settings.h"
#include "platform/ui/DataExchange.h"

const CTaskColorDlg::StateColor CTaskColorDlg::kStates[kStateCount] = {
    {"正常未开始", 8289918, 1038}, {"逾期未完成", 255, 1036}, {"评审", 24320, 1039},
    {"评审-更改", 32456, 1037},    {"归档", 8257662, 1035},   {"归档-更改", 16743936, 1034},
    {"已归档", 16777086, 1033}};

namespace {

vq::ControlTemplate ColorButton(int id, const char* text) {
    vq::ControlTemplate button = vq::PushButton(id, text, vq::kBeside);
    button.style = (button.style & ~BS_TYPEMASK) | BS_OWNERDRAW;
    button.rect = CRect(0, 0, 130, 24); // the swatch, the longest state name and the arrow
    return button;
}

const vq::DialogTemplate kTaskColorTemplate{
    "配置任务项显示颜色",
    {vq::Label("正常未开始状态任务颜色"), ColorButton(1038, "未开始"), vq::Label("逾期未完成状态任务颜色"),
     ColorButton(1036, "逾期"), vq::Label("评审状态任务颜色"), ColorButton(1039, "评审"),
     vq::Label("评审更改状态任务颜色"), ColorButton(1037, "评审更改"), vq::Label("归档状态任务颜色"),
     ColorButton(1035, "归档"), vq::Label("归档更改状态任务颜色"), ColorButton(1034, "归档更改"),
     vq::Label("已归档状态任务颜色"), ColorButton(1033, "已归档"), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消")}};

const vq::TemplateRegistration kTaskColorRegistration(CTaskColorDlg::IDD, kTaskColorTemplate);

} // namespace

CTaskColorDlg::CTaskColorDlg(CWnd* parent) : CDialog(IDD, parent) {}

void CTaskColorDlg::DoDataExchange(CDataExchange* pDX) {
    for (int i = 0; i < kStateCount; ++i)
        DDX_Control(pDX, kStates[i].buttonId, m_buttons[i]);
}

BOOL CTaskColorDlg::OnInitDialog() {
    for (int i = 0; i < kStateCount; ++i) {
        CString def;
        def.Format("%d", static_cast<int>(kStates[i].defaultColor));
        m_colors[i] = ReadSettingInt(kSection, kStates[i].key, def);
    }
    CDialog::OnInitDialog();
    for (int i = 0; i < kStateCount; ++i) {
        m_buttons[i].SetColor(static_cast<COLORREF>(m_colors[i]));
        m_buttons[i].SetHotBkColor(RGB(220, 220, 220), FALSE);
    }
    return TRUE;
}

void CTaskColorDlg::OnOK() {
    for (int i = 0; i < kStateCount; ++i) {
        m_colors[i] = static_cast<int>(m_buttons[i].GetColor());
        CString value;
        value.Format("%d", m_colors[i]);
        WriteSetting(kSection, kStates[i].key, value);
    }
    EndDialog(IDOK);
}
