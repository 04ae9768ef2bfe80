#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/com/MessageClient.h"

// Passes a notice that was just written to the message table on to the message server, when
// the settings name a server and ask for it. Nothing is shown: without a server the notice
// stays in the message table, where the recipient finds it anyway.
void CVqDesignTaskApp::NotifyMessageServer(CString text1, CString text2) {
    CString serverName = ReadSetting("消息配置", "服务器名称", "");
    int autoConnect = ReadSettingInt("消息配置", "自动连接消息服务器", "0");
    vq::CMessageClient client;
    if (serverName.IsEmpty() || autoConnect == 0)
        return;
    client.SetServerName(serverName);
    LoadLoginUser();
    client.Logon(m_strLoginUser);
    client.Send(text1, text2);
    client.Logoff();
}
