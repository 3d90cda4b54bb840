#include "ui/TessaroDlg.h"

#include "core/DebugTrace.h"
#include "serial/PortWatcher.h"
#include "ui/CatalogText.h"
#include "ui/ControlCatalog.h"
#include "ui/IPAddressCtrl.h"
#include "ui/LogWindow.h"
#include "ui/ProfileResultsView.h"
#include "ui/ProfileRun.h"

#include <QComboBox>
#include <QDateTime>
#include <QFocusEvent>
#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include <charconv>
#include <limits>

namespace {

using Handler = void (CTessaroDlg::*)();

struct ButtonHandler {
    int id;
    Handler handler;
};

const ButtonHandler BUTTON_HANDLERS[] = {
    {IDC_SEARCH_DEVICE, &CTessaroDlg::OnSearchDevice},
    {IDC_GET_CURRENT_PARAM, &CTessaroDlg::OnGetCurrentParameter},
    {IDC_NET_SETUP, &CTessaroDlg::OnNetSetup},
    {IDC_GET_PARAMETER, &CTessaroDlg::OnGetParameter},
    {IDC_TOTAL_RECORDS, &CTessaroDlg::OnTotalRecords},
    {IDC_READ_RECORD, &CTessaroDlg::OnReadRecord},
    {IDC_KEEP_RECORD, &CTessaroDlg::OnKeepRecord},
    {IDC_OPEN_SERIAL_PORT, &CTessaroDlg::OnOpenSerialPort},
    {IDC_TRANSMIT_TEST, &CTessaroDlg::OnTransmitTest},
    {IDC_FIND_READER, &CTessaroDlg::OnFindReader},
    {IDC_SAVE_PROFILE, &CTessaroDlg::OnSaveProfile},
    {IDC_LOAD_PROFILE, &CTessaroDlg::OnLoadProfile},
    {IDC_APPLY_PROFILE, &CTessaroDlg::OnApplyProfile},
    {IDC_COMPARE_PROFILE, &CTessaroDlg::OnCompareProfile},
    {IDC_LOG, &CTessaroDlg::OnLog},
};

// Bound int boxes, in the order they are exchanged.
constexpr int INT_BOXES[] = {IDC_SERVER_PORT, IDC_LOW_PULSE, IDC_HIGH_PULSE};

constexpr int STATUS_PANE0_WIDTH = 220;
constexpr int PULSE_MINIMUM = 100;

// Whole text is one signed 32-bit decimal number, blanks around it allowed.
bool ParseInt(const QString& text, int& value) {
    const QByteArray bytes = text.trimmed().toLatin1();
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    if (first != last && *first == '+') {
        ++first;
    }
    int v = 0;
    const auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last || first == last) {
        return false;
    }
    value = v;
    return true;
}

std::uint32_t ParseDotted(const char* text) {
    std::uint32_t address = 0;
    const QStringList fields = QString::fromLatin1(text).split(QLatin1Char('.'));
    for (const QString& f : fields) {
        address = (address << 8) | (f.toUInt() & 0xFF);
    }
    return address;
}

} // namespace

CTessaroDlg::CTessaroDlg(quint16 localUdpPort, QWidget* parent)
    : QDialog(parent), m_localUdpPort(localUdpPort) {
    setWindowTitle(tr("Parameter setting(V.21.4.22)"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    m_logClock.start();
    BuildControls();
    connect(&m_comm, &CMscomm1::OnComm, this, [this] { Guarded([this] { OnComm(); }); });
    m_replyTimer.setSingleShot(true);
    connect(&m_replyTimer, &QTimer::timeout, this, &CTessaroDlg::OnReplyTimeout);
    OnInitDialog();
}

CTessaroDlg::~CTessaroDlg() = default;

void CTessaroDlg::BuildControls() {
    std::map<ControlGroup, std::vector<std::vector<QWidget*>>> rows;

    for (const ControlSpec& spec : ControlCatalog()) {
        QWidget* w = nullptr;
        const QString caption = CatalogText(spec.caption);
        const QString name = QString::fromUtf8(spec.name);
        switch (spec.kind) {
        case ControlKind::Button: {
            auto* b = new QPushButton(caption, this);
            // Enter belongs to the dialog's OK action, not to whichever button had focus last.
            b->setAutoDefault(false);
            b->setDefault(false);
            w = b;
            break;
        }
        case ControlKind::ListBox: {
            auto* list = new QListWidget(this);
            // Laid out a hundred rows per pass: with thousands of readers listed, laying out
            // every row again after each arrival fell behind the datagrams.
            list->setLayoutMode(QListView::Batched);
            w = list;
            break;
        }
        case ControlKind::DropList:
            w = new QComboBox(this);
            break;
        case ControlKind::EditCombo: {
            auto* c = new QComboBox(this);
            c->setEditable(true);
            c->setInsertPolicy(QComboBox::NoInsert);
            w = c;
            break;
        }
        case ControlKind::IpAddress:
            w = new CIPAddressCtrl(this);
            break;
        case ControlKind::Edit:
        case ControlKind::EditInt:
            w = new QLineEdit(this);
            break;
        case ControlKind::EditMulti: {
            auto* e = new QPlainTextEdit(this);
            e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            if (spec.id != IDC_RECORD) {
                e->setMinimumWidth(240); // a frame echo of a few dozen bytes per line
            }
            w = e;
            break;
        }
        }
        if (spec.id == IDC_SERVER_ADDRESS) {
            w->setMinimumWidth(w->fontMetrics().horizontalAdvance(QLatin1Char('m')) * 14);
        }
        w->setObjectName(QStringLiteral("control%1").arg(spec.id));
        // A button is announced by the caption it shows now ("Close Serial Port" once open);
        // a fixed name would go stale. Other controls are named by their label or catalogue name.
        const bool namedByText = spec.kind == ControlKind::Button && !caption.isEmpty();
        if (!namedByText) {
            w->setAccessibleName(caption.isEmpty() ? name : caption);
        }
        if (name != (caption.isEmpty() ? name : caption)) {
            w->setAccessibleDescription(name);
        }
        m_controls[spec.id] = w;

        QLabel* label = nullptr;
        if (spec.kind != ControlKind::Button && !caption.isEmpty()) {
            label = new QLabel(caption, this);
            label->setBuddy(w);
        }
        if (spec.group == ControlGroup::Hidden) {
            // Created and filled like the others, never shown.
            w->hide();
            if (label) {
                label->hide();
            }
            continue;
        }
        auto& groupRows = rows[spec.group];
        if (groupRows.size() <= static_cast<std::size_t>(spec.row)) {
            groupRows.resize(spec.row + 1);
        }
        if (label) {
            groupRows[spec.row].push_back(label);
        }
        groupRows[spec.row].push_back(w);
    }

    for (const int id : {IDC_LOW_PULSE, IDC_HIGH_PULSE}) {
        control(id)->installEventFilter(this);
    }
    for (const ButtonHandler& h : BUTTON_HANDLERS) {
        connect(button(h.id), &QPushButton::clicked, this,
                [this, handler = h.handler] { Guarded([this, handler] { (this->*handler)(); }); });
    }
    ConnectSettingButtons();
    connect(deviceList(), &QListWidget::itemSelectionChanged, this,
            [this] { OnSelchangeDevList(); });

    auto makeGroup = [&](ControlGroup group) -> QWidget* {
        const GroupSpec* g = nullptr;
        for (const GroupSpec& gs : GroupCatalog()) {
            if (gs.group == group) {
                g = &gs;
            }
        }
        QWidget* box =
            (g && *g->caption) ? new QGroupBox(CatalogText(g->caption), this) : new QWidget(this);
        auto* v = new QVBoxLayout(box);
        if (!(g && *g->caption)) {
            v->setContentsMargins(0, 0, 0, 0);
        }
        for (const auto& row : rows[group]) {
            auto* h = new QHBoxLayout;
            for (QWidget* w : row) {
                h->addWidget(w, qobject_cast<QLabel*>(w) ? 0 : 1);
            }
            v->addLayout(h);
        }
        return box;
    };

    auto* top = new QHBoxLayout;
    top->addWidget(makeGroup(ControlGroup::TopLeft), 1);
    top->addWidget(makeGroup(ControlGroup::Network), 2);

    auto* left = new QVBoxLayout;
    left->addLayout(top);
    for (const ControlGroup g :
         {ControlGroup::Format, ControlGroup::External, ControlGroup::Barcode, ControlGroup::Card,
          ControlGroup::Wiegand, ControlGroup::QrCode, ControlGroup::Records}) {
        left->addWidget(makeGroup(g));
    }

    auto* right = new QVBoxLayout;
    for (const ControlGroup g :
         {ControlGroup::SerialPort, ControlGroup::BaudRate, ControlGroup::SerialButtons,
          ControlGroup::Profile, ControlGroup::Transmit, ControlGroup::Receive}) {
        right->addWidget(makeGroup(g), g == ControlGroup::Receive ? 1 : 0);
    }

    auto* body = new QHBoxLayout;
    body->addLayout(left, 4);
    body->addLayout(right, 1);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(false);
    m_pane[0] = new QLabel(m_statusBar);
    m_pane[0]->setFixedWidth(STATUS_PANE0_WIDTH);
    m_pane[1] = new QLabel(m_statusBar);
    // A long dump must not widen the dialog.
    m_pane[1]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pane[1]->setMinimumWidth(0);
    m_statusBar->addWidget(m_pane[0]);
    m_statusBar->addWidget(m_pane[1], 1);

    auto* root = new QVBoxLayout(this);
    root->addLayout(body, 1);
    root->addWidget(m_statusBar);
}

bool CTessaroDlg::OnInitDialog() {
    UpdateData(false);
    m_bClientVer = 0;

    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif); // Swiss family where Arial is missing
    font.setPixelSize(14);
    font.setWeight(QFont::Bold);

    SetSettingButtons(false);
    for (const int id : ControlFontIds()) {
        control(id)->setFont(font);
    }

    SetPaneText(0, tr("OK."));
    SetPaneText(1, QString());

    SetupUdpSocket();

    for (const ControlSpec& spec : ControlCatalog()) {
        if (spec.id == IDC_PORT || spec.id == IDC_PORT_BAUD) {
            continue;
        }
        switch (spec.kind) {
        case ControlKind::DropList: {
            QComboBox* c = combo(spec.id);
            // Shown translated; the English item stays as the item's data for what is data.
            for (const char* item : spec.items) {
                c->addItem(ListItemText(item), QString::fromUtf8(item));
            }
            c->setCurrentIndex(spec.defaultIndex);
            break;
        }
        case ControlKind::IpAddress:
            ipAddress(spec.id)->SetAddress(ParseDotted(spec.defaultText));
            break;
        case ControlKind::Edit:
        case ControlKind::EditInt:
            edit(spec.id)->setText(QString::fromUtf8(spec.defaultText));
            break;
        default:
            break;
        }
    }

    setWindowIcon(QIcon(QStringLiteral(":/tessaro/tessaro.png")));

    QComboBox* port = combo(IDC_PORT);
    for (int n = 0; n < PORT_COUNT; ++n) {
        port->insertItem(n, QStringLiteral("com %1").arg(n + 1));
    }
    port->setCurrentIndex(PORT_DEFAULT_INDEX);

    QComboBox* baud = combo(IDC_PORT_BAUD);
    for (const char* rate : BAUD_RATE_ITEMS) {
        const int before = baud->count();
        baud->addItem(QString::fromLatin1(rate));
        if (baud->count() != before + 1) {
            ShowMessage(tr("build baud error"));
        }
    }
    baud->setCurrentIndex(PORT_BAUD_DEFAULT_INDEX);

    DebugTrace("AAAAA");
    return true;
}

QWidget* CTessaroDlg::control(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

QComboBox* CTessaroDlg::combo(int id) const {
    return qobject_cast<QComboBox*>(control(id));
}
QLineEdit* CTessaroDlg::edit(int id) const {
    return qobject_cast<QLineEdit*>(control(id));
}
QPlainTextEdit* CTessaroDlg::memo(int id) const {
    return qobject_cast<QPlainTextEdit*>(control(id));
}
CIPAddressCtrl* CTessaroDlg::ipAddress(int id) const {
    return qobject_cast<CIPAddressCtrl*>(control(id));
}
QListWidget* CTessaroDlg::deviceList() const {
    return qobject_cast<QListWidget*>(control(IDC_DEV_LIST));
}
QPushButton* CTessaroDlg::button(int id) const {
    return qobject_cast<QPushButton*>(control(id));
}

bool CTessaroDlg::UpdateData(bool saveAndValidate) {
    // Texts first: a bad int box must not cost the user the text typed into the others.
    QString* texts[] = {&m_strTransmit, &m_strReceive, &m_strRecord};
    const int textIds[] = {IDC_TRANSMIT, IDC_RECEIVE, IDC_RECORD};
    int* ints[] = {&m_nServerPort, &m_nLowPulse, &m_nHighPulse};

    if (saveAndValidate) {
        for (int i = 0; i < 3; ++i) {
            *texts[i] = memo(textIds[i])->toPlainText();
        }
        for (int i = 0; i < 3; ++i) {
            QLineEdit* box = edit(INT_BOXES[i]);
            if (!ParseInt(box->text(), *ints[i])) {
                ShowMessage(tr("Please enter an integer."));
                box->setFocus();
                box->selectAll();
                return false;
            }
        }
        return true;
    }

    for (int i = 0; i < 3; ++i) {
        QPlainTextEdit* box = memo(textIds[i]);
        if (box->toPlainText() != *texts[i]) {
            box->setPlainText(*texts[i]);
        }
    }
    // The Receive box scrolls to its newest bytes.
    if (QScrollBar* bar = memo(IDC_RECEIVE)->verticalScrollBar()) {
        bar->setValue(bar->maximum());
    }
    PutIntBoxes({IDC_SERVER_PORT, IDC_LOW_PULSE, IDC_HIGH_PULSE});
    return true;
}

void CTessaroDlg::PutIntBoxes(std::initializer_list<int> ids) {
    for (const int id : ids) {
        const int value = id == IDC_SERVER_PORT ? m_nServerPort
                          : id == IDC_LOW_PULSE ? m_nLowPulse
                                                : m_nHighPulse;
        const QString text = QString::number(value);
        if (edit(id)->text() != text) {
            edit(id)->setText(text);
        }
    }
}

void CTessaroDlg::SetSettingButtons(bool enable) {
    for (const int id : SettingButtonsOrder(enable)) {
        control(id)->setEnabled(enable);
    }
}

void CTessaroDlg::ShowMessage(const QString& text) {
    if (m_messageHook) {
        m_messageHook(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tessaro"), text, QMessageBox::Ok, this);
    box.exec();
}

void CTessaroDlg::SetPaneText(int pane, const QString& text) {
    if (pane == 0 || pane == 1) {
        m_pane[pane]->setText(text);
    }
}

QString CTessaroDlg::PaneText(int pane) const {
    return (pane == 0 || pane == 1) ? m_pane[pane]->text() : QString();
}

void CTessaroDlg::SelectListByNumber(int id, long long value) {
    QComboBox* list = combo(id);
    const QString prefix = QString::number(value);
    for (int i = 0; i < list->count(); ++i) {
        if (ItemData(list, i).startsWith(prefix, Qt::CaseInsensitive)) {
            list->setCurrentIndex(i);
            return;
        }
    }
}

void CTessaroDlg::SelectListIndex(int id, int index) {
    QComboBox* list = combo(id);
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void CTessaroDlg::ShowAffix(int id, bool hex, std::string_view hexText, std::string_view text) {
    edit(id)->setText(
        hex ? QString::fromLatin1(hexText.data(), static_cast<qsizetype>(hexText.size()))
            : QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
}

void CTessaroDlg::accept() {
    if (UpdateData(true)) {
        QDialog::accept();
    }
}

void CTessaroDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* b = qobject_cast<QPushButton*>(focusWidget())) {
            b->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CTessaroDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // A message box or popup taking the focus is not the user leaving the box.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (const int id : {IDC_LOW_PULSE, IDC_HIGH_PULSE}) {
                if (watched == control(id)) {
                    OnPulseKillFocus(id);
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CTessaroDlg::OnPulseKillFocus(int id) {
    if (m_inPulseCheck) {
        return;
    }
    m_inPulseCheck = true;
    UpdateData(true);
    int& value = id == IDC_LOW_PULSE ? m_nLowPulse : m_nHighPulse;
    if (value < PULSE_MINIMUM) {
        value = PULSE_MINIMUM;
        UpdateData(false);
    }
    m_inPulseCheck = false;
}

void CTessaroDlg::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const CommError& e) {
        LogNote(FrameChannel::Serial, SerialLogPort(), QString::fromLocal8Bit(e.what()));
        ShowMessage(QString::fromLocal8Bit(e.what()));
    }
}

void CTessaroDlg::OnSearchDevice() {}

void CTessaroDlg::OnGetCurrentParameter() {}

void CTessaroDlg::OnLog() {
    if (!m_logWindow) {
        m_logWindow = new CLogWindow(m_frameLog, this);
        m_logWindow->SetCaptureInfo([this] {
            pcapng::CaptureInfo info;
            info.application = "Tessaro " TESSARO_VERSION;
            info.comment = info.application;
            const std::string port = SerialLogPort().toStdString();
            if (!port.empty()) {
                const std::string settings = m_comm.get_Settings().toStdString();
                info.comment += "; " + port + " at " + settings;
                info.portSettings[port] = settings;
            }
            return info;
        });
        // Beside the dialog, not over it.
        m_logWindow->move(frameGeometry().topRight() + QPoint(8, 0));
    }
    m_logWindow->show();
    m_logWindow->raise();
}

void CTessaroDlg::LogFrame(FrameChannel channel, FrameDirection direction, QString where,
                           std::span<const std::uint8_t> bytes, std::string name,
                           const QString& local) {
    // Kept whether or not the window is open; only the window's refresh touches widgets.
    FrameLogEntry entry = MakeFrameEntry(m_logClock.nsecsElapsed() / 1000, channel, direction,
                                         where.toStdString(), bytes, std::move(name));
    entry.local = local.toStdString();
    m_frameLog.Add(std::move(entry), QDateTime::currentMSecsSinceEpoch());
}

void CTessaroDlg::LogFrame(FrameChannel channel, FrameDirection direction, QString where,
                           const QByteArray& bytes, std::string name) {
    LogFrame(channel, direction, std::move(where),
             std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                       std::size_t(bytes.size())),
             std::move(name));
}

void CTessaroDlg::LogNote(FrameChannel channel, QString where, const QString& text) {
    m_frameLog.Add(MakeNoteEntry(m_logClock.nsecsElapsed() / 1000, channel, where.toStdString(),
                                 text.toStdString()),
                   QDateTime::currentMSecsSinceEpoch());
}

QString CTessaroDlg::SerialLogPort() const {
    return m_comm.PortName();
}
