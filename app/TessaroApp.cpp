#include "app/TessaroApp.h"

#include "core/DebugTrace.h"
#include "serial/PortWatcher.h"
#include "ui/TessaroDlg.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QNetworkProxy>
#include <QUdpSocket>

Q_LOGGING_CATEGORY(lcTrace, "tessaro.trace", QtWarningMsg)

namespace {

// A device plugged in or pulled shows in the Port list within this long.
constexpr int PORT_REFRESH_MS = 1000;
// The socket layer is usable when a UDP socket can be created at all.
bool SocketLayerAvailable() {
    QUdpSocket probe;
    probe.setProxy(QNetworkProxy::NoProxy); // as the dialog's own socket
    if (probe.bind(QHostAddress::LocalHost, 0)) {
        return true;
    }
    const auto error = probe.error();
    return error != QAbstractSocket::UnsupportedSocketOperationError &&
           error != QAbstractSocket::SocketResourceError;
}
} // namespace

CTranslations::CTranslations(const QLocale& locale) {
    // English is the source language: nothing to look up, so nothing is loaded.
    const QStringList languages = locale.uiLanguages();
    if (languages.isEmpty() || languages.first() == u"C" || languages.first().startsWith(u"en")) {
        return;
    }
    // Built into the program; Qt's own come from the system's Qt.
    m_ownLoaded = m_own.load(locale, QStringLiteral("tessaro"), QStringLiteral("_"),
                             QStringLiteral(":/i18n")) &&
                  QCoreApplication::installTranslator(&m_own);
    m_qtLoaded = m_ownLoaded &&
                 m_qt.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
                 QCoreApplication::installTranslator(&m_qt);
}

CTranslations::~CTranslations() {
    if (m_qtLoaded) {
        QCoreApplication::removeTranslator(&m_qt);
    }
    if (m_ownLoaded) {
        QCoreApplication::removeTranslator(&m_own);
    }
}

void InstallTraceLogging() {
    SetDebugTraceSink([](std::string_view text) {
        qCDebug(lcTrace).noquote() << QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
    });
}

bool CTessaroApp::InitInstance() {
    const bool socketsOk = m_socketLayerCheck ? m_socketLayerCheck() : SocketLayerAvailable();
    if (!socketsOk) {
        ShowMessage(QStringLiteral("Windows 套接字初始化失败。"));
        return false;
    }
    CTessaroDlg dlg(m_dialogUdpPort);
    // The machine's serial devices join the Port list and follow hot-plug, from the moment
    // the window is up: their listing is no part of showing it.
    dlg.UsePortListerWhenShown(std::make_shared<CSystemPortLister>(), PORT_REFRESH_MS);
    m_dialogCreated = true;
    if (m_dialogHook) {
        m_dialogHook(dlg);
    }
    dlg.exec();
    return false;
}

void CTessaroApp::ShowMessage(const QString& text) {
    if (m_messageHook) {
        m_messageHook(text);
        return;
    }
    QMessageBox::information(nullptr, QStringLiteral("Tessaro"), text);
}
