// The main dialog: every control, the serial control, the UDP socket and the found readers.
#pragma once

#include "core/FrameLog.h"
#include "core/WireConstants.h"
#include "net/DiscoverDev.h"
#include "serial/Mscomm1.h"
#include "serial/SerialReply.h"
#include "ui/FileNames.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

class QComboBox;
class QFont;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressDialog;
class QPushButton;
class QStatusBar;
class QUdpSocket;
class CIPAddressCtrl;
class CLogWindow;
class CPortWatcher;
class CProfileResultsView;
class IPortLister;
struct PortInfo;
class CProfileRun;
struct Profile;
enum class SequencerMode;

class CTessaroDlg : public QDialog {
    Q_OBJECT
public:
    // Socket notification events, as the socket layer numbers them.
    static constexpr int FD_READ = 1;
    static constexpr int FD_CLOSE = 32;

    // localUdpPort: the port the UDP socket binds; tests pass 0.
    explicit CTessaroDlg(quint16 localUdpPort = UDP_LOCAL_PORT, QWidget* parent = nullptr);
    ~CTessaroDlg() override;

    // Every control by its id; nullptr for an unknown id.
    QWidget* control(int id) const;
    QComboBox* combo(int id) const;
    QLineEdit* edit(int id) const;
    QPlainTextEdit* memo(int id) const;
    CIPAddressCtrl* ipAddress(int id) const;
    QListWidget* deviceList() const;
    QPushButton* button(int id) const;

    // The one way between the bound boxes and their members. Saving stops at the first int box
    // that does not hold an integer, reports it and returns false.
    bool UpdateData(bool saveAndValidate = true);
    // Writes the given int boxes' members to them, and only those.
    void PutIntBoxes(std::initializer_list<int> ids);
    void SetSettingButtons(bool enable);

    // Modal message with an OK button; tests divert it through the hook.
    using MessageHook = std::function<void(const QString&)>;
    void ShowMessage(const QString& text);
    void SetMessageHook(MessageHook hook) { m_messageHook = std::move(hook); }

    // Where profiles are saved to and loaded from; tests answer instead of a file dialog. An
    // empty path means the user cancelled.
    using FileHook = std::function<QString(bool save)>;
    void SetFileHook(FileHook hook) { m_fileHook = std::move(hook); }

    // The machine's serial devices for the Port list; tests give their own listing.
    void UsePortLister(std::shared_ptr<const IPortLister> lister, int intervalMs);
    // The same once the window is shown: its thread and first listing do not delay the window.
    void UsePortListerWhenShown(std::shared_ptr<const IPortLister> lister, int intervalMs);

    // The whole text, whether or not the pane shows all of it; a text too long for the first
    // pane shows cut with an ellipsis and whole in the pane's tooltip.
    void SetPaneText(int pane, const QString& text);
    QString PaneText(int pane) const;
    // The part of the dialog that scrolls when the screen is smaller than the dialog.
    class QScrollArea* bodyArea() const {
        return m_bodyArea;
    }
    QStatusBar* statusBar() const { return m_statusBar; }

    // Selects the first item whose text begins with the decimal form of value, ignoring case;
    // leaves the selection alone when none does.
    void SelectListByNumber(int id, long long value);
    // Selects position index; one outside the list leaves it with no selection.
    void SelectListIndex(int id, int index);
    // An affix box filled from a record: the hex text when hex, else the affix's own bytes in
    // the system code page.
    void ShowAffix(int id, bool hex, std::string_view hexText, std::string_view text);

    // The state as tests and benches read it.
    int serverPort() const { return m_nServerPort; }
    int lowPulse() const { return m_nLowPulse; }
    int highPulse() const { return m_nHighPulse; }
    const QString& transmitText() const { return m_strTransmit; }
    const QString& recordText() const { return m_strRecord; }
    QUdpSocket* udpSocket() const { return m_udpSocket; }
    int clientVersion() const { return m_bClientVer; }
    const DeviceList& devices() const { return m_devList; }
    const DISCOVER_DEV_T& currentDevice() const { return m_curDev; }
    const SerialReplyState& replyState() const { return m_reply; }
    const CMscomm1& comm() const { return m_comm; }
    // The results of the last apply or compare; nullptr before the first.
    CProfileResultsView* profileResults() const { return m_results; }
    bool profileRunning() const { return m_profileRun != nullptr; }
    bool findingReader() const { return m_findActive; }
    // Every frame and datagram sent and received, and the errors and timeouts between them.
    const FrameLogBuffer& frameLog() const { return m_frameLog; }
    // The Log window; nullptr until "Log…" is first pressed.
    CLogWindow* logWindow() const { return m_logWindow; }

    // --- serial channel members (TessaroDlgSerial.cpp) ---
private:
    // The start of a command button: reply mode set, receive buffer cleared, controls read.
    void BeginSerialCommand(int replyMode);
    void SendSerialCommand(std::uint8_t cmdId, std::span<const std::uint8_t> payload);
    // A setting button's press: its row of the setting table, found by its handler.
    void SendSetting(void (CTessaroDlg::*handler)());
    void ConnectSettingButtons();

public:
    // --- end serial channel members ---

public slots:
    void accept() override; // Enter: exchange with validation, then end

    // Buttons without an action.
    void OnSearchDevice();
    void OnGetCurrentParameter();

    // Serial channel: setting commands, queries and records.
    void OnSetOutputFormat();    // 1027
    void OnSetCardInputFormat(); // 1019
    void OnSetEnterLineFeed();   // 1021
    void OnSetBarcodePrefix();   // 1065
    void OnSetBarcodeSuffix();   // 1066
    void OnSetLight();           // 1030
    void OnSetWorkingMode();     // 1028
    void OnSetSwitch();          // 1018, hidden
    void OnSetHorn();            // 1032
    void OnSetCloud();           // 1038, hidden
    void OnSetWiegandTiming();   // 1035
    void OnSetSerialParams();    // 1052
    void OnSetResetInterval();   // 1053
    void OnSetQrCode();          // 1060
    void OnSetCardAffix();       // 1024
    void OnGetParameter();       // 1080
    void OnTotalRecords();       // 1082
    void OnReadRecord();         // 1083
    void OnKeepRecord();         // 1084
    void OnOpenSerialPort();     // 1074
    void OnFindReader();         // 1104
    void OnTransmitTest();       // 1075
    void OnComm();               // serial control event

    // Profiles.
    void OnSaveProfile();    // 1100
    void OnLoadProfile();    // 1101
    void OnApplyProfile();   // 1102
    void OnCompareProfile(); // 1103
    void OnLog();            // 1106

    // Network channel.
    void OnNetSetup(); // 1006
    void OnSelchangeDevList();
    int OnUdpNotify(int event);

public:
    // --- serial channel methods (TessaroDlgSerial.cpp) ---
    // Writes header (its checksum filled in a copy) and payload as one frame, after showing the
    // frame in the Transmit box.
    void SerialCmdSend(const MspSendCmd_t& header, std::span<const std::uint8_t> payload);
    // Fills the dialog from a serial parameter record.
    void ShowSerialParams(const SerialParamRecord& record);
    // --- end serial channel methods ---

    // --- network channel methods (TessaroDlgNet.cpp) ---
    void UdpCmdRecv(const std::uint8_t* data, int count, const QHostAddress& source);
    int SelectDeviceByName(const QByteArray& name);
    void ShowUdpParams(std::span<const std::uint8_t> record);
    quint16 LocalUdpPort() const;
    void CloseUdpSocket();
    // --- end network channel methods ---

    // Runs once the window has been shown and painted, so that work the user does not see at
    // once (the port watcher's first listing) does not delay the window.
    void CallWhenShown(std::function<void()> work);

protected:
    // Sized to fit the available area of its screen the first time it is shown.
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Tests set up what no button press leads to (a half-received reply, bound values before an
    // exchange) through it: tests/support/DialogStateProbe.h.
    friend struct DialogStateProbe;

    // Bound values.
    int m_nServerPort = 0;
    int m_nLowPulse = 0;
    int m_nHighPulse = 0;
    QString m_strTransmit;
    QString m_strReceive;
    QString m_strRecord;

    // Network channel state.
    QUdpSocket* m_udpSocket = nullptr;
    int m_bClientVer = 0;
    DeviceList m_devList;
    bool m_devListFull = false; // the bound was reported
    DISCOVER_DEV_T m_curDev{};

    // Serial channel state.
    SerialReplyState m_reply;
    CMscomm1 m_comm;

    // Closes the socket without notifications before the members it would reach are gone, so
    // it comes after them.
    struct UdpSocketCloser {
        CTessaroDlg* dlg;
        ~UdpSocketCloser();
    };
    UdpSocketCloser m_udpCloser{this};

    // A "Set up" or "Get parameter" reply that does not end in time is said in the first pane.
    void ArmReplyTimer(std::size_t frameBytes);
    void OnReplyTimeout();

    // Profiles (TessaroDlgProfile.cpp).
    QString ChooseProfileFile(bool save);
    std::optional<Profile> ReadProfileFrom(const QString& path);
    void RunProfileFile(SequencerMode mode);
    void RunProfile(const Profile& profile, SequencerMode mode);
    void ShowProfileProgress();
    void OnProfileRunFinished();
    void SetProfileButtons(bool enable);
    // A window-modal progress dialog whose Cancel stops the run on the port.
    QProgressDialog* NewRunProgress(const QString& title);

    // The Port list's devices (TessaroDlgPorts.cpp).
    void OnPortsChanged();
    // What the Port list's text opens: a port number for "com N", else a device path.
    struct PortChoice {
        int comPort = 0; // 1 to 15, or 0 for a path
        QString path;
    };
    PortChoice SelectedPort() const;
    void OpenPortAt(const PortChoice& port, const QString& baud);
    void NotePortOpened(const PortChoice& port);
    void OnDeviceLost();
    void FindReaderNext();
    void OnFindReaderStep();
    // The Port baud rate box shows the speed the port is at.
    void ShowPortBaud(int baud);
    void EndFindReader(const QString& outcome);

    void BuildControls();
    void SetTabOrder();
    void FitToScreen();
    // A result of Tessaro's own in the first pane; the next command sent clears it.
    void ShowOutcome(const QString& text);
    void LogPortState(bool open);
    // A received serial piece, marked against the reply it belongs to.
    void LogReply(const QByteArray& input);
    // Entries of the frame log, stamped with the dialog's clock.
    // local: a datagram's own end, "a.b.c.d:port".
    void LogFrame(FrameChannel channel, FrameDirection direction, QString where,
                  std::span<const std::uint8_t> bytes, std::string name = {},
                  const QString& local = {});
    void LogFrame(FrameChannel channel, FrameDirection direction, QString where,
                  const QByteArray& bytes, std::string name = {});
    // The address and port datagrams to peer leave from.
    QString UdpLocalEnd(const QHostAddress& peer) const;
    void LogNote(FrameChannel channel, QString where, const QString& text);
    QString SerialLogPort() const;
    bool OnInitDialog();
    void SetupUdpSocket();
    void OnPulseKillFocus(int id);
    // Runs a button handler, turning a serial control error into a message.
    void Guarded(const std::function<void()>& handler);

    MessageHook m_messageHook;
    std::map<int, QWidget*> m_controls;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_pane[2] = {nullptr, nullptr};
    QString m_paneText[2];
    bool m_paneOutcome = false; // pane 0 holds a result of Tessaro's own
    class QScrollArea* m_bodyArea = nullptr;
    bool m_fitted = false;
    std::vector<std::function<void()>> m_whenShown;
    quint16 m_localUdpPort = UDP_LOCAL_PORT;
    bool m_inPulseCheck = false;

    QTimer m_replyTimer;
    std::int64_t m_replyTimeoutMs = 0;

    FileHook m_fileHook;
    QString m_profilePath;
    std::unique_ptr<CProfileRun> m_profileRun;
    QProgressDialog* m_progress = nullptr;
    CProfileResultsView* m_results = nullptr;
    bool m_profileCompare = false;

    std::unique_ptr<CPortWatcher> m_portWatcher;
    // The listed device opened last, so that it can be picked again when it comes back.
    std::shared_ptr<PortInfo> m_openedDevice;
    QString m_openedDeviceText;

    struct FindCandidate {
        PortChoice port;
        QString label; // the path or "com N"
        int baud = 0;
    };
    std::vector<FindCandidate> m_findQueue;
    std::size_t m_findIndex = 0;
    bool m_findActive = false;
    bool m_findCancelled = false;
    QProgressDialog* m_findProgress = nullptr;

    FrameLogBuffer m_frameLog;
    QElapsedTimer m_logClock;
    CLogWindow* m_logWindow = nullptr;
};
