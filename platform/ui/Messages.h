// Window messages, notification codes, styles and notification records, with the framework's
// values (dialog code compares and stores them).
#pragma once

#include "platform/base/Geometry.h"
#include "platform/base/Types.h"

class CWnd;
class CDC;

// A window handle is the window object itself (null when the window does not exist).
using HWND = CWnd*;
using HTREEITEM = struct TreeItemHandle*;

constexpr WORD LOWORD(DWORD_PTR v) {
    return static_cast<WORD>(v & 0xffff);
}
constexpr WORD HIWORD(DWORD_PTR v) {
    return static_cast<WORD>((v >> 16) & 0xffff);
}
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) {
    return static_cast<WPARAM>(lo) | (static_cast<WPARAM>(hi) << 16);
}
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) {
    return static_cast<LPARAM>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
constexpr DWORD MAKELONG(WORD lo, WORD hi) {
    return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16);
}

// Messages
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_CTLCOLOR = 0x0019;
constexpr UINT WM_GETMINMAXINFO = 0x0024;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_SIZING = 0x0214;
constexpr UINT WM_USER = 0x0400;

// Virtual keys and mouse-key flags
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_INSERT = 0x2D;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_F2 = 0x71;
constexpr UINT VK_F5 = 0x74;
constexpr UINT MK_LBUTTON = 0x0001;
constexpr UINT MK_RBUTTON = 0x0002;
constexpr UINT MK_SHIFT = 0x0004;
constexpr UINT MK_CONTROL = 0x0008;

// ShowWindow
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// SetWindowPos
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;

// Window styles
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000; // a taskbar entry of its own, even with an owner
constexpr DWORD WS_EX_STATICEDGE = 0x00020000;

// Button styles
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_CHECKBOX = 0x2;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_RADIOBUTTON = 0x4;
constexpr DWORD BS_3STATE = 0x5;
constexpr DWORD BS_AUTO3STATE = 0x6;
constexpr DWORD BS_GROUPBOX = 0x7;
constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
constexpr DWORD BS_OWNERDRAW = 0xB;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr DWORD BS_MULTILINE = 0x2000;
// Edit styles
constexpr DWORD ES_LEFT = 0x0;
constexpr DWORD ES_CENTER = 0x1;
constexpr DWORD ES_RIGHT = 0x2;
constexpr DWORD ES_MULTILINE = 0x4;
constexpr DWORD ES_UPPERCASE = 0x8;
constexpr DWORD ES_LOWERCASE = 0x10;
constexpr DWORD ES_PASSWORD = 0x20;
constexpr DWORD ES_AUTOVSCROLL = 0x40;
constexpr DWORD ES_AUTOHSCROLL = 0x80;
constexpr DWORD ES_NOHIDESEL = 0x100;
constexpr DWORD ES_READONLY = 0x800;
constexpr DWORD ES_WANTRETURN = 0x1000;
constexpr DWORD ES_NUMBER = 0x2000;
// Static styles
constexpr DWORD SS_LEFT = 0x0;
constexpr DWORD SS_CENTER = 0x1;
constexpr DWORD SS_RIGHT = 0x2;
constexpr DWORD SS_ICON = 0x3;
constexpr DWORD SS_BLACKRECT = 0x4;
constexpr DWORD SS_BITMAP = 0xE;
constexpr DWORD SS_ETCHEDHORZ = 0x10;
constexpr DWORD SS_NOTIFY = 0x100;
constexpr DWORD SS_CENTERIMAGE = 0x200;
constexpr DWORD SS_SUNKEN = 0x1000;
// Combo box and list box styles
constexpr DWORD CBS_SIMPLE = 0x1;
constexpr DWORD CBS_DROPDOWN = 0x2;
constexpr DWORD CBS_DROPDOWNLIST = 0x3;
constexpr DWORD CBS_AUTOHSCROLL = 0x40;
constexpr DWORD CBS_SORT = 0x100;
constexpr DWORD LBS_NOTIFY = 0x1;
constexpr DWORD LBS_SORT = 0x2;
constexpr DWORD LBS_MULTIPLESEL = 0x8;
constexpr DWORD LBS_EXTENDEDSEL = 0x800;
// Report list styles
constexpr DWORD LVS_ICON = 0x0;
constexpr DWORD LVS_REPORT = 0x1;
constexpr DWORD LVS_SMALLICON = 0x2;
constexpr DWORD LVS_LIST = 0x3;
constexpr DWORD LVS_TYPEMASK = 0x3;
constexpr DWORD LVS_SINGLESEL = 0x4;
constexpr DWORD LVS_SHOWSELALWAYS = 0x8;
constexpr DWORD LVS_SORTASCENDING = 0x10;
constexpr DWORD LVS_SORTDESCENDING = 0x20;
constexpr DWORD LVS_EDITLABELS = 0x200;
constexpr DWORD LVS_OWNERDRAWFIXED = 0x400;
constexpr DWORD LVS_NOCOLUMNHEADER = 0x4000;
constexpr DWORD LVS_NOSORTHEADER = 0x8000;
constexpr DWORD LVS_EX_GRIDLINES = 0x1;
constexpr DWORD LVS_EX_SUBITEMIMAGES = 0x2;
constexpr DWORD LVS_EX_CHECKBOXES = 0x4;
constexpr DWORD LVS_EX_HEADERDRAGDROP = 0x10;
constexpr DWORD LVS_EX_FULLROWSELECT = 0x20;
constexpr DWORD LVS_EX_ONECLICKACTIVATE = 0x40;
constexpr DWORD LVS_EX_FLATSB = 0x100;
constexpr DWORD LVS_EX_INFOTIP = 0x400;
// Tree styles
constexpr DWORD TVS_HASBUTTONS = 0x1;
constexpr DWORD TVS_HASLINES = 0x2;
constexpr DWORD TVS_LINESATROOT = 0x4;
constexpr DWORD TVS_EDITLABELS = 0x8;
constexpr DWORD TVS_DISABLEDRAGDROP = 0x10;
constexpr DWORD TVS_SHOWSELALWAYS = 0x20;
constexpr DWORD TVS_CHECKBOXES = 0x100;
constexpr DWORD TVS_TRACKSELECT = 0x200;
constexpr DWORD TVS_FULLROWSELECT = 0x1000;
// Spin (up-down) styles
constexpr DWORD UDS_WRAP = 0x1;
constexpr DWORD UDS_SETBUDDYINT = 0x2;
constexpr DWORD UDS_ALIGNRIGHT = 0x4;
constexpr DWORD UDS_ALIGNLEFT = 0x8;
constexpr DWORD UDS_AUTOBUDDY = 0x10;
constexpr DWORD UDS_ARROWKEYS = 0x20;
constexpr DWORD UDS_HORZ = 0x40;
constexpr DWORD UDS_NOTHOUSANDS = 0x80;
// Progress styles
constexpr DWORD PBS_SMOOTH = 0x1;
constexpr DWORD PBS_VERTICAL = 0x4;
// Date-time picker styles
constexpr DWORD DTS_SHORTDATEFORMAT = 0x0;
constexpr DWORD DTS_UPDOWN = 0x1;
constexpr DWORD DTS_SHOWNONE = 0x2;
constexpr DWORD DTS_LONGDATEFORMAT = 0x4;
constexpr DWORD DTS_TIMEFORMAT = 0x9;

// Notification codes of WM_COMMAND
constexpr UINT BN_CLICKED = 0;
constexpr UINT BN_DOUBLECLICKED = 5;
constexpr UINT EN_SETFOCUS = 0x0100;
constexpr UINT EN_KILLFOCUS = 0x0200;
constexpr UINT EN_CHANGE = 0x0300;
constexpr UINT EN_UPDATE = 0x0400;
constexpr UINT EN_MAXTEXT = 0x0501;
constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT CBN_DBLCLK = 2;
constexpr UINT CBN_SETFOCUS = 3;
constexpr UINT CBN_KILLFOCUS = 4;
constexpr UINT CBN_EDITCHANGE = 5;
constexpr UINT CBN_EDITUPDATE = 6;
constexpr UINT CBN_DROPDOWN = 7;
constexpr UINT CBN_CLOSEUP = 8;
constexpr UINT CBN_SELENDOK = 9;
constexpr UINT LBN_SELCHANGE = 1;
constexpr UINT LBN_DBLCLK = 2;
constexpr UINT STN_CLICKED = 0;
constexpr UINT STN_DBLCLK = 1;

// Notification codes of WM_NOTIFY (negative numbers stored in an unsigned code)
constexpr UINT NM_CLICK = static_cast<UINT>(-2);
constexpr UINT NM_DBLCLK = static_cast<UINT>(-3);
constexpr UINT NM_RETURN = static_cast<UINT>(-4);
constexpr UINT NM_RCLICK = static_cast<UINT>(-5);
constexpr UINT NM_RDBLCLK = static_cast<UINT>(-6);
constexpr UINT NM_SETFOCUS = static_cast<UINT>(-7);
constexpr UINT NM_KILLFOCUS = static_cast<UINT>(-8);
constexpr UINT NM_CUSTOMDRAW = static_cast<UINT>(-12);
constexpr UINT LVN_ITEMCHANGING = static_cast<UINT>(-100);
constexpr UINT LVN_ITEMCHANGED = static_cast<UINT>(-101);
constexpr UINT LVN_INSERTITEM = static_cast<UINT>(-102);
constexpr UINT LVN_DELETEITEM = static_cast<UINT>(-103);
constexpr UINT LVN_DELETEALLITEMS = static_cast<UINT>(-104);
constexpr UINT LVN_BEGINLABELEDIT = static_cast<UINT>(-105);
constexpr UINT LVN_ENDLABELEDIT = static_cast<UINT>(-106);
constexpr UINT LVN_COLUMNCLICK = static_cast<UINT>(-108);
constexpr UINT LVN_BEGINDRAG = static_cast<UINT>(-109);
constexpr UINT LVN_KEYDOWN = static_cast<UINT>(-155);
constexpr UINT HDN_ITEMCLICK = static_cast<UINT>(-302);
constexpr UINT TVN_SELCHANGING = static_cast<UINT>(-401);
constexpr UINT TVN_SELCHANGED = static_cast<UINT>(-402);
constexpr UINT TVN_GETDISPINFO = static_cast<UINT>(-403);
constexpr UINT TVN_ITEMEXPANDING = static_cast<UINT>(-405);
constexpr UINT TVN_ITEMEXPANDED = static_cast<UINT>(-406);
constexpr UINT TVN_BEGINDRAG = static_cast<UINT>(-407);
constexpr UINT TVN_DELETEITEM = static_cast<UINT>(-409);
constexpr UINT TVN_BEGINLABELEDIT = static_cast<UINT>(-410);
constexpr UINT TVN_ENDLABELEDIT = static_cast<UINT>(-411);
constexpr UINT TVN_KEYDOWN = static_cast<UINT>(-412);
constexpr UINT TCN_KEYDOWN = static_cast<UINT>(-550);
constexpr UINT TCN_SELCHANGE = static_cast<UINT>(-551);
constexpr UINT TCN_SELCHANGING = static_cast<UINT>(-552);
constexpr UINT UDN_DELTAPOS = static_cast<UINT>(-722);
constexpr UINT DTN_DATETIMECHANGE = static_cast<UINT>(-759);
constexpr UINT DTN_CLOSEUP = static_cast<UINT>(-753);

// Item states and masks of report lists and trees
constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;
constexpr UINT LVIS_CUT = 0x0004;
constexpr UINT LVIS_DROPHILITED = 0x0008;
constexpr UINT LVIS_OVERLAYMASK = 0x0F00;
constexpr UINT LVIS_STATEIMAGEMASK = 0xF000;
constexpr UINT LVIF_TEXT = 0x0001;
constexpr UINT LVIF_IMAGE = 0x0002;
constexpr UINT LVIF_PARAM = 0x0004;
constexpr UINT LVIF_STATE = 0x0008;
constexpr UINT LVNI_ALL = 0x0000;
constexpr UINT LVNI_FOCUSED = 0x0001;
constexpr UINT LVNI_SELECTED = 0x0002;
constexpr int LVSCW_AUTOSIZE = -1;
constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;
constexpr int LVCFMT_LEFT = 0x0;
constexpr int LVCFMT_RIGHT = 0x1;
constexpr int LVCFMT_CENTER = 0x2;
constexpr int LVCFMT_JUSTIFYMASK = 0x3;
constexpr int LVCFMT_IMAGE = 0x800;
constexpr int LVCFMT_BITMAP_ON_RIGHT = 0x1000;
constexpr UINT LVCF_FMT = 0x1;
constexpr UINT LVCF_WIDTH = 0x2;
constexpr UINT LVCF_TEXT = 0x4;
constexpr UINT LVCF_SUBITEM = 0x8;
constexpr UINT LVCF_IMAGE = 0x10;
constexpr UINT LVHT_NOWHERE = 0x1;
constexpr UINT LVHT_ONITEMICON = 0x2;
constexpr UINT LVHT_ONITEMLABEL = 0x4;
constexpr UINT LVHT_ONITEMSTATEICON = 0x8;
constexpr UINT LVHT_ONITEM = LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON;
constexpr UINT LVHT_ABOVE = 0x8;
constexpr UINT LVHT_BELOW = 0x10;
constexpr UINT LVFI_PARAM = 0x1;
constexpr UINT LVFI_STRING = 0x2;
constexpr UINT LVFI_PARTIAL = 0x8;
constexpr int LVSIL_NORMAL = 0;
constexpr int LVSIL_SMALL = 1;
constexpr int LVSIL_STATE = 2;
constexpr UINT TVIS_SELECTED = 0x0002;
constexpr UINT TVIS_CUT = 0x0004;
constexpr UINT TVIS_DROPHILITED = 0x0008;
constexpr UINT TVIS_BOLD = 0x0010;
constexpr UINT TVIS_EXPANDED = 0x0020;
constexpr UINT TVIS_EXPANDEDONCE = 0x0040;
constexpr UINT TVIS_STATEIMAGEMASK = 0xF000;
constexpr UINT TVIF_TEXT = 0x0001;
constexpr UINT TVIF_IMAGE = 0x0002;
constexpr UINT TVIF_PARAM = 0x0004;
constexpr UINT TVIF_STATE = 0x0008;
constexpr UINT TVIF_HANDLE = 0x0010;
constexpr UINT TVIF_SELECTEDIMAGE = 0x0020;
constexpr UINT TVIF_CHILDREN = 0x0040;
constexpr UINT TVE_COLLAPSE = 0x1;
constexpr UINT TVE_EXPAND = 0x2;
constexpr UINT TVE_TOGGLE = 0x3;
constexpr UINT TVGN_ROOT = 0x0;
constexpr UINT TVGN_NEXT = 0x1;
constexpr UINT TVGN_PREVIOUS = 0x2;
constexpr UINT TVGN_PARENT = 0x3;
constexpr UINT TVGN_CHILD = 0x4;
constexpr UINT TVGN_FIRSTVISIBLE = 0x5;
constexpr UINT TVGN_NEXTVISIBLE = 0x6;
constexpr UINT TVGN_PREVIOUSVISIBLE = 0x7;
constexpr UINT TVGN_DROPHILITE = 0x8;
constexpr UINT TVGN_CARET = 0x9;
constexpr UINT TVHT_NOWHERE = 0x1;
constexpr UINT TVHT_ONITEMICON = 0x2;
constexpr UINT TVHT_ONITEMLABEL = 0x4;
constexpr UINT TVHT_ONITEMINDENT = 0x8;
constexpr UINT TVHT_ONITEMBUTTON = 0x10;
constexpr UINT TVHT_ONITEMRIGHT = 0x20;
constexpr UINT TVHT_ONITEMSTATEICON = 0x40;
constexpr UINT TVHT_ONITEM = TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON;
constexpr UINT TVC_UNKNOWN = 0x0;
constexpr UINT TVC_BYMOUSE = 0x1;
constexpr UINT TVC_BYKEYBOARD = 0x2;
constexpr int TVSIL_NORMAL = 0;
constexpr int TVSIL_STATE = 2;
inline HTREEITEM const TVI_ROOT = reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x10000));
inline HTREEITEM const TVI_FIRST = reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x0FFFF));
inline HTREEITEM const TVI_LAST = reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x0FFFE));
inline HTREEITEM const TVI_SORT = reinterpret_cast<HTREEITEM>(static_cast<intptr_t>(-0x0FFFD));
constexpr UINT INDEXTOSTATEIMAGEMASK(UINT i) {
    return i << 12;
}

// Check states of buttons
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;
constexpr int BST_INDETERMINATE = 2;

// Results of list box and combo box calls
constexpr int LB_ERR = -1;
constexpr int CB_ERR = -1;
constexpr int LB_ERRSPACE = -2;
constexpr int CB_ERRSPACE = -2;

// Scroll codes of WM_HSCROLL / WM_VSCROLL
constexpr UINT SB_LINEUP = 0;
constexpr UINT SB_LINELEFT = 0;
constexpr UINT SB_LINEDOWN = 1;
constexpr UINT SB_LINERIGHT = 1;
constexpr UINT SB_PAGEUP = 2;
constexpr UINT SB_PAGEDOWN = 3;
constexpr UINT SB_THUMBPOSITION = 4;
constexpr UINT SB_THUMBTRACK = 5;
constexpr UINT SB_ENDSCROLL = 8;

// The size limits of a window being resized (WM_GETMINMAXINFO).
struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

// Notification records
struct NMHDR {
    HWND hwndFrom = nullptr;
    UINT_PTR idFrom = 0;
    UINT code = 0;
};
using LPNMHDR = NMHDR*;

struct LVITEM {
    UINT mask = 0;
    int iItem = 0;
    int iSubItem = 0;
    UINT state = 0;
    UINT stateMask = 0;
    LPTSTR pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    LPARAM lParam = 0;
    int iIndent = 0;
};
using LV_ITEM = LVITEM;

struct LVCOLUMN {
    UINT mask = 0;
    int fmt = 0;
    int cx = 0;
    LPTSTR pszText = nullptr;
    int cchTextMax = 0;
    int iSubItem = 0;
    int iImage = 0;
    int iOrder = 0;
};
using LV_COLUMN = LVCOLUMN;

struct NMLISTVIEW {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
    POINT ptAction;
    LPARAM lParam = 0;
};
using NM_LISTVIEW = NMLISTVIEW;
using LPNMLISTVIEW = NMLISTVIEW*;

struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
    POINT ptAction;
    LPARAM lParam = 0;
    UINT uKeyFlags = 0;
};
using LPNMITEMACTIVATE = NMITEMACTIVATE*;

struct NMLVDISPINFO {
    NMHDR hdr;
    LVITEM item;
};
using LV_DISPINFO = NMLVDISPINFO;

struct NMLVKEYDOWN {
    NMHDR hdr;
    WORD wVKey = 0;
    UINT flags = 0;
};
using LV_KEYDOWN = NMLVKEYDOWN;

struct LVHITTESTINFO {
    POINT pt;
    UINT flags = 0;
    int iItem = -1;
    int iSubItem = 0;
};

struct LVFINDINFO {
    UINT flags = 0;
    LPCTSTR psz = nullptr;
    LPARAM lParam = 0;
};

struct TVITEM {
    UINT mask = 0;
    HTREEITEM hItem = nullptr;
    UINT state = 0;
    UINT stateMask = 0;
    LPTSTR pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    int iSelectedImage = 0;
    int cChildren = 0;
    LPARAM lParam = 0;
};
using TV_ITEM = TVITEM;

struct TVINSERTSTRUCT {
    HTREEITEM hParent = nullptr;
    HTREEITEM hInsertAfter = nullptr;
    TVITEM item;
};

struct NMTREEVIEW {
    NMHDR hdr;
    UINT action = 0;
    TVITEM itemOld;
    TVITEM itemNew;
    POINT ptDrag;
};
using NM_TREEVIEW = NMTREEVIEW;
using LPNMTREEVIEW = NMTREEVIEW*;

struct NMTVDISPINFO {
    NMHDR hdr;
    TVITEM item;
};
using TV_DISPINFO = NMTVDISPINFO;

struct NMTVKEYDOWN {
    NMHDR hdr;
    WORD wVKey = 0;
    UINT flags = 0;
};
using TV_KEYDOWN = NMTVKEYDOWN;

struct TVHITTESTINFO {
    POINT pt;
    UINT flags = 0;
    HTREEITEM hItem = nullptr;
};

struct NMUPDOWN {
    NMHDR hdr;
    int iPos = 0;
    int iDelta = 0;
};
using NM_UPDOWN = NMUPDOWN;
using LPNMUPDOWN = NMUPDOWN*;

struct SYSTEMTIME {
    WORD wYear = 0;
    WORD wMonth = 0;
    WORD wDayOfWeek = 0;
    WORD wDay = 0;
    WORD wHour = 0;
    WORD wMinute = 0;
    WORD wSecond = 0;
    WORD wMilliseconds = 0;
};

constexpr DWORD GDT_VALID = 0;
constexpr DWORD GDT_NONE = 1;
constexpr DWORD GDT_ERROR = static_cast<DWORD>(-1);

struct NMDATETIMECHANGE {
    NMHDR hdr;
    DWORD dwFlags = GDT_VALID;
    SYSTEMTIME st;
};
using LPNMDATETIMECHANGE = NMDATETIMECHANGE*;

struct NMHEADER {
    NMHDR hdr;
    int iItem = 0;
    int iButton = 0;
};

// Owner drawing: the view asks an owner-drawn control to draw one item into a context.
constexpr UINT ODT_MENU = 1;
constexpr UINT ODT_LISTBOX = 2;
constexpr UINT ODT_COMBOBOX = 3;
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODT_STATIC = 5;
constexpr UINT ODT_HEADER = 100;
constexpr UINT ODT_TAB = 101;
constexpr UINT ODT_LISTVIEW = 102;
constexpr UINT ODA_DRAWENTIRE = 0x1;
constexpr UINT ODA_SELECT = 0x2;
constexpr UINT ODA_FOCUS = 0x4;
constexpr UINT ODS_SELECTED = 0x1;
constexpr UINT ODS_GRAYED = 0x2;
constexpr UINT ODS_DISABLED = 0x4;
constexpr UINT ODS_CHECKED = 0x8;
constexpr UINT ODS_FOCUS = 0x10;

struct DRAWITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = ODA_DRAWENTIRE;
    UINT itemState = 0;
    HWND hwndItem = nullptr;
    CDC* hDC = nullptr; // the context to draw into
    RECT rcItem;
    ULONG_PTR itemData = 0;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;
