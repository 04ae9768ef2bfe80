// The pages of the document viewer sheet (CDocPropertySheet). Each page shows one kind of
// document in its own viewer; its controls lie in the sheet's window and are shown while its tab
// is chosen. A page is opened (OnOpen) the first time its tab is shown.
//
//   page              tab caption         viewer
//   CCappCardPage     "工艺文件"          none here (the process-card control is not available)
//   CNewDwgPage       "图形文件"          the drawing viewer, with the menu of viewing commands
//   CNewHtmlPage      "其他类型文件"      the file's name; "打开(&O)..." opens it with OpenDocumentFile
//   CPicturePage      "图象格式文件"      the zoom window CImageZoomWnd
//   CSolidEdgePage    "三维CAD格式文件"   the second drawing viewer
//   CTextPage         "文本文件"          a read-only text box
#pragma once

#include "controls/ImageZoomWnd.h"
#include "platform/com/DrawingViewer.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/RichEditCtrl.h"

#include <vector>

class CDialog;

class CDocPropertyPage {
public:
    CDocPropertyPage(UINT templateId, const CString& caption)
        : m_nTemplateId(templateId), m_strCaption(caption) {}
    virtual ~CDocPropertyPage() = default;

    UINT GetTemplateId() const { return m_nTemplateId; }
    const CString& GetCaption() const { return m_strCaption; }
    // The page's controls, as entries of the sheet's template.
    virtual std::vector<vq::ControlTemplate> Controls() const = 0;
    virtual void DoDataExchange(CDataExchange* pDX) {}
    // The first time the page is shown.
    virtual void OnOpen(CDialog& sheet) {}
    // Shows a document; FALSE when the page cannot.
    virtual BOOL ShowFile(const CString& path) { return FALSE; }
    // Shows or hides the page's controls.
    void Show(CDialog& sheet, bool visible);
    bool IsOpen() const { return m_bOpen; }
    void MarkOpen() { m_bOpen = true; }

private:
    UINT m_nTemplateId;
    CString m_strCaption;
    bool m_bOpen = false;
};

class CCappCardPage : public CDocPropertyPage {
public:
    CCappCardPage() : CDocPropertyPage(340, "工艺文件") {}
    std::vector<vq::ControlTemplate> Controls() const override;
};

class CNewDwgPage : public CDocPropertyPage {
public:
    enum { kViewerId = 2931 };
    CNewDwgPage() : CDocPropertyPage(293, "图形文件") {}
    std::vector<vq::ControlTemplate> Controls() const override;
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kViewerId, m_viewer); }
    void OnOpen(CDialog& sheet) override;
    BOOL ShowFile(const CString& path) override;

    CAvViewX m_viewer;
    CString m_strDrawing;   // the drawing shown at opening ("acad.dwg" of the spt folder), or empty
    CString m_strMarkup;    // the default markup file ("redline.dwf" of the spt folder)
    int m_bNoRightMenu = 0; // "屏蔽DWG右键菜单"
    int m_bNoTempFiles = 0; // "不保存临时文件"
};

class CNewHtmlPage : public CDocPropertyPage {
public:
    enum { kNameId = 2371, kOpenId = 2372 };
    CNewHtmlPage() : CDocPropertyPage(237, "其他类型文件") {}
    std::vector<vq::ControlTemplate> Controls() const override;
    void OnOpen(CDialog& sheet) override;
    BOOL ShowFile(const CString& path) override;
    // "打开(&O)...": the file in the program that suits its type.
    int OpenShownFile();

    int m_bOpenWord = 0; // "启动WORD系统"
    CString m_strFile;

private:
    CDialog* m_pSheet = nullptr;
};

class CPicturePage : public CDocPropertyPage {
public:
    enum { kZoomId = 3341 };
    CPicturePage() : CDocPropertyPage(334, "图象格式文件") {}
    std::vector<vq::ControlTemplate> Controls() const override;
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kZoomId, m_zoom); }
    void OnOpen(CDialog& sheet) override;
    BOOL ShowFile(const CString& path) override;

    CImageZoomWnd m_zoom;
};

class CSolidEdgePage : public CDocPropertyPage {
public:
    enum { kViewerId = 2361 };
    CSolidEdgePage() : CDocPropertyPage(236, "三维CAD格式文件") {}
    std::vector<vq::ControlTemplate> Controls() const override;
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kViewerId, m_viewer); }
    void OnOpen(CDialog& sheet) override;
    BOOL ShowFile(const CString& path) override;

    CAutoVueX m_viewer;
};

class CTextPage : public CDocPropertyPage {
public:
    enum { kTextId = 1061 };
    CTextPage() : CDocPropertyPage(106, "文本文件") {}
    std::vector<vq::ControlTemplate> Controls() const override;
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kTextId, m_text); }
    BOOL ShowFile(const CString& path) override;

    CRichEditCtrl m_text;
};
