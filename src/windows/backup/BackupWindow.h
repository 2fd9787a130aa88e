#pragma once

#include "store/Backup.h"
#include "store/Settings.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace hra::ui {
class PromptService;
}

namespace hra::backup {

// The window of hra-backup: backs up the configured database to a file the
// operator chooses and restores it from one. The work runs on a thread of its
// own so that the window keeps answering; the buttons wait meanwhile.
class BackupWindow : public QWidget
{
    Q_OBJECT

public:
    BackupWindow(store::ConnectionSettings settings, ui::PromptService& prompts,
                 QWidget* parent = nullptr);
    ~BackupWindow() override;

    bool isBusy() const;

    // What the operator reads about a result that is not a success.
    static QString failureText(const store::BackupResult& result, bool restoring);

signals:
    void finished(bool ok);

private:
    void backUp();
    void restore();
    void run(bool restoring, const QString& file,
             std::function<store::BackupResult(const store::BackupProgress&)> work);
    void done(bool restoring, const QString& file, const store::BackupResult& result);
    void setBusy(bool busy);

    store::ConnectionSettings m_settings;
    ui::PromptService& m_prompts;
    QLabel* m_status;
    QProgressBar* m_progress;
    QPushButton* m_backup;
    QPushButton* m_restore;
    QPushButton* m_close;
    class QThread* m_worker = nullptr;
};

} // namespace hra::backup
