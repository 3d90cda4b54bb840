#include "ui/ProfileRun.h"

#include "serial/Mscomm1.h"

#include <QStringList>

CProfileRun::CProfileRun(CMscomm1& comm, Profile profile, SequencerOptions options, QObject* parent)
    : QObject(parent), m_comm(comm), m_startPort(options.port), m_job(std::move(profile), options),
      m_driver(comm, m_job) {
    connect(&m_driver, &CPortDriver::Progress, this, &CProfileRun::Progress);
    connect(&m_driver, &CPortDriver::Finished, this, [this] {
        SettlePort();
        emit Finished();
    });
}

void CProfileRun::SettlePort() {
    const CommSettings at = m_job.Result().answersAt.value_or(m_startPort);
    if (!m_comm.get_PortOpen() ||
        m_comm.get_Settings() == QString::fromStdString(CommSettingsText(at))) {
        return;
    }
    try {
        m_comm.put_Settings(at);
    } catch (const CommError&) {
        // The port is gone; the dialog sees it closed.
    }
}

QString CProfileRun::CurrentKeys() const {
    const auto& commands = m_job.Result().plan.commands;
    const std::size_t i = CommandIndex();
    QStringList names;
    if (i < commands.size()) {
        for (const ProfileKey key : commands[i].keys) {
            names << QLatin1String(Info(key).name);
        }
    }
    return names.join(QStringLiteral(", "));
}
