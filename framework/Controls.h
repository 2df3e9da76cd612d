// Control wrappers: a handle plus one-line messages, bound to a dialog's control by DDX_Control.
#pragma once
#include "framework/Wnd.h"
#include <commctrl.h>

class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int nCheck) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
};

class CEdit : public CWnd {
public:
    void SetLimitText(UINT nMax) const { SendMessage(EM_LIMITTEXT, nMax); }
};

class CComboBox : public CWnd {
public:
    int AddString(const char* text) const { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int SetCurSel(int nSelect) const { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect))); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    // Copies list item nIndex into buf (at most cap bytes, terminated); returns its length or -1.
    int GetLBText(int nIndex, char* buf, int cap) const;
    void LimitText(int nMax) const { SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(nMax)); }
};

class CTabCtrl : public CWnd {
public:
    int InsertItem(int nItem, const char* text) const;
    int GetCurSel() const { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
    int SetCurSel(int nItem) const { return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(nItem))); }
    int GetItemCount() const { return static_cast<int>(SendMessage(TCM_GETITEMCOUNT)); }
};

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    bool Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    int Add(HBITMAP hBitmap, COLORREF crMask) const { return ImageList_AddMasked(m_hImageList, hBitmap, crMask); }
    int Replace(int nImage, HICON hIcon) const { return ImageList_ReplaceIcon(m_hImageList, nImage, hIcon); }
    bool Remove(int nImage) const { return ImageList_Remove(m_hImageList, nImage) != FALSE; }
    int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
    void DeleteImageList();

    HIMAGELIST m_hImageList = nullptr;
};

class CListCtrl : public CWnd {
public:
    int InsertColumn(int nCol, const char* heading, int nFormat, int nWidth) const;
    // Inserts an item with its column-0 text and image; returns its index or -1.
    int InsertItem(int nItem, const char* text, int nImage = -1) const;
    bool SetItemText(int nItem, int nSubItem, const char* text) const;
    // Copies a cell's text into buf (at most cap bytes, always terminated); returns the length.
    int GetItemText(int nItem, int nSubItem, char* buf, int cap) const;
    bool DeleteItem(int nItem) const { return SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(nItem)) != 0; }
    bool DeleteAllItems() const { return SendMessage(LVM_DELETEALLITEMS) != 0; }
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    int GetNextItem(int nItem, int nFlags) const
    {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(nItem), MAKELPARAM(nFlags, 0)));
    }
    int GetSelectedItem() const { return GetNextItem(-1, LVNI_SELECTED); }
    bool SetItemState(int nItem, UINT nState, UINT nMask) const;
    int GetItemImage(int nItem) const;
    bool SetItemImage(int nItem, int nImage) const;
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    void SetExtendedStyle(DWORD dwStyle) const { SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(dwStyle)); }
    HIMAGELIST SetImageList(HIMAGELIST hList, int nType) const
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(nType), reinterpret_cast<LPARAM>(hList)));
    }
};

// A menu handle; LoadMenu'd menus are destroyed by the owner with DestroyMenu.
class CMenu {
public:
    CMenu() = default;
    explicit CMenu(HMENU h) : m_hMenu(h) {}
    bool LoadMenu(UINT nID);
    void DestroyMenu();
    CMenu GetSubMenu(int nPos) const { return CMenu(::GetSubMenu(m_hMenu, nPos)); }
    UINT CheckMenuItem(UINT nID, bool bChecked) const
    {
        return ::CheckMenuItem(m_hMenu, nID, MF_BYCOMMAND | (bChecked ? MF_CHECKED : MF_UNCHECKED));
    }
    UINT GetMenuState(UINT nID) const { return ::GetMenuState(m_hMenu, nID, MF_BYCOMMAND); }
    // Tracks the popup at screen point (x, y); commands go to hOwner.
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, HWND hOwner) const;

    HMENU m_hMenu = nullptr;
};
