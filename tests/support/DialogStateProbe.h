// The dialog's state for tests that set up what no button press leads to: a half-received
// reply, a chosen reader, bound values before an exchange. Reading goes through the dialog's
// own accessors.
#pragma once

#include "ui/TessaroDlg.h"

struct DialogStateProbe {
    static SerialReplyState& Reply(CTessaroDlg& dlg) { return dlg.m_reply; }
    static DISCOVER_DEV_T& CurrentDevice(CTessaroDlg& dlg) { return dlg.m_curDev; }
    static int& ServerPort(CTessaroDlg& dlg) { return dlg.m_nServerPort; }
    static int& LowPulse(CTessaroDlg& dlg) { return dlg.m_nLowPulse; }
    static int& HighPulse(CTessaroDlg& dlg) { return dlg.m_nHighPulse; }
    static QString& TransmitText(CTessaroDlg& dlg) { return dlg.m_strTransmit; }
};
