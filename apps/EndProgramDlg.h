// The end-program question (dialog 140): "立即结束" ends the hung window's process, "取消" (the
// default button) does nothing.
#pragma once
#include "framework/Dialog.h"

class CEndProgramDialog : public CDialog {
public:
    explicit CEndProgramDialog(CDialog* pParent = nullptr) : CDialog(140, pParent) {}
};
