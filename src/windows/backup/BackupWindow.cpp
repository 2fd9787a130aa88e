#include "windows/backup/BackupWindow.h"

#include "domain/Audit.h"
#include "store/Log.h"
#include "ui/PromptService.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>
#include <QVBoxLayout>

namespace hra::backup {
namespace {

const QString kCaption = QStringLiteral("备份恢复");

QString databaseText(const store::ConnectionSettings& s)
{
    switch (s.driver) {
    case store::Driver::Sqlite:
        return QStringLiteral("数据库文件：%1").arg(QDir::toNativeSeparators(s.databaseFile));
    case store::Driver::Postgres:
        return QStringLiteral("PostgreSQL 数据库：%1（服务器 %2）")
            .arg(s.databaseName, s.serverName);
    case store::Driver::Mssql:
        break;
    }
    return QStringLiteral("SQL Server 数据库：%1（服务器 %2）").arg(s.databaseName, s.serverName);
}

QString fileFilter(const store::ConnectionSettings& s)
{
    return s.driver == store::Driver::Postgres
               ? QStringLiteral("备份文件 (*.dump);;所有文件 (*)")
               : QStringLiteral("备份文件 (*.sqlite3);;所有文件 (*)");
}

} // namespace

BackupWindow::BackupWindow(store::ConnectionSettings settings, ui::PromptService& prompts,
                           QWidget* parent)
    : QWidget(parent), m_settings(std::move(settings)), m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("健康风险评估 - 备份恢复"));
    auto* layout = new QVBoxLayout(this);
    auto* database = new QLabel(databaseText(m_settings), this);
    database->setObjectName(QStringLiteral("Lab_database"));
    database->setWordWrap(true);
    layout->addWidget(database);
    m_status = new QLabel(QStringLiteral("请选择“备份”或“恢复”。"), this);
    m_status->setObjectName(QStringLiteral("Lab_status"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    layout->addWidget(m_progress);

    auto* buttons = new QHBoxLayout;
    m_backup = new QPushButton(QStringLiteral("备份"), this);
    m_backup->setObjectName(QStringLiteral("Btn_backup"));
    m_restore = new QPushButton(QStringLiteral("恢复"), this);
    m_restore->setObjectName(QStringLiteral("Btn_restore"));
    m_close = new QPushButton(QStringLiteral("退出"), this);
    m_close->setObjectName(QStringLiteral("Btn_close"));
    buttons->addStretch();
    buttons->addWidget(m_backup);
    buttons->addWidget(m_restore);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    resize(460, 170);

    connect(m_backup, &QPushButton::clicked, this, &BackupWindow::backUp);
    connect(m_restore, &QPushButton::clicked, this, &BackupWindow::restore);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);

    if (m_settings.driver == store::Driver::Mssql) {
        m_status->setText(failureText({store::BackupStatus::NotSupported, {}}, false));
        m_backup->setEnabled(false);
        m_restore->setEnabled(false);
    }
}

BackupWindow::~BackupWindow()
{
    // A backup or restore is not broken off half way.
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
    }
}

bool BackupWindow::isBusy() const
{
    return m_worker != nullptr;
}

QString BackupWindow::failureText(const store::BackupResult& result, bool restoring)
{
    const QString unchanged = QStringLiteral("当前数据库没有改动。");
    switch (result.status) {
    case store::BackupStatus::Done:
        break;
    case store::BackupStatus::NotSupported:
        return QStringLiteral("SQL Server 数据库请用数据库服务器自带的工具备份和恢复。");
    case store::BackupStatus::ToolMissing:
        return QStringLiteral("找不到 PostgreSQL 的备份工具（pg_dump、pg_restore），"
                              "请先安装 postgresql-client。");
    case store::BackupStatus::SourceFailed:
        return QStringLiteral("无法读取当前数据库，备份不成功!");
    case store::BackupStatus::WriteFailed:
        return QStringLiteral("无法写入备份文件，备份不成功!");
    case store::BackupStatus::DiskFull:
        return restoring ? QStringLiteral("磁盘空间不足，无法写入数据库所在的文件夹。") + unchanged
                         : QStringLiteral("磁盘空间不足，无法写入备份文件，备份不成功!");
    case store::BackupStatus::TargetRefused:
        return QStringLiteral("不能写到这个文件：它是正在使用的数据库，或者不是普通文件。"
                              "请另选一个文件名，备份不成功!");
    case store::BackupStatus::NotABackup:
        return QStringLiteral("所选文件不是本系统的备份文件，或文件已经损坏。") + unchanged;
    case store::BackupStatus::TargetNotEmpty:
        return QStringLiteral("当前数据库中已有数据。") + unchanged;
    case store::BackupStatus::TargetInUse:
        return QStringLiteral(
                   "数据库正被其他工作站使用，请等其他工作站退出健康风险评估系统后再恢复。") +
               unchanged;
    case store::BackupStatus::RestoreFailed:
        return QStringLiteral("恢复不成功!") + unchanged;
    case store::BackupStatus::Cancelled:
        return restoring ? QStringLiteral("恢复已取消。") + unchanged
                         : QStringLiteral("备份已取消。");
    }
    return {};
}

void BackupWindow::backUp()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString proposed =
        QDir(folder).filePath(store::defaultBackupName(m_settings, QDate::currentDate()));
    const QString file = m_prompts.saveFileName(this, QStringLiteral("备份到文件"), proposed,
                                                fileFilter(m_settings));
    if (file.isEmpty())
        return;
    const store::ConnectionSettings settings = m_settings;
    run(false, file, [settings, file](const store::BackupProgress& progress) {
        const store::BackupResult result = store::backupDatabase(settings, file, progress);
        if (result.ok())
            domain::noteAudit(
                settings,
                {domain::AuditAction::Backup, {}, std::nullopt, QFileInfo(file).fileName()});
        return result;
    });
}

void BackupWindow::restore()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString file = m_prompts.openFileName(this, QStringLiteral("从备份文件恢复"), folder,
                                                fileFilter(m_settings));
    if (file.isEmpty())
        return;
    if (store::databaseHoldsData(m_settings) &&
        !m_prompts.confirm(this,
                           QStringLiteral("恢复将用备份文件中的数据替换当前数据库中的全部数据,"
                                          "确定要恢复吗?"),
                           kCaption, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel))
        return;
    const store::ConnectionSettings settings = m_settings;
    run(true, file, [settings, file](const store::BackupProgress& progress) {
        const store::BackupResult result = store::restoreDatabase(settings, file, true, progress);
        // Written into the restored database, where the log goes on.
        if (result.ok())
            domain::noteAudit(
                settings,
                {domain::AuditAction::Restore, {}, std::nullopt, QFileInfo(file).fileName()});
        return result;
    });
}

void BackupWindow::run(bool restoring, const QString& file,
                       std::function<store::BackupResult(const store::BackupProgress&)> work)
{
    setBusy(true);
    m_progress->setValue(0);
    m_status->setText(restoring ? QStringLiteral("正在恢复，请稍候……")
                                : QStringLiteral("正在备份，请稍候……"));
    auto result = std::make_shared<store::BackupResult>();
    m_worker = QThread::create([this, work, result] {
        *result = work([this](int percent) {
            QMetaObject::invokeMethod(
                m_progress, [bar = m_progress, percent] { bar->setValue(percent); },
                Qt::QueuedConnection);
            return true;
        });
    });
    connect(m_worker, &QThread::finished, this, [this, restoring, file, result] {
        m_worker->deleteLater();
        m_worker = nullptr;
        done(restoring, file, *result);
    });
    m_worker->start();
}

void BackupWindow::done(bool restoring, const QString& file, const store::BackupResult& result)
{
    setBusy(false);
    if (result.ok()) {
        m_progress->setValue(100);
        const QString text =
            restoring
                ? QStringLiteral("恢复完成。")
                : QStringLiteral("备份完成，备份文件：%1").arg(QDir::toNativeSeparators(file));
        m_status->setText(text);
        m_prompts.information(this, text, kCaption);
    } else {
        m_progress->setValue(0);
        // The operator reads the system's message; what exactly failed goes
        // to the log.
        if (result.status != store::BackupStatus::Cancelled)
            qCWarning(store::lcStore).noquote()
                << (restoring ? "restore from" : "backup to") << file << "failed:" << result.detail;
        const QString text = result.status == store::BackupStatus::DiskFull && !restoring
                                 ? QStringLiteral("磁盘空间不足，无法写入 %1，备份不成功!")
                                       .arg(QDir::toNativeSeparators(file))
                                 : failureText(result, restoring);
        m_status->setText(text);
        m_prompts.error(this, text, kCaption);
    }
    emit finished(result.ok());
}

void BackupWindow::setBusy(bool busy)
{
    m_backup->setEnabled(!busy);
    m_restore->setEnabled(!busy);
    m_close->setEnabled(!busy);
}

} // namespace hra::backup
