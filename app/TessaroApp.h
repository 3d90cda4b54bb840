// The application object: starts the UI and socket layers and runs the main dialog.
#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>
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

// The interface's language for as long as it lives: Tessaro's own texts and Qt's standard
// buttons for a locale. English needs no translation and loads none.
class CTranslations {
public:
    explicit CTranslations(const QLocale& locale);
    ~CTranslations();
    CTranslations(const CTranslations&) = delete;
    CTranslations& operator=(const CTranslations&) = delete;

    // Whether Tessaro's own translation for the locale was found and installed.
    bool Loaded() const { return m_ownLoaded; }

private:
    QTranslator m_own;
    QTranslator m_qt;
    bool m_ownLoaded = false;
    bool m_qtLoaded = false;
};

// Sends DebugTrace output to the logging category "tessaro.trace".
void InstallTraceLogging();
