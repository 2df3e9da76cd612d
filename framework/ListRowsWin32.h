// List rows over a real list-view control. Safe to use from a worker thread: every call is a
// message to the control, which its own thread carries out.
#pragma once
#include "common/ListRows.h"
#include "framework/Controls.h"

class CListCtrlRows : public IListRows {
public:
    explicit CListCtrlRows(const CListCtrl& list) : m_list(list) {}
    int GetCount() const override { return m_list.GetItemCount(); }
    int GetText(int row, int col, char* buf, int cap) const override { return m_list.GetItemText(row, col, buf, cap); }
    void SetText(int row, int col, const char* text) override { m_list.SetItemText(row, col, text); }
    int Insert(int index, const char* text, int image) override { return m_list.InsertItem(index, text, image); }
    bool Delete(int row) override { return m_list.DeleteItem(row); }
    int GetSelected() const override { return m_list.GetSelectedItem(); }
    int GetImage(int row) const override { return m_list.GetItemImage(row); }

private:
    const CListCtrl& m_list;
};
