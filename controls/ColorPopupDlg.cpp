#include "controls/ColorPopupDlg.h"

#include "controls/ColorButton.h"
#include "platform/ui/ColorDialog.h"
#include "platform/ui/DataExchange.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr std::array<COLORREF, CColorPopupDlg::kCellCount> kInitialColors{
    RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(128, 128, 0),   RGB(0, 0, 128),
    RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(192, 192, 192), RGB(192, 220, 192), RGB(166, 202, 240),
    RGB(255, 251, 240), RGB(160, 160, 164), RGB(128, 128, 128), RGB(255, 0, 0),     RGB(0, 255, 0),
    RGB(255, 255, 0),   RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 255)};
constexpr std::array<int, CColorPopupDlg::kCellCount> kInitialRanks{1,  3,  5,  7,  9,  11, 13, 15, 17, 19,
                                                                    20, 18, 16, 14, 12, 10, 8,  6,  4,  2};

struct Palette {
    std::array<COLORREF, CColorPopupDlg::kCellCount> colors = kInitialColors;
    std::array<int, CColorPopupDlg::kCellCount> ranks = kInitialRanks;
};

Palette& SharedPalette() {
    static Palette palette;
    return palette;
}

// An owner-drawn cell; each row of five starts with an empty label so that the rows stay rows.
vq::ControlTemplate Cell(int index) {
    vq::ControlTemplate cell = vq::PushButton(CColorPopupDlg::kFirstCellId + index, "", vq::kBeside);
    cell.style = (cell.style & ~BS_TYPEMASK) | BS_OWNERDRAW;
    cell.rect = CRect(0, 0, 18, 18);
    return cell;
}

std::vector<vq::ControlTemplate> PopupControls() {
    std::vector<vq::ControlTemplate> controls;
    for (int i = 0; i < CColorPopupDlg::kCellCount; ++i) {
        if (i % 5 == 0)
            controls.push_back(vq::Label(""));
        controls.push_back(Cell(i));
    }
    controls.push_back(vq::PushButton(CColorPopupDlg::kOtherId, "其它..."));
    return controls;
}

const vq::DialogTemplate kColorPopupTemplate{"颜色", PopupControls(), CSize(), WS_POPUP | WS_BORDER};

const vq::TemplateRegistration kColorPopupRegistration(CColorPopupDlg::IDD, kColorPopupTemplate);

} // namespace

BEGIN_MESSAGE_MAP(CColorPopupDlg, CDialog)
    ON_CONTROL_RANGE(BN_CLICKED, CColorPopupDlg::kFirstCellId,
                     CColorPopupDlg::kFirstCellId + CColorPopupDlg::kCellCount - 1, &CColorPopupDlg::OnCell)
    ON_BN_CLICKED(CColorPopupDlg::kOtherId, &CColorPopupDlg::OnOther)
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

CColorPopupDlg::CColorPopupDlg(CColorButton* button)
    : CDialog(IDD, button ? button->GetParent() : nullptr), m_button(button) {
    for (int i = 0; i < kCellCount; ++i)
        m_cells[i].m_index = i;
}

COLORREF CColorPopupDlg::GetPaletteColor(int index) {
    if (index < 0 || index >= kCellCount)
        return CLR_INVALID;
    return SharedPalette().colors[static_cast<std::size_t>(index)];
}

int CColorPopupDlg::GetPaletteRank(int index) {
    if (index < 0 || index >= kCellCount)
        return 0;
    return SharedPalette().ranks[static_cast<std::size_t>(index)];
}

void CColorPopupDlg::ResetPalette() {
    SharedPalette() = Palette();
}

void CColorPopupDlg::DoDataExchange(CDataExchange* pDX) {
    for (int i = 0; i < kCellCount; ++i)
        DDX_Control(pDX, kFirstCellId + i, m_cells[i]);
}

BOOL CColorPopupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    Place();
    SetCapture();
    return TRUE;
}

// Below the button's bottom-left corner; above the button when it would leave the screen at the
// bottom, and moved left by what would leave it at the right.
void CColorPopupDlg::Place() {
    if (!m_button || !::IsWindow(m_button))
        return;
    CRect button;
    m_button->GetWindowRect(&button);
    CRect popup;
    GetWindowRect(&popup);
    const int width = popup.Width(), height = popup.Height();
    int x = button.left, y = button.bottom;
    if (y + height > GetSystemMetrics(SM_CYSCREEN))
        y = button.top - height;
    if (x + width > GetSystemMetrics(SM_CXSCREEN))
        x -= x + width - GetSystemMetrics(SM_CXSCREEN);
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CColorPopupDlg::OnLButtonDown(UINT, CPoint point) {
    CPoint screen = point;
    ClientToScreen(&screen);
    CRect window;
    GetWindowRect(&window);
    if (!window.PtInRect(screen)) {
        ReleaseCapture();
        EndDialog(IDCANCEL);
        return;
    }
    // A press over a control is the control's own click, so one click chooses a cell.
    for (CWnd* child : GetChildren()) {
        CRect rect;
        child->GetWindowRect(&rect);
        if (rect.PtInRect(screen)) {
            if (auto* button = dynamic_cast<CButton*>(child))
                button->Click();
            return;
        }
    }
}

void CColorPopupDlg::OnLButtonUp(UINT flags, CPoint point) {
    CPoint screen = point;
    ClientToScreen(&screen);
    CRect window;
    GetWindowRect(&window);
    if (window.PtInRect(screen))
        OnLButtonDown(flags, point);
}

void CColorPopupDlg::OnCancel() {
    ReleaseCapture();
    CDialog::OnCancel();
}

void CColorPopupDlg::Choose(int index) {
    Palette& palette = SharedPalette();
    const int rank = palette.ranks[static_cast<std::size_t>(index)];
    for (int& other : palette.ranks)
        if (other < rank)
            ++other;
    palette.ranks[static_cast<std::size_t>(index)] = 1;
    m_selected = index;
    ReleaseCapture();
    EndDialog(IDOK);
}

void CColorPopupDlg::OnCell(UINT id) {
    const int index = static_cast<int>(id) - kFirstCellId;
    if (index >= 0 && index < kCellCount)
        Choose(index);
}

void CColorPopupDlg::OnOther() {
    ReleaseCapture();
    CColorDialog dialog(m_button ? m_button->GetColor() : 0, CC_FULLOPEN, this);
    if (dialog.DoModal() != IDOK) {
        SetCapture();
        return;
    }
    const COLORREF color = dialog.GetColor();
    Palette& palette = SharedPalette();
    auto found = std::find(palette.colors.begin(), palette.colors.end(), color);
    int index = static_cast<int>(found - palette.colors.begin());
    if (found == palette.colors.end()) {
        // The colour used longest ago gives way.
        index = static_cast<int>(std::find(palette.ranks.begin(), palette.ranks.end(), kCellCount) -
                                 palette.ranks.begin());
        if (index >= kCellCount)
            index = kCellCount - 1;
        palette.colors[static_cast<std::size_t>(index)] = color;
    }
    Choose(index);
}

void CColorPopupDlg::CColorCell::DrawItem(LPDRAWITEMSTRUCT drawItem) {
    if (drawItem && drawItem->hDC)
        drawItem->hDC->FillSolidRect(&drawItem->rcItem, GetPaletteColor(m_index));
}
