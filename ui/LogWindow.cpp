#include "ui/LogWindow.h"

#include "profile/AtomicFile.h"
#include "ui/FileNames.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Often enough to look live, seldom enough that 20,000 datagrams/s cost a few updates a second.
constexpr int REFRESH_MS = 200;

QString FromStd(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace

CLogModel::CLogModel(const FrameLogBuffer& log, QObject* parent)
    : QAbstractListModel(parent), m_log(log) {}

int CLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QVariant CLogModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows) {
        return {};
    }
    const std::size_t row = std::size_t(index.row());
    const std::size_t lead = m_log.LeadLines();
    if (row < lead) {
        return FromStd(m_log.LeadLine(row));
    }
    if (row - lead >= m_log.Size()) {
        return {};
    }
    return FromStd(FrameLogLine(m_log.At(row - lead)));
}

void CLogModel::Sync() {
    const int rows = int(m_log.LeadLines() + m_log.Size());
    if (m_log.Dropped() != m_dropped || m_log.Added() < m_added) {
        beginResetModel();
        m_rows = rows;
        m_added = m_log.Added();
        m_dropped = m_log.Dropped();
        endResetModel();
        return;
    }
    if (rows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, rows - 1);
        m_rows = rows;
        m_added = m_log.Added();
        endInsertRows();
    }
}

CLogWindow::CLogWindow(FrameLogBuffer& log, QWidget* parent)
    : QWidget(parent, Qt::Window), m_log(log) {
    setWindowTitle(tr("Log"));
    setObjectName(QStringLiteral("logWindow"));
    m_model = new CLogModel(m_log, this);
    m_view = new QTableView(this);
    m_view->setModel(m_model);
    // Rows of one fixed height and no headers: a table view keeps 100,000 rows as plain
    // sections, where a list view lays every row out again after each change.
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_view->horizontalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 2);
    m_view->setShowGrid(false);
    m_view->setWordWrap(false);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setAccessibleName(tr("Frame log"));

    auto* save = new QPushButton(tr("Save log…"), this);
    auto* clear = new QPushButton(tr("Clear"), this);
    auto* savePcap = new QPushButton(tr("Save as pcapng…"), this);
    connect(save, &QPushButton::clicked, this, &CLogWindow::OnSave);
    connect(clear, &QPushButton::clicked, this, &CLogWindow::OnClear);
    connect(savePcap, &QPushButton::clicked, this, &CLogWindow::OnSavePcap);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(savePcap);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    auto* root = new QVBoxLayout(this);
    root->addWidget(m_view, 1);
    root->addLayout(buttons);
    resize(720, 480);

    connect(&m_refresh, &QTimer::timeout, this, &CLogWindow::Refresh);
}

void CLogWindow::Refresh() {
    QScrollBar* bar = m_view->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    m_model->Sync();
    if (atEnd) {
        m_view->scrollToBottom();
    }
}

bool CLogWindow::SaveTo(const QString& path) {
    QByteArray text;
    for (const std::string& line : m_log.Lines()) {
        text.append(line.data(), qsizetype(line.size()));
        text += '\n';
    }
    return WriteFileAtomically(path, text);
}

void CLogWindow::OnSave() {
    const QString path = WithDefaultSuffix(
        m_fileHook ? m_fileHook()
                   : QFileDialog::getSaveFileName(this, tr("Save log"), QString(),
                                                  tr("Text files (*.txt);;All files (*)")),
        QStringLiteral("txt"));
    if (path.isEmpty()) {
        return;
    }
    if (!SaveTo(path)) {
        QMessageBox::warning(this, tr("Save log"),
                             tr("The log could not be written to %1.").arg(path));
        return;
    }
    emit Saved(path);
}

bool CLogWindow::SavePcapTo(const QString& path) {
    const std::vector<std::uint8_t> bytes =
        pcapng::FromFrameLog(m_log, m_captureInfo ? m_captureInfo() : pcapng::CaptureInfo{});
    return WriteFileAtomically(
        path, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
}

void CLogWindow::OnSavePcap() {
    const QString path = WithDefaultSuffix(
        m_fileHook ? m_fileHook()
                   : QFileDialog::getSaveFileName(this, tr("Save as pcapng"), QString(),
                                                  tr("pcapng captures (*.pcapng);;All files (*)")),
        QStringLiteral("pcapng"));
    if (path.isEmpty()) {
        return;
    }
    if (!SavePcapTo(path)) {
        QMessageBox::warning(this, tr("Save as pcapng"),
                             tr("The capture could not be written to %1.").arg(path));
        return;
    }
    emit Saved(path);
}

void CLogWindow::OnClear() {
    m_log.Clear();
    m_model->Sync();
}

void CLogWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
    m_refresh.start(REFRESH_MS);
}

void CLogWindow::hideEvent(QHideEvent* event) {
    m_refresh.stop();
    QWidget::hideEvent(event);
}
