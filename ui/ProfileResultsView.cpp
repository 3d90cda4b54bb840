#include "ui/ProfileResultsView.h"

#include "ui/ProfileControls.h"

#include <QColor>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString OutcomeText(KeyOutcome outcome, bool compare) {
    // Compare sends nothing: a setting the reader does not report was neither sent nor read.
    if (compare && outcome == KeyOutcome::NotVerifiable) {
        return CProfileResultsView::tr("not compared: the reader does not report it");
    }
    if (compare && outcome == KeyOutcome::Mismatch) {
        return CProfileResultsView::tr("differs");
    }
    switch (outcome) {
    case KeyOutcome::Unchanged:
        return CProfileResultsView::tr("unchanged");
    case KeyOutcome::Verified:
        return CProfileResultsView::tr("changed and verified");
    case KeyOutcome::Mismatch:
        return CProfileResultsView::tr("reads back different");
    case KeyOutcome::NoReply:
        return CProfileResultsView::tr("no reply");
    case KeyOutcome::NotVerifiable:
        return CProfileResultsView::tr("sent, cannot be read back");
    }
    return {};
}

QString Settings(int n) {
    return n == 1 ? CProfileResultsView::tr("1 setting")
                  : CProfileResultsView::tr("%1 settings").arg(n);
}

} // namespace

CProfileResultsView::CProfileResultsView(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Profile results"));
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    m_table = new QTableWidget(0, COLUMN_COUNT, this);
    m_table->setHorizontalHeaderLabels({tr("Setting"), tr("Profile"), tr("Reader"), tr("Outcome")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    resize(660, 780);
}

QString CProfileResultsView::SummaryText(const SequencerResult& result, bool compare) {
    QStringList failed;
    int changed = 0;
    int unreported = 0;
    for (const KeyResult& r : result.keys) {
        if (r.outcome == KeyOutcome::Mismatch || r.outcome == KeyOutcome::NoReply) {
            failed << QLatin1String(Info(r.key).name);
        }
        changed += r.outcome == KeyOutcome::Verified || r.outcome == KeyOutcome::NotVerifiable;
        unreported += r.outcome == KeyOutcome::NotVerifiable;
    }
    if (result.keys.empty() && !result.ok) {
        return QString::fromStdString(result.error);
    }
    // A failure that is not a setting's (a lost port, a read that failed) is always said: the
    // settings' outcomes alone would hide it.
    QString failure = result.failure.empty()
                          ? QString()
                          : QStringLiteral("; ") + QString::fromStdString(result.failure);
    // Where the reader answers now, when a framing change moved it or should have.
    using Found = SequencerResult::Found;
    const QString at =
        result.answersAt ? QString::fromStdString(FramingText(*result.answersAt)) : QString();
    if (result.found == Found::Elsewhere) {
        failure += QStringLiteral("; ") + tr("the reader answers at %1").arg(at);
    } else if (result.found == Found::StillAtOld) {
        failure += QStringLiteral("; ") + tr("the reader still answers at %1").arg(at);
    } else if (result.found == Found::Nowhere &&
               !failure.contains(QString::fromStdString(result.where))) {
        failure += QStringLiteral("; ") + QString::fromStdString(result.where);
    }
    if (compare) {
        QString text;
        if (!failed.isEmpty()) {
            text = tr("%1 %2 from the profile: %3")
                       .arg(Settings(int(failed.size())),
                            failed.size() == 1 ? tr("differs") : tr("differ"), failed.join(u", "));
        } else if (unreported == 0) {
            text =
                tr("The reader holds all %1 of the profile").arg(Settings(int(result.keys.size())));
        } else {
            text = tr("The reader holds %1 of the profile; %2 not reported by the reader")
                       .arg(Settings(int(result.keys.size()) - unreported))
                       .arg(unreported);
        }
        return text + failure;
    }
    const int held = int(result.keys.size()) - changed - int(failed.size());
    // Only what the read-back showed is called verified.
    QString text =
        failed.isEmpty()
            ? tr("%1 applied and verified").arg(Settings(changed - unreported))
            : tr("%1 did not take: %2").arg(Settings(int(failed.size())), failed.join(u", "));
    if (failed.isEmpty() && unreported > 0) {
        text += tr(", %1 sent but not read back").arg(unreported);
    }
    if (failed.isEmpty() && held > 0) {
        text += tr(", %1 already as in the profile").arg(held);
    }
    return text + failure;
}

void CProfileResultsView::ShowResult(const SequencerResult& result, bool compare) {
    m_summary->setText(SummaryText(result, compare));
    m_table->setRowCount(int(result.keys.size()));
    for (int row = 0; row < int(result.keys.size()); ++row) {
        const KeyResult& r = result.keys[std::size_t(row)];
        const auto& reader = r.readerAfter ? r.readerAfter : r.readerBefore;
        // Named and shown as the dialog names and shows them; the profile's key in the tooltip.
        const QString cells[COLUMN_COUNT] = {
            KeyCaption(r.key), KeyValueShown(r.key, r.profileValue),
            reader ? KeyValueShown(r.key, *reader) : tr("(not reported)"),
            OutcomeText(r.outcome, compare)};
        // The rows that need a look stand out.
        const bool failed = r.outcome == KeyOutcome::Mismatch || r.outcome == KeyOutcome::NoReply;
        for (int col = 0; col < COLUMN_COUNT; ++col) {
            auto* item = new QTableWidgetItem(cells[col]);
            if (failed) {
                item->setBackground(QColor(0xF8, 0xD7, 0xDA));
            }
            if (col == COL_SETTING) {
                item->setToolTip(QLatin1String(Info(r.key).name));
                item->setData(Qt::UserRole, QLatin1String(Info(r.key).name));
            }
            m_table->setItem(row, col, item);
        }
    }
    m_table->resizeColumnsToContents();
}

QString CProfileResultsView::Summary() const {
    return m_summary->text();
}
