// Dialog windows from templates, modal and modeless, with data exchange and command routing.
#pragma once
#include "framework/Wnd.h"
#include <string>

class CDialog;

// Moves values between a dialog's controls and its members.
class CDataExchange {
public:
    CDataExchange(CDialog* pDlg, bool bSaveAndValidate) : m_pDlgWnd(pDlg), m_bSaveAndValidate(bSaveAndValidate) {}
    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;
};

// Binds a control wrapper to the dialog's control with the given id.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control);
// Exchanges the text of an edit or combo control with a string member.
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);

class CDialog : public CWnd, public CCmdTarget {
public:
    explicit CDialog(UINT nIDTemplate, CDialog* pParentWnd = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog in its own modal loop; returns the code given to EndDialog, or -1.
    INT_PTR DoModal();
    // Creates the dialog as a modeless window (hidden unless its template says visible).
    bool Create(UINT nIDTemplate, CDialog* pParentWnd);
    bool Create(UINT nIDTemplate, HWND hParent);
    void DestroyWindow();
    void EndDialog(int nResult);

    bool UpdateData(bool bSaveAndValidate = true);
    bool IsModal() const { return m_bModal; }
    CDialog* GetParent() const { return m_pParentWnd; }
    UINT GetTemplateId() const { return m_nIDTemplate; }

    // Command routing: this dialog's map, then the parent dialog's, then the application's.
    bool RouteCommand(UINT nID);
    bool OnCmdMsg(UINT nID) override;

protected:
    // The message handler: derived classes switch over their messages and call the base for the rest.
    // The result follows the dialog-procedure rules: nonzero when handled.
    virtual INT_PTR WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX) { (void)pDX; }
    virtual void OnOK();
    virtual void OnCancel();
    virtual bool OnNotify(const NMHDR& nmhdr, LRESULT& result) { (void)nmhdr; (void)result; return false; }
    virtual void OnTimer(UINT_PTR nIDEvent) { (void)nIDEvent; }
    virtual void OnDestroy() {}

    // Sets the result of a message whose answer travels through DWLP_MSGRESULT.
    INT_PTR SetMsgResult(LRESULT result);

    CDialog* m_pParentWnd;
    UINT m_nIDTemplate;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool m_bModal = false;
};
