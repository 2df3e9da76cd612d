// The new-task dialog (dialog 136).
#include "app/KorvaneDlg.h"

void CKorvaneDlg::OnNewTask() {}
