#include "cli/PortRunner.h"

#include <QFileInfo>
#include <QRegularExpression>

#if defined(Q_OS_UNIX)
#include <termios.h>
#endif

namespace {

// A frame at the slowest speed takes well under this.
constexpr int DRAIN_LIMIT_MS = 2000;

const QRegularExpression& ComPattern() {
    static const QRegularExpression com(QStringLiteral("^com\\s*([0-9]+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    return com;
}

} // namespace

QString PortNameError(const QString& port) {
    if (port.trimmed().isEmpty()) {
        return QStringLiteral("--port: an empty port name");
    }
    const auto match = ComPattern().match(port.trimmed());
    if (match.hasMatch() && match.captured(1).toInt() < 1) {
        return QStringLiteral("--port %1: com ports count from com 1").arg(port);
    }
    return {};
}

QString SerialDevicePath(const QString& port) {
    const QString text = port.trimmed();
    const auto match = ComPattern().match(text);
    if (match.hasMatch()) {
#if defined(Q_OS_WIN)
        return QStringLiteral("COM%1").arg(match.captured(1).toInt());
#else
        return QStringLiteral("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
#endif
    }
    // QSerialPort reads a bare name as a device under /dev: a file here is meant as itself.
    if (text.contains(u'/') || QFileInfo::exists(text)) {
        return QFileInfo(text).absoluteFilePath();
    }
    return text;
}

CPortRunner::CPortRunner(QString port, CommSettings settings, QObject* parent)
    : QObject(parent), m_portText(std::move(port)), m_settings(settings) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CPortRunner::OnDeadline);
    connect(&m_port, &QSerialPort::readyRead, this, &CPortRunner::OnReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &CPortRunner::OnError);
}

bool CPortRunner::OpenAt(const CommSettings& settings) {
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                                   QSerialPort::OddParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    static const QSerialPort::StopBits stops[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                  QSerialPort::TwoStop};
    m_port.setPortName(SerialDevicePath(m_portText));
    m_port.setBaudRate(settings.baudRate);
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
    m_port.setParity(parities[static_cast<int>(settings.parity)]);
    m_port.setStopBits(stops[static_cast<int>(settings.stopBits)]);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_portError = m_port.errorString();
        return false;
    }
    m_settings = settings;
    DiscardInput();
    if (m_opened) {
        m_opened(m_portText, settings);
    }
    return true;
}

void CPortRunner::DiscardInput() {
    // Whatever is on the line before a frame goes out (a late reply to an earlier command or
    // run) is not its reply.
    m_port.clear(QSerialPort::Input);
}

void CPortRunner::Drain() {
    // Qt's buffer first, then the driver's: a USB adapter that changes speed with bytes still
    // queued sends them garbled.
    while (m_port.bytesToWrite() > 0 && m_port.waitForBytesWritten(DRAIN_LIMIT_MS)) {
    }
#if defined(Q_OS_UNIX)
    if (m_port.handle() >= 0) {
        ::tcdrain(m_port.handle());
    }
#endif
}

void CPortRunner::Run(PortJob& job) {
    m_job = &job;
    m_clock.start();
    if (!OpenAt(m_settings)) {
        m_openFailed = true;
        // Reported after Run returns, as every other ending is.
        QTimer::singleShot(0, this, &CPortRunner::Finished);
        return;
    }
    m_running = true;
    Carry(m_job->Start(Now()));
}

void CPortRunner::Carry(SequencerStep step) {
    while (m_running) {
        if (!step.write.empty()) {
            const QByteArray bytes(reinterpret_cast<const char*>(step.write.data()),
                                   qsizetype(step.write.size()));
            if (m_trace) {
                m_trace(m_portText, FrameDirection::Sent, bytes);
            }
            DiscardInput();
            // One piece: a frame split across writes could reach the reader with a gap.
            if (m_port.write(bytes) != bytes.size()) {
                m_portError = m_port.errorString();
                m_lost = true;
                m_port.close();
                step = m_job->OnPortLost(Now());
                continue;
            }
        }
        if (step.reopen) {
            if (step.drain) {
                Drain();
            }
            m_port.close();
            if (!OpenAt(*step.reopen)) {
                m_lost = true;
                step = m_job->OnPortLost(Now());
                continue;
            }
            step = m_job->OnPortReopened(Now());
            continue;
        }
        if (step.done) {
            Finish();
            return;
        }
        if (step.deadlineMs) {
            m_timer.start(int(std::max<std::int64_t>(0, *step.deadlineMs - Now())));
        }
        return;
    }
}

void CPortRunner::OnReadyRead() {
    if (!m_running) {
        m_port.readAll();
        return;
    }
    const QByteArray bytes = m_port.readAll();
    if (bytes.isEmpty()) {
        return;
    }
    if (m_trace) {
        m_trace(m_portText, FrameDirection::Received, bytes);
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    Carry(m_job->OnBytes({data, std::size_t(bytes.size())}, Now()));
}

void CPortRunner::OnError(QSerialPort::SerialPortError error) {
    // A pseudo-terminal has no modem lines; everything else that reaches here while running
    // means the device is gone or unusable.
    if (!m_running || error == QSerialPort::NoError ||
        error == QSerialPort::UnsupportedOperationError || error == QSerialPort::TimeoutError) {
        return;
    }
    m_portError = m_port.errorString();
    m_lost = true;
    m_port.close();
    m_timer.stop();
    Carry(m_job->OnPortLost(Now()));
}

void CPortRunner::OnDeadline() {
    if (m_running) {
        Carry(m_job->OnTick(Now()));
    }
}

void CPortRunner::Finish() {
    m_running = false;
    m_timer.stop();
    if (m_port.isOpen()) {
        m_port.flush();
        m_port.close();
    }
    emit Finished();
}
