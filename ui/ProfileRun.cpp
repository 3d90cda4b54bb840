#include "ui/ProfileRun.h"

#include <QStringList>

CProfileRun::CProfileRun(CMscomm1& comm, Profile profile, SequencerOptions options, QObject* parent)
    : QObject(parent), m_job(std::move(profile), options), m_driver(comm, m_job) {
    connect(&m_driver, &CPortDriver::Progress, this, &CProfileRun::Progress);
    connect(&m_driver, &CPortDriver::Finished, this, &CProfileRun::Finished);
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
