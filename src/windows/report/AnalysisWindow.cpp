#include "windows/report/AnalysisWindow.h"

#include "analysis/AnalysisSession.h"
#include "domain/Audit.h"
#include "report/Lookup.h"
#include "report/SectionBuild.h"
#include "report/Sections.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "reportengine/widgets/ReportPreview.h"
#include "store/Connection.h"
#include "store/NumberText.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/Log.h"
#include "ui/PromptService.h"
#include "ui/StoreFailure.h"
#include "windows/report/AssessmentListDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace hra::report {

namespace {
const QString kInfoCaption = QStringLiteral("提示信息");
}

AnalysisWindow::AnalysisWindow(Context& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_report(std::make_unique<reportengine::Report>()),
      m_record(new QLineEdit(this)), m_history(new QCheckBox(QStringLiteral("历史评估信息"), this)),
      m_personPanel(new QFrame(this)), m_name(new QLabel(m_personPanel)),
      m_sex(new QLabel(m_personPanel)), m_age(new QLabel(m_personPanel)),
      m_state(new QLabel(m_personPanel)), m_preview(new reportengine::ReportPreview(this)),
      m_print(new ui::FlatButton(QStringLiteral("&P 打印报告"), this)),
      m_pdf(new ui::FlatButton(QStringLiteral("&E 导出PDF"), this)),
      m_close(new ui::FlatButton(QStringLiteral("&C 关闭"), this)),
      m_batch(new ui::FlatButton(QStringLiteral("&B 批量报告"), this)),
      m_progress(new QProgressBar(this)), m_cancel(new ui::FlatButton(QStringLiteral("取消"), this))
{
    setObjectName(QStringLiteral("TFrm_sjfx"));
    setWindowTitle(QStringLiteral("数据分析"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* recordLabel = new QLabel(QStringLiteral("编号："), this);
    recordLabel->setBuddy(m_record);
    m_record->setObjectName(QStringLiteral("LabEdt_bianh"));
    m_record->setToolTip(QStringLiteral("录入后回车确定哦!"));
    // Room for a whole record number, whatever the window's width.
    m_record->setMinimumWidth(
        m_record->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 24);
    m_record->setMaximumWidth(160);
    m_history->setObjectName(QStringLiteral("Chkbx_lspg"));
    QFont bold = m_history->font();
    bold.setBold(true);
    m_history->setFont(bold);

    m_personPanel->setObjectName(QStringLiteral("Pnl_jbxx"));
    QFont shown = font();
    shown.setItalic(true);
    shown.setUnderline(true);
    auto* person = new QHBoxLayout(m_personPanel);
    person->setContentsMargins(12, 0, 0, 0);
    const struct
    {
        const char* caption;
        QLabel* value;
        const char* name;
    } fields[] = {{"姓名：", m_name, "DBTxt_xingm"},
                  {"性别：", m_sex, "DBTxt_xingb"},
                  {"年龄：", m_age, "DBTxt_nianl"},
                  {"状态：", m_state, "DBTxt_zt"}};
    for (const auto& f : fields) {
        person->addWidget(new QLabel(QString::fromUtf8(f.caption), m_personPanel));
        f.value->setObjectName(QLatin1String(f.name));
        f.value->setFont(shown);
        f.value->setMinimumWidth(60);
        person->addWidget(f.value);
    }
    m_personPanel->hide();

    m_preview->setObjectName(QStringLiteral("frxPreview1"));
    m_preview->follow(m_report.get());
    m_print->setObjectName(QStringLiteral("Myspb_dybg"));
    m_pdf->setObjectName(QStringLiteral("Myspb_pdf"));
    m_close->setObjectName(QStringLiteral("Myspb_gb"));
    m_batch->setObjectName(QStringLiteral("Myspb_plbg"));
    m_batch->setVisible(bool(m_context.openBatchReports));
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_cancel->setObjectName(QStringLiteral("cancelBuild"));
    m_cancel->setAutoDefault(false);
    m_cancel->hide();

    auto* top = new QHBoxLayout;
    top->addWidget(recordLabel);
    top->addWidget(m_record);
    top->addWidget(m_history);
    top->addWidget(m_personPanel);
    top->addStretch();
    top->addWidget(m_print);
    top->addWidget(m_pdf);
    top->addWidget(m_batch);
    top->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    auto* work = new QHBoxLayout;
    work->addWidget(m_progress, 1);
    work->addWidget(m_cancel);
    layout->addLayout(work);
    layout->addWidget(m_preview, 1);

    connect(m_record, &QLineEdit::textChanged, this, &AnalysisWindow::recordChanged);
    connect(m_history, &QCheckBox::toggled, this, &AnalysisWindow::historyToggled);
    connect(m_print, &QPushButton::clicked, this, &AnalysisWindow::print);
    connect(m_pdf, &QPushButton::clicked, this, &AnalysisWindow::exportPdf);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_batch, &QPushButton::clicked, this, [this] {
        if (m_context.openBatchReports)
            m_context.openBatchReports();
    });
    connect(m_cancel, &QPushButton::clicked, m_report.get(), &reportengine::Report::cancelBuild);
    connect(m_report.get(), &reportengine::Report::progress, this, &AnalysisWindow::progressed);
    connect(m_report.get(), &reportengine::Report::buildFinished, this,
            &AnalysisWindow::buildFinished);

    ui::KeyNavigation::install(this)->setEnterAction(m_record, [this] { lookup(); });
    // Installed after the key handling, so it sees every key first.
    m_record->installEventFilter(this);
    setFocusProxy(m_record);
}

AnalysisWindow::~AnalysisWindow()
{
    if (m_list)
        m_list->close();
}

QString AnalysisWindow::recordNumber() const
{
    return m_record->text();
}

AssessmentListDialog* AnalysisWindow::listDialog() const
{
    return m_list.data();
}

QString AnalysisWindow::stateText() const
{
    return m_state->text();
}

void AnalysisWindow::clearPreview()
{
    m_preview->clear();
    m_preview->repaint();
}

analysis::AnalysisSession& AnalysisWindow::session()
{
    if (!m_session)
        m_session = std::make_unique<analysis::AnalysisSession>(m_context.connection);
    return *m_session;
}

QString AnalysisWindow::reportsDirectory() const
{
    return m_context.reportsDirectory.isEmpty() ? defaultReportsDirectory()
                                                : m_context.reportsDirectory;
}

void AnalysisWindow::setNavigation(bool enabled)
{
    if (m_context.setNavigationEnabled)
        m_context.setNavigationEnabled(enabled);
}

void AnalysisWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_maximised)
        return;
    m_maximised = true;
    setNavigation(false);
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->showMaximized();
    m_record->setFocus();
}

bool AnalysisWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Every key typed into the record number forgets the chosen assessment.
    if (watched == m_record && event->type() == QEvent::KeyPress)
        m_selectedId = 0;
    return QWidget::eventFilter(watched, event);
}

void AnalysisWindow::recordChanged()
{
    m_personPanel->hide();
    m_history->setChecked(false);
    setNavigation(false);
}

void AnalysisWindow::historyToggled(bool ticked)
{
    if (!ticked)
        return;
    m_record->setFocus();
    m_record->selectAll();
}

void AnalysisWindow::lookup()
{
    const QString number = m_record->text();
    if (number.trimmed().isEmpty()) {
        m_context.prompts.information(this, QStringLiteral("请输入编号后回车!"), kInfoCaption);
        return;
    }
    AnalysisLookup found;
    try {
        found = lookupForAnalysis(m_context.connection.db(), number, m_history->isChecked());
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("查找不成功!")),
                                QStringLiteral("出错提示"));
        return;
    }
    if (found.action == AnalysisLookup::Action::NotFound) {
        m_context.prompts.information(this, QStringLiteral("没有录入信息调查资料或档案不存在!"),
                                      kInfoCaption);
        setNavigation(false);
        return;
    }
    setNavigation(true);
    m_name->setText(found.person ? found.person->name : QString());
    m_sex->setText(found.person ? found.person->sex : QString());
    m_age->setText(found.person ? store::numberText(found.person->age.toDouble()) : QString());
    if (found.person && store::isNull(found.person->age))
        m_age->clear();
    showPerson();
    if (!found.stateText.isEmpty())
        m_state->setText(found.stateText);
    switch (found.action) {
    case AnalysisLookup::Action::Analyse:
        m_selectedId = found.assessmentId;
        openReportDatasets();
        break;
    case AnalysisLookup::Action::ChooseFrom:
        showList(number);
        break;
    default:
        break;
    }
}

void AnalysisWindow::showPerson()
{
    m_personPanel->show();
}

void AnalysisWindow::showList(const QString& recordNumber)
{
    if (m_list)
        return;
    QList<domain::AssessmentSummary> rows;
    try {
        rows = domain::assessmentsOf(m_context.connection.db(), recordNumber);
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("查找不成功!")),
                                QStringLiteral("出错提示"));
        return;
    }
    // A window of its own beside this one, not inside the main window.
    m_list = new AssessmentListDialog(rows, window());
    m_list->setWindowFlag(Qt::Window);
    connect(m_list, &AssessmentListDialog::chosen, this, &AnalysisWindow::chosenFromList);
    m_list->show();
}

void AnalysisWindow::chosenFromList(qint32 assessmentId, const QString& state)
{
    m_selectedId = assessmentId;
    m_state->setText(state);
    openReportDatasets();
}

bool AnalysisWindow::openReportDatasets()
{
    // The build under way reads its datasets from the session as it goes;
    // another assessment opened now would mix two persons in one report.
    if (m_report->isBuilding()) {
        m_context.prompts.information(this, QStringLiteral("报表显示完毕后,再选择下一项!"),
                                      kInfoCaption);
        return false;
    }
    try {
        analysis::AnalysisSession& s = session();
        s.open(m_record->text().trimmed(), m_selectedId);
        s.runAll(inputEvaluations());
        return true;
    } catch (const analysis::AnalysisError& e) {
        m_context.prompts.error(this, e.message(), QStringLiteral("出错提示"));
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("数据分析不成功!")),
                                QStringLiteral("出错提示"));
    }
    return false;
}

bool AnalysisWindow::analyseAssessment(const QString& recordNumber, qint32 assessmentId,
                                       const QString& stateText)
{
    {
        const QSignalBlocker quiet(m_record);
        m_record->setText(recordNumber);
    }
    setNavigation(true);
    m_selectedId = assessmentId;
    m_state->setText(stateText);
    if (!openReportDatasets())
        return false;
    const std::optional<domain::PersonSummary> person =
        domain::findPerson(m_context.connection.db(), recordNumber);
    m_name->setText(person ? person->name : QString());
    m_sex->setText(person ? person->sex : QString());
    m_age->setText(person && !store::isNull(person->age) ? store::numberText(person->age.toDouble())
                                                         : QString());
    showPerson();
    // Handed over to be analysed: the whole report, without another click.
    chooseSection(kWholeReport);
    return true;
}

void AnalysisWindow::chooseSection(const QString& sectionName)
{
    if (m_record->text().trimmed().isEmpty()) {
        m_context.prompts.information(this, QStringLiteral("请先输入编号并回车,再选择分析项目!"),
                                      kInfoCaption);
        m_record->setFocus();
        return;
    }
    if (m_selectedId == 0) {
        m_context.prompts.information(
            this, QStringLiteral("请在编号框中回车并选择一次评估,再选择分析项目!"), kInfoCaption);
        m_record->setFocus();
        return;
    }
    try {
        if (buildSection(sectionName) == BuildStart::Busy)
            m_context.prompts.information(this, QStringLiteral("报表显示完毕后,再选择下一项!"),
                                          kInfoCaption);
    } catch (const store::DatabaseError&) {
        m_context.prompts.error(this, QStringLiteral("数据分析不成功!"),
                                QStringLiteral("出错提示"));
    }
}

AnalysisWindow::BuildStart AnalysisWindow::buildSection(const QString& sectionName)
{
    if (m_report->isBuilding())
        return BuildStart::Busy;
    m_preview->clear();
    const Section* section = findSection(sectionName);
    analysis::AnalysisSession& s = session();
    if (!section) {
        // A name not in the table loads no template: the preview stays empty.
        m_report->clear();
        return BuildStart::Started;
    }
    // Reopened for the chosen record and assessment, as every section does;
    // with no assessment chosen the pages print without data.
    try {
        s.open(m_record->text().trimmed(), m_selectedId);
    } catch (const analysis::AnalysisError& e) {
        qCInfo(ui::lcUi).noquote() << "section built without an assessment:" << e.message();
        m_session.reset();
    }
    prepareSection(*m_report, session(), m_context.connection, *section, reportsDirectory());
    m_builtSection = section->name;
    if (m_session)
        domain::noteAudit(m_context.connection.db(),
                          {domain::AuditAction::Analyse, m_record->text().trimmed(), m_selectedId,
                           section->name});
    // The build runs on a build thread; the datasets are read here, on the
    // thread that owns the connection.
    readSessionDatasets(*m_report);
    m_pdfName = builtPdfName();
    if (!m_report->startBuild())
        return BuildStart::Busy;
    progressed(0, m_report->templatePageCount());
    return BuildStart::Started;
}

QString AnalysisWindow::builtPdfName() const
{
    const QString record = m_record->text().trimmed();
    QString name;
    QDate date;
    if (m_session && m_session->isOpen()) {
        if (const auto person = domain::findPerson(m_context.connection.db(), record))
            name = person->name;
        for (const domain::AssessmentSummary& a :
             domain::assessmentsOf(m_context.connection.db(), record))
            if (a.id == m_selectedId)
                date = a.date.date();
    }
    return pdfFileName(record, name, date);
}

void AnalysisWindow::progressed(int done, int total)
{
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    m_progress->setVisible(done < total);
    m_cancel->setVisible(done < total);
}

void AnalysisWindow::buildFinished(bool ok)
{
    m_progress->hide();
    m_cancel->hide();
    if (!ok && m_report->wasCancelled())
        return;
    if (!ok) {
        // A dataset that could not be read mid-build (a lost connection).
        qCWarning(ui::lcUi).noquote() << "report build failed:" << m_report->lastError();
        m_context.prompts.error(this, QStringLiteral("报表生成出错!"), QStringLiteral("出错提示"));
        return;
    }
    if (!m_session)
        return;
    const QString problems = problemsText(*m_session);
    if (!problems.isEmpty())
        m_context.prompts.information(this, problems, kInfoCaption);
}

namespace {

QString nothingBuiltMessage(const QString& action)
{
    return QStringLiteral("还没有生成报告,无法%1!请先输入编号并回车,再在左侧选择分析项目。")
        .arg(action);
}

} // namespace

void AnalysisWindow::print()
{
    if (!m_preview->hasPages()) {
        m_context.prompts.information(this, nothingBuiltMessage(QStringLiteral("打印")),
                                      kInfoCaption);
        return;
    }
    QString error;
    if (m_preview->print(&error))
        domain::noteAudit(
            m_context.connection.db(),
            {domain::AuditAction::Print, m_record->text().trimmed(), m_selectedId, m_builtSection});
    else if (!error.isEmpty())
        m_context.prompts.error(this, QStringLiteral("打印不成功!%1").arg(error),
                                QStringLiteral("出错提示"));
}

void AnalysisWindow::exportPdf()
{
    if (!m_preview->hasPages()) {
        m_context.prompts.information(this, nothingBuiltMessage(QStringLiteral("导出PDF")),
                                      kInfoCaption);
        return;
    }
    const QString path = m_context.prompts.saveFileName(this, QStringLiteral("导出PDF"), m_pdfName,
                                                        QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    reportengine::ExportTarget target;
    target.pdfPath = path;
    target.title = QStringLiteral("健康风险评估报告");
    const reportengine::ExportResult result =
        reportengine::exportBuilt(m_preview->report(), target);
    if (result.ok) {
        domain::noteAudit(m_context.connection.db(),
                          {domain::AuditAction::ExportPdf, m_record->text().trimmed(), m_selectedId,
                           m_builtSection + QStringLiteral(" → ") + QFileInfo(path).fileName()});
        m_context.prompts.information(this, QStringLiteral("导出成功!"), kInfoCaption);
    } else
        m_context.prompts.error(
            this, QStringLiteral("导出不成功!%1").arg(reportengine::exportFailureText(result)),
            QStringLiteral("出错提示"));
}

} // namespace hra::report
