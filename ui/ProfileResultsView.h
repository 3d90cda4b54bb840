// The outcome of applying a profile, or of comparing one with a reader: one row per setting,
// and one line that says what it comes to.
#pragma once

#include "profile/ProfileSequencer.h"

#include <QDialog>

class QLabel;
class QTableWidget;

class CProfileResultsView : public QDialog {
    Q_OBJECT
public:
    enum Columns { COL_SETTING, COL_PROFILE, COL_READER, COL_OUTCOME, COLUMN_COUNT };

    explicit CProfileResultsView(QWidget* parent = nullptr);

    // compare: nothing was sent, so the summary speaks of differences rather than of settings
    // that did not take.
    void ShowResult(const SequencerResult& result, bool compare);

    QString Summary() const;
    QTableWidget* Table() const { return m_table; }

    // "14 settings applied and verified", "2 settings did not take: horn, light", ...
    static QString SummaryText(const SequencerResult& result, bool compare);

private:
    QLabel* m_summary = nullptr;
    QTableWidget* m_table = nullptr;
};
