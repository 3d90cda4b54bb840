// The dialog's Port list beyond "com 1" to "com 15": the machine's serial devices as they come
// and go, and "Find reader", which looks for a reader at each speed of the Port baud rate list.
#include "ui/TessaroDlg.h"

#include "core/ChoiceLists.h"
#include "serial/PortWatcher.h"
#include "ui/CatalogText.h"
#include "ui/ControlCatalog.h"
#include "ui/ProfileRun.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

constexpr int PATH_ROLE = Qt::UserRole;
constexpr int SERIAL_ROLE = Qt::UserRole + 1;
// Between a device's path and its description in the list.
const QString PATH_SEPARATOR = QStringLiteral(" — ");

bool SameDevice(const PortInfo& a, const PortInfo& b) {
    return (!a.serialNumber.isEmpty() && a.serialNumber == b.serialNumber) || a.path == b.path;
}

} // namespace

void CTessaroDlg::UsePortLister(std::shared_ptr<const IPortLister> lister, int intervalMs) {
    m_portWatcher = std::make_unique<CPortWatcher>(std::move(lister), intervalMs);
    connect(m_portWatcher.get(), &CPortWatcher::PortsChanged, this, &CTessaroDlg::OnPortsChanged);
    m_portWatcher->Start();
}

void CTessaroDlg::UsePortListerWhenShown(std::shared_ptr<const IPortLister> lister,
                                         int intervalMs) {
    CallWhenShown([this, lister = std::move(lister), intervalMs]() mutable {
        UsePortLister(std::move(lister), intervalMs);
    });
}

void CTessaroDlg::OnPortsChanged() {
    QComboBox* port = combo(IDC_PORT);
    QLineEdit* line = port->lineEdit();
    // What the user sees and is typing stays exactly as it is.
    const QString text = port->currentText();
    const int cursor = line->cursorPosition();
    const int selStart = line->selectionStart();
    const int selLength = line->selectedText().size();
    const int current = port->currentIndex();
    const QString currentPath =
        current >= PORT_COUNT ? port->itemData(current, PATH_ROLE).toString() : QString();

    const QSignalBlocker quiet(port);
    while (port->count() > PORT_COUNT) {
        port->removeItem(PORT_COUNT);
    }
    const QList<PortInfo> ports = m_portWatcher ? m_portWatcher->Ports() : QList<PortInfo>();
    const auto add = [port](const PortInfo& p, const QString& itemText) {
        port->addItem(itemText);
        const int i = port->count() - 1;
        port->setItemData(i, p.path, PATH_ROLE);
        port->setItemData(i, p.serialNumber, SERIAL_ROLE);
        port->setItemData(i, PortDetails(p), Qt::ToolTipRole);
    };
    // The open device stays listed, marked, until it is closed.
    const bool openGone =
        m_comm.get_PortOpen() && m_openedDevice && m_comm.PortName() == m_openedDevice->path &&
        std::none_of(ports.begin(), ports.end(),
                     [this](const PortInfo& p) { return p.path == m_openedDevice->path; });
    if (openGone) {
        add(*m_openedDevice, PortItemText(*m_openedDevice) + tr(" (gone)"));
    }
    for (const PortInfo& p : ports) {
        add(p, PortItemText(p));
    }

    int select = currentPath.isEmpty() ? -1 : port->findData(currentPath, PATH_ROLE);
    // The device opened last is back (same serial number, or same path) and the user has not
    // typed anything else: pick it, so that one press opens it.
    if (select < 0 && m_openedDevice && text == m_openedDeviceText) {
        for (int i = PORT_COUNT; i < port->count(); ++i) {
            PortInfo listed;
            listed.path = port->itemData(i, PATH_ROLE).toString();
            listed.serialNumber = port->itemData(i, SERIAL_ROLE).toString();
            if (SameDevice(*m_openedDevice, listed)) {
                select = i;
                break;
            }
        }
    }
    if (select >= 0 && (select != current || port->itemText(select) != text)) {
        port->setCurrentIndex(select);
        if (text == m_openedDeviceText) {
            m_openedDeviceText = port->itemText(select);
        }
        return;
    }
    if (current >= 0 && current < PORT_COUNT) {
        port->setCurrentIndex(current);
    }
    if (port->currentText() != text) {
        port->setEditText(text);
    }
    if (selLength > 0) {
        line->setSelection(selStart, selLength);
    } else {
        line->setCursorPosition(cursor);
    }
}

CTessaroDlg::PortChoice CTessaroDlg::SelectedPort() const {
    const QComboBox* port = combo(IDC_PORT);
    const QString text = port->currentText();
    // An item names port number position + 1, or a listed device; any other text is a device
    // name or path (a device's item text left behind after it went away still names its path).
    const int item = port->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item >= 0 && item < PORT_COUNT) {
        return {item + 1, {}};
    }
    if (item >= PORT_COUNT) {
        return {0, port->itemData(item, PATH_ROLE).toString()};
    }
    const qsizetype separator = text.indexOf(PATH_SEPARATOR);
    return {0, separator > 0 ? text.left(separator) : text};
}

void CTessaroDlg::NotePortOpened(const PortChoice& port) {
    if (!m_comm.get_PortOpen() || port.comPort > 0 || !m_portWatcher) {
        return;
    }
    for (const PortInfo& p : m_portWatcher->Ports()) {
        if (p.path == port.path) {
            m_openedDevice = std::make_shared<PortInfo>(p);
            m_openedDeviceText = combo(IDC_PORT)->currentText();
            return;
        }
    }
}

void CTessaroDlg::OnFindReader() {
    if (m_comm.get_PortOpen()) {
        OnOpenSerialPort(); // closed first: it is opened again at each speed
    }
    std::vector<PortChoice> ports;
    std::vector<QString> labels;
    if (!combo(IDC_PORT)->currentText().trimmed().isEmpty()) {
        const PortChoice port = SelectedPort();
        ports.push_back(port);
        labels.push_back(port.comPort > 0 ? QStringLiteral("com %1").arg(port.comPort) : port.path);
    } else if (m_portWatcher) {
        for (const PortInfo& p : m_portWatcher->Ports()) {
            ports.push_back({0, p.path});
            labels.push_back(p.path);
        }
    }
    m_findQueue.clear();
    for (std::size_t i = 0; i < ports.size(); ++i) {
        for (const int baud : ReaderSearchSpeeds()) {
            m_findQueue.push_back({ports[i], labels[i], baud});
        }
    }
    if (m_findQueue.empty()) {
        ShowMessage(tr("No serial port to search: type one into the Serial Port box."));
        return;
    }
    m_findIndex = 0;
    m_findActive = true;
    m_findCancelled = false;
    SetSettingButtons(false);
    SetProfileButtons(false);
    button(IDC_FIND_READER)->setEnabled(false);

    m_findProgress = NewRunProgress(tr("Find reader"));
    m_findProgress->setMaximum(int(m_findQueue.size()));
    m_findProgress->show();
    FindReaderNext();
}

void CTessaroDlg::FindReaderNext() {
    while (m_findIndex < m_findQueue.size() && !m_findCancelled) {
        const FindCandidate& c = m_findQueue[m_findIndex];
        m_findProgress->setValue(int(m_findIndex));
        m_findProgress->setLabelText(tr("Trying %1 at %2 baud (%3 of %4)")
                                         .arg(c.label)
                                         .arg(c.baud)
                                         .arg(m_findIndex + 1)
                                         .arg(m_findQueue.size()));
        m_reply.ClearBuffer();
        try {
            OpenPortAt(c.port, QString::number(c.baud));
        } catch (const CommError&) {
            // A port that does not open is not tried at its other speeds.
            const QString label = c.label;
            while (m_findIndex < m_findQueue.size() && m_findQueue[m_findIndex].label == label) {
                ++m_findIndex;
            }
            continue;
        }
        SequencerOptions options;
        options.mode = SequencerMode::Compare; // the parameter query alone
        options.retries = 0;
        options.port = m_comm.SettingsValue();
        m_profileRun = std::make_unique<CProfileRun>(m_comm, Profile{}, options);
        m_profileRun->SetTrace([this](FrameDirection direction, const QByteArray& bytes) {
            LogFrame(FrameChannel::Serial, direction, SerialLogPort(), bytes);
        });
        connect(m_profileRun.get(), &CProfileRun::Finished, this, &CTessaroDlg::OnFindReaderStep);
        m_profileRun->Start();
        return;
    }
    QStringList tried;
    QStringList speeds;
    for (const FindCandidate& c : m_findQueue) {
        if (!tried.contains(c.label)) {
            tried << c.label;
        }
        if (!speeds.contains(QString::number(c.baud))) {
            speeds << QString::number(c.baud);
        }
    }
    LogNote(FrameChannel::Serial, QString(),
            m_findCancelled
                ? QStringLiteral("find reader: cancelled")
                : QStringLiteral("find reader: no reader answered on %1 at %2 baud")
                      .arg(tried.join(QStringLiteral(", ")), speeds.join(QStringLiteral(", "))));
    EndFindReader(m_findCancelled ? tr("Find reader cancelled.")
                                  : tr("No reader answered on %1 at %2 baud.")
                                        .arg(tried.join(QStringLiteral(", ")),
                                             speeds.join(QStringLiteral(", "))));
}

void CTessaroDlg::OnFindReaderStep() {
    // Finished is still being emitted by the run: let it go once that is over.
    CProfileRun* run = m_profileRun.release();
    run->deleteLater();
    const std::optional<SerialParamRecord> record = run->Result().before;
    // Cancel stops the run on the port; no further speed is tried.
    m_findCancelled = m_findCancelled || run->Cancelled();
    if (!record || run->Cancelled()) {
        if (m_comm.get_PortOpen()) {
            m_comm.put_PortOpen(false);
        }
        ++m_findIndex;
        FindReaderNext();
        return;
    }
    const FindCandidate& found = m_findQueue[m_findIndex];
    // The port and speed that answered are what the lists now hold; the port stays open.
    ShowPortBaud(found.baud);
    QComboBox* port = combo(IDC_PORT);
    const int portItem = found.port.comPort > 0 ? found.port.comPort - 1
                                                : port->findData(found.port.path, PATH_ROLE);
    if (portItem >= 0) {
        port->setCurrentIndex(portItem);
    } else if (port->currentText().trimmed().isEmpty()) {
        port->setEditText(found.port.path);
    }
    NotePortOpened(found.port);
    button(IDC_OPEN_SERIAL_PORT)->setText(CloseSerialPortCaption());
    ShowSerialParams(*record);
    LogNote(FrameChannel::Serial, SerialLogPort(),
            QStringLiteral("find reader: reader found on %1 at %2 baud")
                .arg(found.label)
                .arg(found.baud));
    EndFindReader(tr("Reader found on %1 at %2 baud").arg(found.label).arg(found.baud));
}

void CTessaroDlg::ShowPortBaud(int baud) {
    QComboBox* box = combo(IDC_PORT_BAUD);
    const int item = box->findText(QString::number(baud));
    if (item >= 0) {
        box->setCurrentIndex(item);
    } else {
        box->setEditText(QString::number(baud));
    }
}

void CTessaroDlg::EndFindReader(const QString& outcome) {
    m_findActive = false;
    if (m_findProgress) {
        m_findProgress->deleteLater();
        m_findProgress = nullptr;
    }
    SetProfileButtons(true);
    button(IDC_FIND_READER)->setEnabled(true);
    SetSettingButtons(m_comm.get_PortOpen());
    ShowOutcome(outcome);
    if (!m_comm.get_PortOpen() && !m_findCancelled) {
        ShowMessage(outcome);
    }
}
