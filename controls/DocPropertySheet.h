// The document viewer sheet: one document shown in the page that suits its kind, with a tab for
// each page (see DocPropertyPages.h). No feature opens it yet; a caller sets the document and
// runs it:
//
//   CDocPropertySheet sheet;
//   sheet.m_strDocument = path;
//   sheet.DoModal();
#pragma once

#include "controls/DocPropertyPages.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/TabCtrl.h"

class CDocPropertySheet : public CDialog {
public:
    enum { kTabId = 1000 };
    enum Page { kCappCard, kDrawing, kOther, kPicture, kModel, kText, kPageCount };

    explicit CDocPropertySheet(CWnd* parent = nullptr);

    // The page that shows a document of this name: drawings, pictures, 3D models and text files
    // have their own pages, everything else goes to the page of other files.
    static Page PageFor(const CString& path);

    // Shows a document in its page and makes that page current; FALSE when the page cannot show it.
    BOOL ShowDocument(const CString& path);
    // Makes a page current (opening it the first time).
    void SetActivePage(int page);
    int GetActivePage() const { return m_nActive; }
    CDocPropertyPage& GetPage(int page);

    CString m_strDocument; // shown when the sheet opens

    CCappCardPage m_cappPage;
    CNewDwgPage m_dwgPage;
    CNewHtmlPage m_htmlPage;
    CPicturePage m_picturePage;
    CSolidEdgePage m_modelPage;
    CTextPage m_textPage;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    afx_msg void OnTabChange(NMHDR* header, LRESULT* result);
    afx_msg void OnOpenOther();
    afx_msg void OnViewerMouseDown(short button, short shift, double x, double y);
    DECLARE_MESSAGE_MAP()

private:
    CTabCtrl m_tabs;
    int m_nActive = -1;
};
