// What the dialog tells the user and the traces it leaves, caught for a test's checks.
#pragma once

#include "tests/support/TraceCapture.h"
#include "ui/TessaroDlg.h"

#include <QString>
#include <QStringList>

struct DialogRecorder {
    QStringList messages;
    TraceCapture capture;

    // Messages go to the list instead of a modal box.
    void attach(CTessaroDlg& dlg) {
        dlg.SetMessageHook([this](const QString& m) { messages << m; });
    }
};
