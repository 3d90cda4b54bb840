// The dialog's profiles: saved from and loaded into the controls, applied to the reader on the
// open port and verified by reading it back, or compared with it.
#include "ui/TessaroDlg.h"

#include "profile/ProfileFile.h"
#include "ui/ControlCatalog.h"
#include "ui/ProfileControls.h"
#include "ui/ProfileResultsView.h"
#include "ui/ProfileRun.h"
#include "ui/ScreenFit.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>

QString CTessaroDlg::ChooseProfileFile(bool save) {
    if (m_fileHook) {
        return m_fileHook(save);
    }
    const QString filter = tr("Reader profiles (*.json);;All files (*)");
    const QString dir = m_profilePath.isEmpty() ? QString() : QFileInfo(m_profilePath).path();
    return save ? QFileDialog::getSaveFileName(this, tr("Save profile"), dir, filter)
                : QFileDialog::getOpenFileName(this, tr("Load profile"), dir, filter);
}

std::optional<Profile> CTessaroDlg::ReadProfileFrom(const QString& path) {
    const ProfileReadResult read = ReadProfileFile(path);
    if (!read.profile) {
        ShowMessage(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), read.error));
        return std::nullopt;
    }
    m_profilePath = path;
    return read.profile;
}

void CTessaroDlg::OnSaveProfile() {
    const ControlsProfile current = ProfileFromControls(*this);
    if (!current.problems.isEmpty()) {
        ShowMessage(tr("These values cannot go into a profile:\n") +
                    current.problems.join(QLatin1Char('\n')));
        return;
    }
    // Without .json the Load and Apply dialogs would not list it.
    const QString path = WithDefaultSuffix(ChooseProfileFile(true), QStringLiteral("json"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!WriteProfileFile(path, current.profile, &error)) {
        ShowMessage(error);
        return;
    }
    m_profilePath = path;
    ShowOutcome(tr("Profile saved: %1").arg(QFileInfo(path).fileName()));
}

void CTessaroDlg::OnLoadProfile() {
    const QString path = ChooseProfileFile(false);
    if (path.isEmpty()) {
        return;
    }
    if (const std::optional<Profile> profile = ReadProfileFrom(path)) {
        ProfileToControls(*this, *profile);
        UpdateData(true); // the int boxes' members follow what was filled in
        ShowOutcome(tr("Profile loaded: %1").arg(QFileInfo(path).fileName()));
    }
}

void CTessaroDlg::OnApplyProfile() {
    RunProfileFile(SequencerMode::Apply);
}

void CTessaroDlg::OnCompareProfile() {
    RunProfileFile(SequencerMode::Compare);
}

void CTessaroDlg::RunProfileFile(SequencerMode mode) {
    if (!m_comm.get_PortOpen()) {
        ShowMessage(tr("Open the serial port first."));
        return;
    }
    const QString path = ChooseProfileFile(false);
    if (path.isEmpty()) {
        return;
    }
    // A refused file sends nothing.
    if (const std::optional<Profile> profile = ReadProfileFrom(path)) {
        RunProfile(*profile, mode);
    }
}

QProgressDialog* CTessaroDlg::NewRunProgress(const QString& title) {
    auto* progress = new QProgressDialog(this);
    progress->setWindowTitle(title);
    progress->setCancelButtonText(tr("Cancel"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    connect(progress, &QProgressDialog::canceled, this, [this] {
        if (m_profileRun) {
            m_profileRun->Cancel();
        }
    });
    return progress;
}

void CTessaroDlg::SetProfileButtons(bool enable) {
    // The port stays as the run needs it, and one run at a time.
    for (const int id : {IDC_SAVE_PROFILE, IDC_LOAD_PROFILE, IDC_APPLY_PROFILE, IDC_COMPARE_PROFILE,
                         IDC_OPEN_SERIAL_PORT}) {
        control(id)->setEnabled(enable);
    }
}

void CTessaroDlg::RunProfile(const Profile& profile, SequencerMode mode) {
    SequencerOptions options;
    options.mode = mode;
    options.port = m_comm.SettingsValue();
    // The reply state of the last button is of no use to the run; start afresh.
    m_reply.ClearBuffer();
    m_profileRun = std::make_unique<CProfileRun>(m_comm, profile, options);
    m_profileRun->SetTrace([this](FrameDirection direction, const QByteArray& bytes) {
        LogFrame(FrameChannel::Serial, direction, SerialLogPort(), bytes);
    });
    SetSettingButtons(false);
    SetProfileButtons(false);

    m_progress = NewRunProgress(mode == SequencerMode::Apply ? tr("Apply profile")
                                                             : tr("Compare with reader"));
    connect(m_profileRun.get(), &CProfileRun::Progress, this, &CTessaroDlg::ShowProfileProgress);
    connect(m_profileRun.get(), &CProfileRun::Finished, this, &CTessaroDlg::OnProfileRunFinished);
    m_profileCompare = mode == SequencerMode::Compare;
    m_profileRun->Start();
    if (m_profileRun && !m_profileRun->Done()) {
        m_progress->show();
    }
}

void CTessaroDlg::ShowProfileProgress() {
    if (!m_profileRun || !m_progress) {
        return;
    }
    const CProfileRun& run = *m_profileRun;
    // Read, each command, read back.
    const int steps = int(run.CommandCount()) + 2;
    int step = 1;
    QString what = tr("Reading the reader's settings");
    if (run.Result().before) {
        if (run.CommandIndex() < run.CommandCount()) {
            step = int(run.CommandIndex()) + 2;
            what = tr("Sending %1").arg(run.CurrentKeys());
        } else {
            step = steps;
            what = tr("Reading the settings back");
        }
    }
    m_progress->setMaximum(steps);
    m_progress->setValue(step - 1);
    m_progress->setLabelText(tr("Step %1 of %2: %3").arg(step).arg(steps).arg(what));
}

void CTessaroDlg::OnProfileRunFinished() {
    // Finished is still being emitted by the run: let it go once that is over.
    CProfileRun* run = m_profileRun.release();
    run->deleteLater();
    if (m_progress) {
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    SetProfileButtons(true);
    SetSettingButtons(m_comm.get_PortOpen());
    // The run left the port where the reader answers: the box says so.
    ShowPortBaud(m_comm.SettingsValue().baudRate);
    const QString what = m_profileCompare ? QStringLiteral("compare") : QStringLiteral("apply");
    if (run->Cancelled()) {
        LogNote(FrameChannel::Serial, SerialLogPort(), what + QStringLiteral(": cancelled"));
        ShowOutcome(tr("Profile run cancelled."));
        return;
    }
    const SequencerResult& result = run->Result();
    // The controls show what the reader reported last.
    if (result.after) {
        ShowSerialParams(*result.after);
    } else if (result.before) {
        ShowSerialParams(*result.before);
    }
    // The whole outcome in the Log too, in its own words: the pane has room for a short one.
    LogNote(FrameChannel::Serial, SerialLogPort(),
            what + QStringLiteral(" %1: ").arg(QFileInfo(m_profilePath).fileName()) +
                (result.ok ? QStringLiteral("every setting as in the profile")
                           : QString::fromStdString(result.error)) +
                (result.failure.empty() || result.failure == result.error
                     ? QString()
                     : QStringLiteral("; ") + QString::fromStdString(result.failure)));
    if (!m_results) {
        m_results = new CProfileResultsView(this);
        PlaceInside(m_results, this);
    }
    m_results->ShowResult(result, m_profileCompare);
    m_results->show();
    m_results->raise();
    ShowOutcome(m_results->Summary());
}
