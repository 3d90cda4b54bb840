// tessaroctl as a child process, and simulated readers for it to talk to: each on its own
// pseudo-terminal, its UDP traffic kept on loopback away from the fixed ports.
#pragma once

#include "tests/support/SimProcess.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QUdpSocket>

#include <memory>
#include <vector>

struct CtlResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    QJsonArray JsonArray() const { return QJsonDocument::fromJson(out).array(); }
    QJsonObject JsonObject() const { return QJsonDocument::fromJson(out).object(); }
};

inline CtlResult RunCtl(const QStringList& arguments, int timeoutMs = 30000,
                        const QString& workingDirectory = {}) {
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(TESSAROCTL_PATH), arguments);
    CtlResult result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// Announcements go to a socket of the test's own, never to the fixed ports.
class SimReaders {
public:
    SimReaders() { m_sink.bind(QHostAddress(QHostAddress::LocalHost), 0); }

    // Starts one more reader; its pseudo-terminal path, empty when it did not start.
    QString Start(const QStringList& extra = {}) {
        auto sim = std::make_unique<SimProcess>();
        QStringList args{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                         QStringLiteral("--target"),
                         QStringLiteral("127.0.0.1:%1").arg(m_sink.localPort())};
        if (!sim->Start(args + extra)) {
            return {};
        }
        m_sims.push_back(std::move(sim));
        return m_sims.back()->Pty();
    }

    SimProcess& operator[](std::size_t i) { return *m_sims.at(i); }

    // Frames the reader received, as its log shows them.
    int FramesSeen(std::size_t i) {
        return int(m_sims.at(i)->Output().count(QStringLiteral("serial rx")));
    }

private:
    QUdpSocket m_sink;
    std::vector<std::unique_ptr<SimProcess>> m_sims;
};
