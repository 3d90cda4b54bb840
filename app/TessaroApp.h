// The application object: starts the UI and socket layers and runs the main dialog.
#pragma once

#include <QString>
#include <QtGlobal>

#include "ui/TessaroDlg.h"

#include <functional>

class CTessaroApp {
public:
    // Whether the socket layer can be used; tests replace it to take the failure path.
    using SocketLayerCheck = std::function<bool()>;
    using MessageHook = std::function<void(const QString&)>;

    CTessaroApp() = default;

    // The program's whole run; false, so that the program ends when it returns.
    bool InitInstance();

    void SetSocketLayerCheck(SocketLayerCheck check) { m_socketLayerCheck = std::move(check); }
    void SetMessageHook(MessageHook hook) { m_messageHook = std::move(hook); }
    // Called with the dialog before it runs; tests use it to end the dialog at once.
    void SetDialogHook(std::function<void(class CTessaroDlg&)> hook) {
        m_dialogHook = std::move(hook);
    }
    bool DialogCreated() const { return m_dialogCreated; }
    // The UDP port the dialog binds; tests use 0.
    void SetDialogUdpPort(quint16 port) { m_dialogUdpPort = port; }

private:
    void ShowMessage(const QString& text);

    SocketLayerCheck m_socketLayerCheck;
    MessageHook m_messageHook;
    std::function<void(CTessaroDlg&)> m_dialogHook;
    bool m_dialogCreated = false;
    quint16 m_dialogUdpPort = UDP_LOCAL_PORT;
};

// Sends DebugTrace output to the logging category "tessaro.trace".
void InstallTraceLogging();
