// The Log window: every frame and datagram the dialog sent and received, one line each in the
// frame log's format, with "Save log…", "Save as pcapng…" and "Clear". The entries live in the
// dialog's buffer; the view reads them only while it is shown, so a closed window costs no widget
// work.
#pragma once

#include "core/FrameLog.h"
#include "core/Pcapng.h"

#include <QAbstractListModel>
#include <QTimer>
#include <QWidget>

#include <functional>

class QTableView;

// Rows over a FrameLogBuffer, each line formatted only when the view asks for it.
class CLogModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CLogModel(const FrameLogBuffer& log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Brings the rows up to the buffer: new entries are inserted; once entries were dropped or
    // cleared the rows are reset.
    void Sync();

private:
    const FrameLogBuffer& m_log;
    int m_rows = 0;
    std::uint64_t m_added = 0;
    std::uint64_t m_dropped = 0;
};

class CLogWindow : public QWidget {
    Q_OBJECT
public:
    // Where "Save log…" writes; tests answer instead of a file dialog. Empty: cancelled.
    using FileHook = std::function<QString()>;

    CLogWindow(FrameLogBuffer& log, QWidget* parent);

    void SetFileHook(FileHook hook) { m_fileHook = std::move(hook); }
    // The version and the ports' settings a capture names; the dialog knows them.
    void SetCaptureInfo(std::function<pcapng::CaptureInfo()> info) {
        m_captureInfo = std::move(info);
    }
    // Writes every line, the header first; false when the file could not be written.
    bool SaveTo(const QString& path);
    // Writes every frame and datagram as a pcapng capture, atomically.
    bool SavePcapTo(const QString& path);
    void OnSave();
    void OnSavePcap();
    void OnClear();
    // Shows what arrived since the last refresh; the timer calls it while the window is shown.
    void Refresh();

    CLogModel* model() const { return m_model; }
    QTableView* view() const { return m_view; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    FrameLogBuffer& m_log;
    CLogModel* m_model = nullptr;
    QTableView* m_view = nullptr;
    QTimer m_refresh;
    FileHook m_fileHook;
    std::function<pcapng::CaptureInfo()> m_captureInfo;
};
