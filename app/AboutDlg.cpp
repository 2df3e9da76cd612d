// The about box has no behaviour beyond closing; its texts live in the dialog template.
#include "app/AboutDlg.h"
