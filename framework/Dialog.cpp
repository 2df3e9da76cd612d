// Dialog procedure, data exchange and command routing.
#include "framework/Dialog.h"
#include "framework/App.h"
#include "framework/CommonControls.h"
#include <commctrl.h>
#include <string.h>
#include <vector>

CDialog::CDialog(UINT nIDTemplate, CDialog* pParentWnd) : m_pParentWnd(pParentWnd), m_nIDTemplate(nIDTemplate) {}

CDialog::~CDialog()
{
    if (m_hWnd && ::IsWindow(m_hWnd) && !m_bModal)
        DestroyWindow();
}

INT_PTR CDialog::DoModal()
{
    m_bModal = true;
    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    // Ending a dialog enables its owner whatever the owner's state was. An owner already held
    // disabled by a dialog of its own (a hot key can open one over another) must stay so.
    bool parentWasDisabled = hParent && !::IsWindowEnabled(hParent);
    INT_PTR result = ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), hParent, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    if (parentWasDisabled && ::IsWindow(hParent))
        ::EnableWindow(hParent, FALSE);
    m_hWnd = nullptr;
    return result;
}

bool CDialog::Create(UINT nIDTemplate, CDialog* pParentWnd)
{
    m_pParentWnd = pParentWnd;
    return Create(nIDTemplate, pParentWnd ? pParentWnd->m_hWnd : nullptr);
}

bool CDialog::Create(UINT nIDTemplate, HWND hParent)
{
    m_nIDTemplate = nIDTemplate;
    m_bModal = false;
    HWND hWnd = ::CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nIDTemplate), hParent, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

void CDialog::DestroyWindow()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);  // WM_NCDESTROY clears m_hWnd
}

void CDialog::EndDialog(int nResult)
{
    if (m_bModal)
        ::EndDialog(m_hWnd, nResult);
    else
        ShowWindow(SW_HIDE);  // a modeless dialog is only hidden
}

bool CDialog::UpdateData(bool bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return true;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK()
{
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool CDialog::OnCmdMsg(UINT nID)
{
    switch (nID) {
    case IDOK: OnOK(); return true;
    case IDCANCEL: OnCancel(); return true;
    default: return false;
    }
}

bool CDialog::RouteCommand(UINT nID)
{
    if (OnCmdMsg(nID))
        return true;
    if (m_pParentWnd)
        return m_pParentWnd->RouteCommand(nID);
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->OnCmdMsg(nID);
}

INT_PTR CDialog::SetMsgResult(LRESULT result)
{
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        UINT code = HIWORD(wParam);
        if (code != 0 && code != 1)  // only menu, accelerator and button clicks are commands
            return FALSE;
        return RouteCommand(LOWORD(wParam)) ? TRUE : FALSE;
    }
    case WM_NOTIFY: {
        LRESULT result = 0;
        const NMHDR& nmhdr = *reinterpret_cast<const NMHDR*>(lParam);
        if (!HasFullRowSelect() && (nmhdr.code == NM_CLICK || nmhdr.code == NM_RCLICK)) {
            char className[32] = {};
            ::GetClassNameA(nmhdr.hwndFrom, className, sizeof className);
            if (strcmp(className, WC_LISTVIEWA) == 0)
                SelectClickedRow(nmhdr.hwndFrom);
        }
        if (OnNotify(nmhdr, result))
            return SetMsgResult(result);
        return FALSE;
    }
    case WM_HELP: {
        // F1 (the system's help request, passed up from the focused control): as the
        // framework does for every top-level window, the standard help command goes to the
        // main window, and from there to the application's help handler.
        const UINT kStandardHelp = 0xE146;
        CWinApp* pApp = AfxGetApp();
        if ((::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_CHILD) || !pApp || !pApp->m_pMainWnd || !pApp->m_pMainWnd->m_hWnd)
            return FALSE;
        ::SendMessageA(pApp->m_pMainWnd->m_hWnd, WM_COMMAND, kStandardHelp, 0);
        return SetMsgResult(TRUE);
    }
    case WM_TIMER:
        OnTimer(wParam);
        return FALSE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = hWnd;
        ::SetWindowLongPtrA(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    }
    if (!self)
        return FALSE;  // messages before WM_INITDIALOG get the default handling
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        return FALSE;
    }
    return self->WindowProc(msg, wParam, lParam);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control)
{
    control.m_hWnd = pDX->m_pDlgWnd->GetDlgItem(nIDC);
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value)
{
    HWND hCtl = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (!pDX->m_bSaveAndValidate) {
        ::SetWindowTextA(hCtl, value.c_str());
        return;
    }
    int len = ::GetWindowTextLengthA(hCtl);
    std::vector<char> buf(static_cast<size_t>(len > 0 ? len : 0) + 1, '\0');
    ::GetWindowTextA(hCtl, buf.data(), static_cast<int>(buf.size()));
    value.assign(buf.data());
}
