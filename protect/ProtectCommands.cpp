// The super-task commands of the main window: lock, takeover, shutdown, unlock password.
#include "app/KorvaneApp.h"
#include "app/KorvaneDlg.h"

void CKorvaneDlg::OnLockComputer() {}
void CKorvaneDlg::OnQuickTakeover() {}
void CKorvaneDlg::DemoteOtherProcesses() {}
void CKorvaneDlg::RestoreOtherProcesses() {}
void CKorvaneDlg::OnQuickShutdown() {}
void CKorvaneDlg::OnSetUnlockPassword() {}
bool CKorvaneApp::CheckUnlockPassword(const char*) { return true; }
