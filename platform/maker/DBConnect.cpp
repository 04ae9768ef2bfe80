#include "platform/maker/DBConnect.h"

#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/maker/MakerEnvironment.h"

#include <filesystem>

namespace {

CVQDBConnect*& Current() {
    static CVQDBConnect* current = nullptr;
    return current;
}

void ShowError(const _com_error& e, const CString& what) {
    CString text = e.Description().IsEmpty() ? e.ErrorMessage() : e.Description();
    vq::ShowMessageBox(vq::DefaultMessageBoxCaption(), what + "\n" + text, MB_OK | MB_ICONERROR);
}

} // namespace

CVQDBConnect::CVQDBConnect() = default;

CVQDBConnect::~CVQDBConnect() {
    if (Current() == this)
        Current() = nullptr;
    CloseAll();
}

CVQDBConnect* CVQDBConnect::GetCurDBConnect() {
    return Current();
}

void CVQDBConnect::SetCurDBConnect(CVQDBConnect* connect) {
    Current() = connect;
}

int CVQDBConnect::Init() {
    vq::MakerEnvironment& environment = vq::ActiveMakerEnvironment();
    m_strPdmSource = environment.ReadSetting("服务器参数配置", "PDM数据源", "vqdetail");
    m_strCappSource = environment.ReadSetting("VQCAPP配置", "数据源名称", "VQPCAPP");
    CString path = vq::SystemFolder() + "/vqdetail.mdb";
    std::error_code ec;
    if (!std::filesystem::exists(path.str(), ec)) {
        vq::ShowMessageBox(vq::DefaultMessageBoxCaption(), "文件: " + path + " 不存在!",
                           MB_OK | MB_ICONERROR);
        return 0;
    }
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT PdmUser,Password FROM Config",
                 "DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + path + ";UID=sa;PWD=", adOpenForwardOnly,
                 adLockReadOnly, adCmdText);
        if (rs->IsEOF()) {
            vq::ShowMessageBox(vq::DefaultMessageBoxCaption(), "未配置服务器、数据库信息...",
                               MB_OK | MB_ICONERROR);
            return 0;
        }
        CString user, password;
        rs->GetCollect(0L).TryGetString(user);
        rs->GetCollect(1L).TryGetString(password);
        m_strUser = user.Trim();
        m_strPassword = password.Trim();
        if (m_strUser.IsEmpty())
            m_strUser = "sa";
        rs->Close();
    } catch (const _com_error& e) {
        ShowError(e, "不能正常连接配置数据库...");
        return 0;
    }
    m_bInit = true;
    return 1;
}

int CVQDBConnect::Open(_ConnectionPtr& connection, const CString& source) {
    if (!m_bInit)
        return 0;
    if (connection && connection->GetState() == adStateOpen)
        return 1;
    try {
        _ConnectionPtr c;
        c.CreateInstance();
        CString text;
        text.Format("DSN=%s;UID=%s;PWD=%s", OdbcConnectionValue(source), OdbcConnectionValue(m_strUser),
                    OdbcConnectionValue(m_strPassword));
        c->Open(text);
        connection = c;
        return 1;
    } catch (const _com_error& e) {
        ShowError(e, "不能正常连接数据库: " + source);
        return 0;
    }
}

int CVQDBConnect::ConnectPDM() {
    return Open(m_pConnPDM, m_strPdmSource);
}

int CVQDBConnect::ConnectCAPP() {
    return Open(m_pConnCAPP, m_strCappSource);
}

void CVQDBConnect::CloseAll() {
    for (_ConnectionPtr* c : {&m_pConnPDM, &m_pConnCAPP}) {
        if (*c) {
            try {
                (*c)->Close();
            } catch (const _com_error&) {
            }
            c->Release();
        }
    }
}
