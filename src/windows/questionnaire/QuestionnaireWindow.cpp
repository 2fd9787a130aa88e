#include "windows/questionnaire/QuestionnaireWindow.h"

#include "domain/Operators.h"
#include "domain/QuestionnaireForms.h"
#include "domain/ReferenceRanges.h"
#include "domain/SaveRules.h"
#include "domain/SessionState.h"
#include "store/Connection.h"
#include "store/NumberText.h"
#include "store/Sql.h"
#include "ui/FieldBinding.h"
#include "ui/FlatButton.h"
#include "ui/Form.h"
#include "ui/KeyNavigation.h"
#include "ui/Log.h"
#include "ui/PromptService.h"
#include "ui/StoreFailure.h"
#include "windows/questionnaire/ReferencePopup.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace hra::questionnaire {
namespace {

const QString kPromptCaption = QStringLiteral("提示信息");
const QString kNoPerson = QStringLiteral("该卡号不存在,请先建档!");
const QString kExaminationTable = QStringLiteral("jkpg_tgjc");

// The re-fill question of each page.
const QString kRefillQuestions[] = {QStringLiteral("确实要重填<目前健康状况及家族史>吗？"),
                                    QStringLiteral("确实要重填<膳食营养>吗？"),
                                    QStringLiteral("确实要重填<运动方式>吗？"),
                                    QStringLiteral("确实要重填<生活方式及习惯>吗？"),
                                    QStringLiteral("确实要重填<体格检查及实验室检查>吗？")};

// The tab marks: a filled dot on the page shown, a ring on the others.
QIcon tabMark(bool active)
{
    QPixmap p(16, 16);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(36, 96, 176), 2));
    painter.setBrush(active ? QColor(36, 96, 176) : QColor(Qt::transparent));
    painter.drawEllipse(QRectF(3, 3, 10, 10));
    return QIcon(p);
}

ui::FlatButton* flatButton(const QString& caption, const QString& name, QWidget* parent)
{
    auto* b = new ui::FlatButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

QuestionnaireWindow::QuestionnaireWindow(Context& context, QWidget* parent)
    : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("TFrm_jkpg"));
    setWindowTitle(QStringLiteral("信息调查"));
    auto* layout = new QVBoxLayout(this);
    buildHead(layout);
    buildPages(layout);
    buildButtons(layout);

    ui::KeyNavigation* keys = ui::KeyNavigation::install(this);
    keys->setEnterAction(m_number, [this] { lookUp(); });
    m_context.session.assessmentMode = domain::AssessmentMode::None;
}

QuestionnaireWindow::~QuestionnaireWindow()
{
    m_context.session.assessmentMode = domain::AssessmentMode::None;
}

void QuestionnaireWindow::buildHead(QVBoxLayout* layout)
{
    auto* head = new QHBoxLayout;
    auto* numberLabel = new QLabel(QStringLiteral("编号："), this);
    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("LabEdt_bianh"));
    m_number->setMaxLength(20);
    m_number->setToolTip(QStringLiteral("录入后回车确定哦!"));
    m_number->setPlaceholderText(QStringLiteral("录入后回车确定哦!"));
    numberLabel->setBuddy(m_number);
    connect(m_number, &QLineEdit::textChanged, this, [this] { numberEdited(); });
    m_history = new QCheckBox(QStringLiteral("历史评估信息"), this);
    m_history->setObjectName(QStringLiteral("Chkbx_lspg"));
    head->addWidget(numberLabel);
    head->addWidget(m_number);
    head->addWidget(m_history);

    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("Pnl_jbxx"));
    auto* panel = new QHBoxLayout(m_panel);
    panel->setContentsMargins(12, 0, 0, 0);
    auto pair = [this, panel](const QString& caption, const char* name) {
        auto* value = new QLabel(m_panel);
        value->setObjectName(QLatin1String(name));
        value->setMinimumWidth(60);
        QFont f = value->font();
        f.setBold(true);
        value->setFont(f);
        panel->addWidget(new QLabel(caption, m_panel));
        panel->addWidget(value);
        return value;
    };
    m_name = pair(QStringLiteral("姓名："), "name");
    m_sex = pair(QStringLiteral("性别："), "sex");
    m_age = pair(QStringLiteral("年龄："), "age");
    m_state = pair(QStringLiteral("状态："), "state");
    m_panel->hide();
    head->addWidget(m_panel);
    head->addStretch();
    layout->addLayout(head);
}

void QuestionnaireWindow::buildPages(QVBoxLayout* layout)
{
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));
    const auto& declared = domain::questionnairePages();
    for (size_t i = 0; i < declared.size(); ++i) {
        // A page scrolls inside itself, so that it fits a small screen.
        auto* scroll = new QScrollArea(m_pages);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        auto* page = new QWidget(scroll);
        page->setObjectName(domain::tableName(declared[i].table));
        auto* column = new QVBoxLayout(page);
        auto* form = new ui::Form(declared[i].form, m_context.prompts, page);
        for (QWidget* section : form->sections())
            column->addWidget(section);
        if (declared[i].table == domain::AssessmentTable::Examination)
            column->addWidget(new QLabel(QStringLiteral("附注：带*的为必填项"), page));
        column->addStretch();
        scroll->setWidget(page);
        m_pages->addTab(scroll, declared[i].caption);
        m_forms[i] = form;
    }

    // Body-mass index while height and weight are typed; reference ranges on
    // the examination page, editable by the manager with a click.
    ui::Form& exam = *m_forms[4];
    auto* height = qobject_cast<QLineEdit*>(exam.control(QStringLiteral("sheng")));
    auto* weight = qobject_cast<QLineEdit*>(exam.control(QStringLiteral("tiz")));
    connect(height, &QLineEdit::textEdited, this, [this] { updateBodyMassIndex(); });
    connect(weight, &QLineEdit::textEdited, this, [this] { updateBodyMassIndex(); });
    connect(&exam, &ui::Form::referenceClicked, this, &QuestionnaireWindow::editReference);
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        markCurrentTab();
        if (index == 4)
            refreshReferenceLabels();
    });
    markCurrentTab();
    layout->addWidget(m_pages, 1);
}

void QuestionnaireWindow::buildButtons(QVBoxLayout* layout)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    m_refillButton = flatButton(QStringLiteral("&A重新填写"), QStringLiteral("Myspb_cxtx"), this);
    m_saveButton = flatButton(QStringLiteral("&S 保存"), QStringLiteral("Myspb_bc"), this);
    m_endButton = flatButton(QStringLiteral("&O 结束评估"), QStringLiteral("Myspb_js"), this);
    auto* close = flatButton(QStringLiteral("&C 关闭"), QStringLiteral("Myspb_gb"), this);
    for (QWidget* b : {static_cast<QWidget*>(m_refillButton), static_cast<QWidget*>(m_saveButton),
                       static_cast<QWidget*>(m_endButton), static_cast<QWidget*>(close)})
        row->addWidget(b);
    connect(m_refillButton, &QPushButton::clicked, this, &QuestionnaireWindow::refill);
    connect(m_saveButton, &QPushButton::clicked, this, &QuestionnaireWindow::save);
    connect(m_endButton, &QPushButton::clicked, this, &QuestionnaireWindow::endAssessment);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    layout->addLayout(row);
}

void QuestionnaireWindow::markCurrentTab()
{
    for (int i = 0; i < m_pages->count(); ++i)
        m_pages->setTabIcon(i, tabMark(i == m_pages->currentIndex()));
}

void QuestionnaireWindow::showSection(int index)
{
    if (index >= 0 && index < m_pages->count())
        m_pages->setCurrentIndex(index);
}

int QuestionnaireWindow::currentSection() const
{
    return m_pages->currentIndex();
}

void QuestionnaireWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_tookPending)
        return;
    m_tookPending = true;
    // Inside the main window the interview takes the whole work area; the
    // pages scroll where the screen is small.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        if (QMdiArea* area = frame->mdiArea())
            frame->setGeometry(QRect(QPoint(0, 0), area->viewport()->size()));
    m_pages->setCurrentIndex(0);
    const QString pending = m_context.session.pendingRecordNo.trimmed();
    m_context.session.pendingRecordNo.clear();
    if (!pending.isEmpty()) {
        m_number->setText(pending);
        lookUp();
    }
}

void QuestionnaireWindow::closeEvent(QCloseEvent* event)
{
    if (!settleChanges()) {
        event->ignore();
        return;
    }
    discard();
    // Inside the main window the frame around this window goes too.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->close();
    QWidget::closeEvent(event);
}

void QuestionnaireWindow::discard()
{
    m_rows.close();
    m_context.session.assessmentMode = domain::AssessmentMode::None;
}

bool QuestionnaireWindow::hasChanges() const
{
    for (const ui::Form* form : m_forms)
        if (form->isModified())
            return true;
    return false;
}

bool QuestionnaireWindow::settleChanges()
{
    if (!hasChanges())
        return true;
    switch (ui::askAboutChanges(m_context.prompts, this)) {
    case ui::UnsavedChanges::Save:
        return store(false);
    case ui::UnsavedChanges::Discard:
        for (ui::Form* form : m_forms)
            form->markUnchanged();
        return true;
    case ui::UnsavedChanges::Keep:
        break;
    }
    return false;
}

void QuestionnaireWindow::numberEdited()
{
    m_panel->hide();
    // Answers typed before the number stay for the assessment it opens.
    if (!m_rows.isOpen())
        return;
    // Another number: the assessment shown goes, but not its changes unasked.
    if (!settleChanges()) {
        const QSignalBlocker quiet(m_number);
        m_number->setText(m_rows.recordNumber());
        m_panel->show();
        return;
    }
    discard();
    for (ui::Form* form : m_forms)
        form->clear();
    m_answersWithoutRow = true;
}

bool QuestionnaireWindow::personExists(const QString& number, const QString& lostMessage)
{
    std::optional<domain::PersonSummary> person;
    try {
        person = domain::findPerson(m_context.connection.db(), number);
    } catch (const store::ConnectionLostError&) {
        // A lost link is no missing person.
        m_context.prompts.error(this, lostMessage, kPromptCaption);
        return false;
    } catch (const store::DatabaseError&) {
    }
    if (!person) {
        m_context.prompts.information(this, kNoPerson, kPromptCaption);
        return false;
    }
    m_name->setText(person->name);
    m_sex->setText(person->sex);
    m_age->setText(store::valueText(person->age));
    return true;
}

void QuestionnaireWindow::lookUp()
{
    const QString number = m_number->text().trimmed();
    if (number.isEmpty()) {
        m_context.prompts.information(this, QStringLiteral("请输入编号后回车!"), kPromptCaption);
        return;
    }
    // Enter again over changes would load the stored answers over them.
    if (m_rows.isOpen() && !settleChanges())
        return;
    domain::LookupDecision d;
    try {
        d = domain::decideLookup(m_context.connection.db(), number, m_history->isChecked());
    } catch (const store::ConnectionLostError&) {
        m_context.prompts.error(this, ui::kConnectionLost, kPromptCaption);
        return;
    } catch (const store::DatabaseError&) {
        d = {};
    }
    if (d.action == domain::LookupDecision::Action::NoPerson) {
        m_context.prompts.information(this, kNoPerson, kPromptCaption);
        return;
    }
    m_name->setText(d.person->name);
    m_sex->setText(d.person->sex);
    m_age->setText(store::valueText(d.person->age));
    if (d.firstAssessmentNotice)
        m_context.prompts.information(
            this, QStringLiteral("该编号是第一次评估,没有评估历史,请进行第一次评估!"),
            kPromptCaption);
    if (!d.stateText.isEmpty())
        m_state->setText(d.stateText);
    if (d.endEnabled)
        m_endButton->setEnabled(*d.endEnabled);

    switch (d.action) {
    case domain::LookupDecision::Action::StartNew:
        startNew(false);
        break;
    case domain::LookupDecision::Action::Continue:
        try {
            if (m_rows.open(m_context.connection.db(), number, d.assessmentId)) {
                m_context.session.assessmentMode = m_rows.mode();
                loadForms();
                domain::noteAudit(m_context.connection.db(),
                                  {domain::AuditAction::View, m_rows.recordNumber(), m_rows.id(),
                                   QStringLiteral("信息调查")});
            }
        } catch (const store::DatabaseError&) {
            m_context.prompts.error(this, QStringLiteral("读取评估资料出错!"), kPromptCaption);
        }
        break;
    case domain::LookupDecision::Action::OfferChooser:
        showChooser(d.scanForInProgress);
        break;
    case domain::LookupDecision::Action::Nothing:
    case domain::LookupDecision::Action::NoPerson:
        break;
    }
    m_panel->show();
}

void QuestionnaireWindow::showChooser(bool scanForInProgress)
{
    if (m_chooser)
        return;
    QList<domain::AssessmentSummary> list;
    try {
        list = domain::assessmentsOf(m_context.connection.db(), m_number->text());
    } catch (const store::DatabaseError&) {
    }
    const bool refuseNew = scanForInProgress && domain::hasAssessmentInProgress(list);
    m_chooser = new AssessmentChooser(*this, m_context.prompts, list, refuseNew, this);
    m_chooser->setAttribute(Qt::WA_DeleteOnClose);
    m_chooser->show();
}

void QuestionnaireWindow::startNew(bool fromChooser)
{
    try {
        m_rows.startNew(m_context.connection.db(), m_number->text());
    } catch (const store::DatabaseError&) {
        m_context.prompts.error(this, QStringLiteral("新建评估出错!"), kPromptCaption);
        return;
    }
    m_context.session.assessmentMode = m_rows.mode();
    loadForms();
    m_endButton->setEnabled(true);
    if (fromChooser) {
        m_state->setText(domain::kInProgress);
        m_saveButton->setEnabled(true);
        if (m_chooser)
            m_chooser->close();
    }
}

void QuestionnaireWindow::openAssessment(const QString& recordNumber, qint32 assessmentId,
                                         const QString& state)
{
    if (m_number->text().trimmed() != recordNumber.trimmed()) {
        const QSignalBlocker quiet(m_number);
        m_number->setText(recordNumber.trimmed());
    }
    bool opened = false;
    try {
        opened = m_rows.open(m_context.connection.db(), recordNumber, assessmentId);
    } catch (const store::DatabaseError&) {
    }
    if (!opened) {
        m_context.prompts.error(this, QStringLiteral("读取评估资料出错!"), kPromptCaption);
        return;
    }
    m_context.session.assessmentMode = m_rows.mode();
    loadForms();
    domain::noteAudit(m_context.connection.db(), {domain::AuditAction::View, m_rows.recordNumber(),
                                                  m_rows.id(), QStringLiteral("信息调查")});
    // Only the manager changes an assessment reopened from the history.
    if (!domain::isManager(m_context.session.currentOperatorCode))
        m_saveButton->setEnabled(false);
    m_endButton->setEnabled(state != domain::kEnded);
    m_state->setText(state);
    if (const auto person = domain::findPerson(m_context.connection.db(), recordNumber)) {
        m_name->setText(person->name);
        m_sex->setText(person->sex);
        m_age->setText(store::valueText(person->age));
        m_panel->show();
    }
    if (m_chooser)
        m_chooser->close();
}

void QuestionnaireWindow::loadForms()
{
    std::array<QHash<QString, QVariant>, 5> typedAhead;
    if (std::exchange(m_answersWithoutRow, false))
        for (size_t i = 0; i < m_forms.size(); ++i)
            typedAhead[i] = m_forms[i]->binding().changes();
    const auto& declared = domain::questionnairePages();
    for (size_t i = 0; i < declared.size(); ++i) {
        m_forms[i]->load(m_rows.section(declared[i].table));
        m_forms[i]->binding().applyChanges(typedAhead[i]);
    }
}

bool QuestionnaireWindow::store(bool confirmFirst)
{
    // While an assessment is open its own number counts, whatever the box holds.
    const QString number =
        m_rows.isOpen() ? m_rows.recordNumber().trimmed() : m_number->text().trimmed();
    if (number.isEmpty()) {
        m_context.prompts.information(this, QStringLiteral("请先输入编号并回车,再保存调查信息!"),
                                      kPromptCaption);
        m_number->setFocus();
        return false;
    }
    if (!personExists(number, ui::kConnectionLostOnSave))
        return false;
    if (!m_rows.isOpen()) {
        m_context.prompts.information(
            this, QStringLiteral("编号“%1”还没有打开评估,请在编号框中回车!").arg(number),
            kPromptCaption);
        m_number->setFocus();
        return false;
    }
    if (!m_saveButton->isEnabled()) {
        m_context.prompts.information(this, QStringLiteral("只有管理员才能修改历史评估信息!"),
                                      kPromptCaption);
        return false;
    }
    const auto& declared = domain::questionnairePages();
    // Answers go into the rows first; a number box holding no number says so.
    for (size_t i = 0; i < declared.size(); ++i)
        if (!m_forms[i]->save(m_rows.section(declared[i].table)))
            return false;
    if (!m_forms[4]->checkRequired())
        return false;
    if (confirmFirst &&
        !m_context.prompts.confirm(this, QStringLiteral("请确保各项调查值录入正确,确实要保存吗？"),
                                   kPromptCaption))
        return false;
    auto other = domain::OtherInProgress::Refuse;
    for (;;) {
        try {
            m_rows.save(m_context.connection.db(), other);
            break;
        } catch (const domain::AnotherAssessmentInProgress& e) {
            // Another workstation began one for this person since the window
            // looked: a second is stored only when the operator says so.
            if (!askAboutOtherAssessment(e.id()))
                return false;
            other = domain::OtherInProgress::Allow;
        } catch (const store::StaleRowError& e) {
            // Nothing was stored; only a deliberate overwrite tries again.
            if (!settleChangeElsewhere(e))
                return false;
        } catch (const store::DatabaseError& e) {
            // The driver's text is logged where the statement failed; what
            // was typed stays in the pages either way.
            m_context.prompts.error(this,
                                    ui::isConnectionLost(e) ? ui::kConnectionLostOnSave
                                                            : QStringLiteral("保存不成功!"),
                                    QStringLiteral("信息提示!"));
            return false;
        } catch (const domain::SaveRuleError& e) {
            qCWarning(ui::lcUi) << "questionnaire save failed:" << e.what();
            m_context.prompts.error(this, QStringLiteral("保存不成功!"),
                                    QStringLiteral("信息提示!"));
            return false;
        }
    }
    m_context.session.assessmentMode = m_rows.mode();
    loadForms(); // the stored body-mass index and exercise verdict
    m_context.prompts.information(this, QStringLiteral("保存成功!"), QStringLiteral("信息提示!"));
    return true;
}

std::array<QHash<QString, QVariant>, 5> QuestionnaireWindow::typedAnswers() const
{
    std::array<QHash<QString, QVariant>, 5> typed;
    for (size_t i = 0; i < m_forms.size(); ++i)
        typed[i] = m_forms[i]->binding().changes();
    return typed;
}

void QuestionnaireWindow::showRowsWith(const std::array<QHash<QString, QVariant>, 5>& typed)
{
    // The stored answers become what the pages started from, so that the
    // operator's own stay changes that are neither stored nor dropped unasked.
    const auto& declared = domain::questionnairePages();
    for (size_t i = 0; i < declared.size(); ++i) {
        m_forms[i]->load(m_rows.section(declared[i].table));
        m_forms[i]->binding().applyChanges(typed[i]);
    }
    m_context.session.assessmentMode = m_rows.mode();
}

bool QuestionnaireWindow::askAboutOtherAssessment(qint32 otherId)
{
    const QString question =
        QStringLiteral("该档案已有一份正在进行的评估（评估编号 %1），可能是其他工作站刚刚开始的。"
                       "本次未保存。\n\n"
                       "继续该评估：调出评估编号 %1,带入您录入的内容"
                       "(与该评估不同之处以您录入的为准),核对后再保存\n"
                       "另存为新评估：保存为该档案的另一份新的评估\n"
                       "取消：暂不保存,录入的内容保留")
            .arg(otherId);
    const int answer = m_context.prompts.choose(
        this, question, kPromptCaption, QMessageBox::Question,
        {QStringLiteral("继续该评估"), QStringLiteral("另存为新评估"), QStringLiteral("取消")}, 2,
        2);
    if (answer == 1)
        return true;
    if (answer == 0)
        continueOtherAssessment(otherId);
    return false;
}

void QuestionnaireWindow::continueOtherAssessment(qint32 otherId)
{
    const QSqlDatabase db = m_context.connection.db();
    const QString number = m_rows.recordNumber();
    const auto typed = typedAnswers();
    try {
        // Looked at first: the new assessment stays open if the other is gone.
        domain::AssessmentRows probe;
        if (!probe.open(db, number, otherId)) {
            m_context.prompts.error(this, QStringLiteral("读取评估资料出错!"), kPromptCaption);
            return;
        }
        if (!m_rows.open(db, number, otherId))
            throw store::DatabaseError(QStringLiteral("the assessment went while it was opened"));
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("读取评估资料出错!")),
                                kPromptCaption);
        return;
    }
    showRowsWith(typed);
    m_state->setText(m_rows.state());
    m_endButton->setEnabled(true);
    m_context.prompts.information(
        this, QStringLiteral("已调出评估编号 %1,您录入的内容已带入,请核对后再保存。").arg(otherId),
        kPromptCaption);
}

bool QuestionnaireWindow::settleChangeElsewhere(const store::StaleRowError& refused)
{
    const QSqlDatabase db = m_context.connection.db();
    const QString number = m_rows.recordNumber();
    const qint32 id = m_rows.id();
    QList<ui::ChangedField> changed;
    bool removed = refused.removed();
    try {
        domain::AssessmentRows theirs;
        if (!removed && theirs.open(db, number, id)) {
            for (const auto& [table, columns] : m_rows.changedElsewhere(db))
                for (domain::AssessmentTable t : domain::kSectionTables)
                    if (domain::tableName(t) == table)
                        changed += ui::changedFields(m_rows.section(t), theirs.section(t), columns);
        } else {
            removed = true;
        }
    } catch (const store::StaleRowError&) {
        removed = true;
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("保存不成功!")),
                                QStringLiteral("信息提示!"));
        return false;
    }
    if (removed) {
        m_context.prompts.error(this, ui::kRemovedElsewhere + QStringLiteral("本次未保存。"),
                                QStringLiteral("信息提示!"));
        return false;
    }
    std::vector<const domain::FormDeclaration*> forms;
    for (const ui::Form* form : m_forms)
        forms.push_back(&form->declaration());
    const auto answer = ui::askAboutChangeElsewhere(m_context.prompts, this,
                                                    ui::changedElsewhereQuestion(forms, changed));
    try {
        switch (answer) {
        case ui::ChangedElsewhereAnswer::Cancel:
            return false;
        case ui::ChangedElsewhereAnswer::Overwrite:
            m_rows.overwriteStored(db);
            return true;
        case ui::ChangedElsewhereAnswer::Reload: {
            const auto typed = typedAnswers();
            if (!m_rows.open(db, number, id))
                throw store::StaleRowError(domain::tableName(domain::AssessmentTable::Register),
                                           true);
            showRowsWith(typed);
            m_context.prompts.information(
                this,
                QStringLiteral("已载入其他工作站保存的内容,您录入的修改已保留,请核对后再保存。"),
                QStringLiteral("信息提示!"));
            return false;
        }
        }
    } catch (const store::StaleRowError&) {
        m_context.prompts.error(this, ui::kRemovedElsewhere + QStringLiteral("本次未保存。"),
                                QStringLiteral("信息提示!"));
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("保存不成功!")),
                                QStringLiteral("信息提示!"));
    }
    return false;
}

void QuestionnaireWindow::save()
{
    if (!store(true))
        return;
    // Only a stored assessment can be analysed.
    if (!m_context.prompts.confirm(this, QStringLiteral("是否进行数据分析及生成报告？"),
                                   kPromptCaption))
        return;
    const QString number = m_rows.recordNumber();
    const qint32 id = m_rows.id();
    const QString state = m_rows.state();
    if (m_context.analyse)
        m_context.analyse(number, id, state);
    close();
}

void QuestionnaireWindow::refill()
{
    if (m_rows.mode() == domain::AssessmentMode::None) {
        m_context.prompts.information(
            this, QStringLiteral("请先输入编号并回车打开评估,再重新填写!"), kPromptCaption);
        return;
    }
    const int page = m_pages->currentIndex();
    if (!m_context.prompts.confirm(this, kRefillQuestions[page], kPromptCaption,
                                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No))
        return;
    const domain::AssessmentTable table = domain::questionnairePages()[size_t(page)].table;
    if (m_rows.refill(table))
        m_forms[size_t(page)]->load(m_rows.section(table));
}

void QuestionnaireWindow::endAssessment()
{
    const QString number = m_number->text().trimmed();
    if (number.isEmpty() || m_rows.mode() == domain::AssessmentMode::None) {
        m_context.prompts.information(
            this, QStringLiteral("请先输入编号并回车打开评估,再结束评估!"), kPromptCaption);
        return;
    }
    if (!personExists(number, ui::kConnectionLost))
        return;
    // Ending stores nothing typed since the last save; those answers are not lost unasked.
    if (!settleChanges())
        return;
    if (m_context.prompts.message(
            this,
            QStringLiteral("用户评估结束后,其该次评估资料将不能修改,确实要结束吗？\n"
                           "(编号%1,评估号%2)")
                .arg(number)
                .arg(m_rows.id()),
            kPromptCaption, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
            QMessageBox::No) != QMessageBox::Yes)
        return;
    try {
        m_rows.end(m_context.connection.db());
    } catch (const store::DatabaseError&) {
        m_context.prompts.error(this, QStringLiteral("结束评估不成功!"), kPromptCaption);
        return;
    }
    m_context.prompts.information(this, QStringLiteral("用户该次评估已结束!"), kPromptCaption);
    close();
}

void QuestionnaireWindow::refreshReferenceLabels()
{
    QHash<QString, QString> ranges;
    try {
        ranges = domain::referenceRangeTexts(m_context.connection.db(), kExaminationTable);
    } catch (const store::DatabaseError&) {
        return; // the labels keep what they show
    }
    ui::Form& exam = *m_forms[4];
    for (auto it = ranges.cbegin(); it != ranges.cend(); ++it)
        if (QLabel* label = exam.referenceLabel(it.key()))
            label->setText(it.value());
}

void QuestionnaireWindow::editReference(const QString& column)
{
    if (!domain::isManager(m_context.session.currentOperatorCode))
        return;
    QString text;
    try {
        text = editReferenceRange(m_context.connection, m_context.prompts, this, kExaminationTable,
                                  column);
    } catch (const store::DatabaseError&) {
        m_context.prompts.error(this, QStringLiteral("读取参考值出错!"), kPromptCaption);
        return;
    }
    if (!text.isNull())
        if (QLabel* label = m_forms[4]->referenceLabel(column))
            label->setText(text);
}

void QuestionnaireWindow::updateBodyMassIndex()
{
    ui::Form& exam = *m_forms[4];
    auto* index = qobject_cast<QLineEdit*>(exam.control(QStringLiteral("tizzs")));
    // A plausible value of the field, or nothing: "8o" is no weight of 8.
    auto valueOf = [&exam](const char* column) -> std::optional<double> {
        const QString name = QString::fromLatin1(column);
        const domain::FieldDeclaration* field = exam.declaration().field(name);
        bool ok = false;
        const QVariant v =
            domain::parseNumber(qobject_cast<QLineEdit*>(exam.control(name))->text(), &ok);
        if (!ok || v.isNull() || (field->range && !field->range->contains(v.toDouble())))
            return std::nullopt;
        return v.toDouble();
    };
    const auto height = valueOf("sheng");
    const auto weight = valueOf("tiz");
    std::optional<double> bmi;
    if (height && weight)
        bmi = domain::bodyMassIndex(*height, *weight);
    index->setText(bmi ? store::numberText(*bmi) : QString());
}

AssessmentChooser::AssessmentChooser(QuestionnaireWindow& window, ui::PromptService&,
                                     const QList<domain::AssessmentSummary>& assessments,
                                     bool refuseNew, QWidget* parent)
    : QDialog(parent), m_window(window), m_assessments(assessments), m_grid(new QTableWidget(this)),
      m_new(flatButton(QStringLiteral("&N 新建评估"), QStringLiteral("Myspb_xjpg"), this))
{
    setObjectName(QStringLiteral("TFrm_ts"));
    setWindowTitle(QStringLiteral("评估提示"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("评估历史："), this));

    m_grid->setObjectName(QStringLiteral("assessments"));
    m_grid->setColumnCount(3);
    m_grid->setHorizontalHeaderLabels(
        {QStringLiteral("编号"), QStringLiteral("评估日期"), QStringLiteral("状态")});
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setRowCount(int(assessments.size()));
    for (int r = 0; r < assessments.size(); ++r) {
        const domain::AssessmentSummary& a = assessments.at(r);
        m_grid->setItem(r, 0, new QTableWidgetItem(a.recordNumber));
        m_grid->setItem(
            r, 1, new QTableWidgetItem(a.date.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))));
        m_grid->setItem(r, 2, new QTableWidgetItem(a.state));
    }
    m_grid->resizeColumnsToContents();
    if (!assessments.isEmpty())
        m_grid->selectRow(0);
    layout->addWidget(m_grid, 1);

    auto* view = flatButton(QStringLiteral("&F 查看记录"), QStringLiteral("Myspb_ckls"), this);
    auto* close = flatButton(QStringLiteral("&C 关闭"), QStringLiteral("Myspb_gb"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_new);
    buttons->addWidget(view);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    m_new->setEnabled(!refuseNew);

    connect(m_new, &QPushButton::clicked, this, [this] { m_window.startNew(true); });
    connect(view, &QPushButton::clicked, this, &AssessmentChooser::viewSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this] { viewSelected(); });
    ui::KeyNavigation::install(this)->setEnterAction(m_grid, [this] { viewSelected(); });
    resize(420, 300);
}

void AssessmentChooser::viewSelected()
{
    const QModelIndexList rows = m_grid->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const domain::AssessmentSummary a = m_assessments.at(rows.first().row());
    m_window.openAssessment(a.recordNumber, a.id, a.state);
}

} // namespace hra::questionnaire
