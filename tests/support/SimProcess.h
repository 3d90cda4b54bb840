// reader-sim as a child process: started with the given options, ready once it has printed its
// serial port and its UDP endpoint, stopped with SIGINT like Ctrl-C.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <csignal>

class SimProcess {
public:
    SimProcess() = default;
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    ~SimProcess() { Stop(); }

    bool Start(const QStringList& arguments) {
        m_process.setProgram(QStringLiteral(READER_SIM_PATH));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start();
        if (!m_process.waitForStarted(5000)) {
            return false;
        }
        static const QRegularExpression serial(QStringLiteral("^reader-sim: serial port (\\S+)$"),
                                               QRegularExpression::MultilineOption);
        static const QRegularExpression listen(
            QStringLiteral("^reader-sim: listening on [0-9.]+:(\\d+)$"),
            QRegularExpression::MultilineOption);
        const QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired()) {
            const auto s = serial.match(Output());
            const auto l = listen.match(Output());
            if (s.hasMatch() && l.hasMatch()) {
                m_pty = s.captured(1);
                m_udpPort = quint16(l.captured(1).toUInt());
                return true;
            }
            if (m_process.state() != QProcess::Running) {
                return false;
            }
            m_process.waitForReadyRead(100);
        }
        return false;
    }

    // Everything the simulator has printed so far (the event loop must have run).
    QString Output() {
        m_output += m_process.readAll();
        return QString::fromLocal8Bit(m_output);
    }

    QString Pty() const { return m_pty; }
    quint16 UdpPort() const { return m_udpPort; }
    qint64 Pid() const { return m_process.processId(); }

    // Ctrl-C, as a user would stop it; its exit code (-1 when it had to be killed).
    int Stop() {
        if (m_process.state() == QProcess::NotRunning) {
            return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
        }
        ::kill(pid_t(m_process.processId()), SIGINT);
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
            return -1;
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    QProcess m_process;
    QByteArray m_output;
    QString m_pty;
    quint16 m_udpPort = 0;
};
