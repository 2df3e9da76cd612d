// Control wrappers that hide a structure (LVITEMA, LVCOLUMNA, TCITEMA).
#include "framework/Controls.h"
#include "framework/App.h"
#include <string.h>

int CComboBox::GetLBText(int nIndex, char* buf, int cap) const
{
    if (cap <= 0)
        return -1;
    buf[0] = '\0';
    int len = static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex)));
    if (len == CB_ERR)
        return -1;
    if (len < cap)
        return static_cast<int>(SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(buf)));
    // The item is longer than the buffer: copy what fits.
    char* whole = new char[static_cast<size_t>(len) + 1];
    SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(whole));
    memcpy(buf, whole, static_cast<size_t>(cap - 1));
    buf[cap - 1] = '\0';
    delete[] whole;
    return cap - 1;
}

int CTabCtrl::InsertItem(int nItem, const char* text) const
{
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text);
    return static_cast<int>(SendMessage(TCM_INSERTITEMA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
}

bool CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow)
{
    DeleteImageList();
    m_hImageList = ImageList_Create(cx, cy, nFlags, nInitial, nGrow);
    return m_hImageList != nullptr;
}

void CImageList::DeleteImageList()
{
    if (m_hImageList)
        ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
}

int CListCtrl::InsertColumn(int nCol, const char* heading, int nFormat, int nWidth) const
{
    LVCOLUMNA col = {};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    col.fmt = nFormat;
    col.cx = nWidth;
    col.pszText = const_cast<char*>(heading);
    col.iSubItem = nCol;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int nItem, const char* text, int nImage) const
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | (nImage >= 0 ? LVIF_IMAGE : 0);
    item.iItem = nItem;
    item.pszText = const_cast<char*>(text);
    item.iImage = nImage;
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrl::SetItemText(int nItem, int nSubItem, const char* text) const
{
    LVITEMA item = {};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<char*>(text);
    return SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)) != 0;
}

int CListCtrl::GetItemText(int nItem, int nSubItem, char* buf, int cap) const
{
    if (cap <= 0)
        return 0;
    buf[0] = '\0';
    LVITEMA item = {};
    item.iSubItem = nSubItem;
    item.pszText = buf;
    item.cchTextMax = cap;
    SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item));
    // Wine's list view fills a buffer too small for the text without a terminating zero and
    // returns a length counted past its end: terminate, and count what the buffer holds.
    buf[cap - 1] = '\0';
    return static_cast<int>(strlen(buf));
}

bool CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) const
{
    LVITEMA item = {};
    item.state = nState;
    item.stateMask = nMask;
    return SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)) != 0;
}

int CListCtrl::GetItemImage(int nItem) const
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = nItem;
    if (!SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return -1;
    return item.iImage;
}

bool CListCtrl::SetItemImage(int nItem, int nImage) const
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = nItem;
    item.iImage = nImage;
    return SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool CMenu::LoadMenu(UINT nID)
{
    m_hMenu = ::LoadMenuA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nID));
    return m_hMenu != nullptr;
}

void CMenu::DestroyMenu()
{
    if (m_hMenu)
        ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, HWND hOwner) const
{
    // The owner must be the foreground window or the menu does not close when the user clicks elsewhere.
    ::SetForegroundWindow(hOwner);
    BOOL result = ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, hOwner, nullptr);
    ::PostMessageA(hOwner, WM_NULL, 0, 0);
    return result;
}
