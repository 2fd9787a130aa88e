#include "records/PersonForm.h"

#include "ui/FlatButton.h"
#include "ui/PromptService.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace hra::records {
namespace {

enum class Kind
{
    Text,
    Number,
    Choice
};
enum class Group
{
    Basic,
    Optional
};

struct FieldSpec
{
    Group group;
    QString caption;
    QString column;
    Kind kind;
    int width; // characters the column holds; 0: a number
    QStringList options;
    bool wide = false; // takes a whole row of its group
};

// The creation window offers two more occupations than the modify window; a
// stored value of either is still shown and kept there.
const QStringList& occupations(PersonForm::Purpose purpose)
{
    static const QStringList create{
        QStringLiteral("脑力劳动"), QStringLiteral("体力劳动"), QStringLiteral("公司职员"),
        QStringLiteral("机关干部"), QStringLiteral("教师"),     QStringLiteral("技术人员"),
        QStringLiteral("工人"),     QStringLiteral("农民"),     QStringLiteral("待业"),
        QStringLiteral("离退休"),   QStringLiteral("金融"),     QStringLiteral("医疗人员"),
        QStringLiteral("其它")};
    static const QStringList modify = create.mid(2);
    return purpose == PersonForm::Purpose::Create ? create : modify;
}

std::vector<FieldSpec> personFields(PersonForm::Purpose purpose)
{
    return {
        {Group::Basic, QStringLiteral("档案编号"), QStringLiteral("bianh"), Kind::Text, 10, {}},
        {Group::Basic, QStringLiteral("姓名"), QStringLiteral("xingm"), Kind::Text, 10, {}},
        {Group::Basic,
         QStringLiteral("性别"),
         QStringLiteral("xingb"),
         Kind::Choice,
         2,
         {QStringLiteral("男"), QStringLiteral("女")}},
        {Group::Basic, QStringLiteral("年龄"), QStringLiteral("nianl"), Kind::Number, 0, {}},
        {Group::Optional,
         QStringLiteral("身份证号"),
         QStringLiteral("shenfzh"),
         Kind::Text,
         18,
         {}},
        {Group::Optional,
         QStringLiteral("民族"),
         QStringLiteral("minz"),
         Kind::Choice,
         10,
         {QStringLiteral("汉族"), QStringLiteral("回族"), QStringLiteral("蒙古族"),
          QStringLiteral("藏族"), QStringLiteral("维吾尔族"), QStringLiteral("壮族"),
          QStringLiteral("高山族")}},
        {Group::Optional, QStringLiteral("职业"), QStringLiteral("zhiy"), Kind::Choice, 30,
         occupations(purpose)},
        {Group::Optional,
         QStringLiteral("婚姻状况"),
         QStringLiteral("hunyzk"),
         Kind::Choice,
         8,
         {QStringLiteral("未婚"), QStringLiteral("已婚"), QStringLiteral("离异"),
          QStringLiteral("丧偶"), QStringLiteral("其它")}},
        {Group::Optional,
         QStringLiteral("文化程度"),
         QStringLiteral("wenhcd"),
         Kind::Choice,
         10,
         {QStringLiteral("文盲"), QStringLiteral("小学"), QStringLiteral("中学"),
          QStringLiteral("大专"), QStringLiteral("本科"), QStringLiteral("本科以上")}},
        {Group::Optional,
         QStringLiteral("联系方式"),
         QStringLiteral("lianxfs"),
         Kind::Text,
         20,
         {}},
        {Group::Optional,
         QStringLiteral("工作单位"),
         QStringLiteral("gongzdw"),
         Kind::Text,
         50,
         {},
         true},
        {Group::Optional,
         QStringLiteral("通讯地址"),
         QStringLiteral("tongxdz"),
         Kind::Text,
         50,
         {},
         true},
        {Group::Optional,
         QStringLiteral("电子邮件"),
         QStringLiteral("youj"),
         Kind::Text,
         50,
         {},
         true},
    };
}

// Label and control pairs, two pairs to a row unless a field is wide.
class PairGrid
{
public:
    explicit PairGrid(QGridLayout* grid) : m_grid(grid) {}
    void add(const QString& caption, QWidget* control, bool wide)
    {
        if (wide && m_col != 0)
            next();
        auto* label = new QLabel(caption, control->parentWidget());
        label->setBuddy(control);
        m_grid->addWidget(label, m_row, m_col * 2);
        m_grid->addWidget(control, m_row, m_col * 2 + 1, 1, wide ? 3 : 1);
        if (wide || m_col == 1)
            next();
        else
            m_col = 1;
    }

private:
    void next()
    {
        ++m_row;
        m_col = 0;
    }
    QGridLayout* m_grid;
    int m_row = 0;
    int m_col = 0;
};

} // namespace

PersonForm::PersonForm(Purpose purpose, ui::PromptService& prompts, QString photoDirectory,
                       QWidget* parent)
    : QWidget(parent), m_prompts(prompts), m_photoDirectory(std::move(photoDirectory)),
      m_binding(prompts, parent ? parent : this)
{
    auto* basic = new QGroupBox(QStringLiteral("基本信息"), this);
    basic->setObjectName(QStringLiteral("basicGroup"));
    auto* optional = new QGroupBox(QStringLiteral("选填信息"), this);
    optional->setObjectName(QStringLiteral("optionalGroup"));
    auto* basicGrid = new QGridLayout(basic);
    auto* optionalRow = new QHBoxLayout(optional);
    auto* optionalGrid = new QGridLayout;
    optionalRow->addLayout(optionalGrid, 1);
    PairGrid basicPairs(basicGrid);
    PairGrid optionalPairs(optionalGrid);

    for (const FieldSpec& f : personFields(purpose)) {
        QGroupBox* group = f.group == Group::Basic ? basic : optional;
        QWidget* control = nullptr;
        if (f.kind == Kind::Choice) {
            auto* combo = new QComboBox(group);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->addItems(f.options);
            combo->lineEdit()->setMaxLength(f.width);
            m_binding.choice(combo, f.column);
            control = combo;
        } else {
            auto* edit = new QLineEdit(group);
            if (f.kind == Kind::Number) {
                m_binding.number(edit, f.column, f.caption);
            } else {
                edit->setMaxLength(f.width);
                m_binding.text(edit, f.column);
            }
            control = edit;
        }
        control->setObjectName(f.column);
        m_controls.insert(f.column, control);
        (f.group == Group::Basic ? basicPairs : optionalPairs).add(f.caption, control, f.wide);
    }

    // The photo: its name (set by choosing a picture, never typed), the
    // picture stretched into its box, and the two buttons.
    auto* photoColumn = new QVBoxLayout;
    m_picture = new QLabel(optional);
    m_picture->setObjectName(QStringLiteral("pictureBox"));
    m_picture->setFixedSize(120, 150);
    m_picture->setFrameShape(QFrame::Box);
    m_picture->setScaledContents(true);
    auto* nameRow = new QHBoxLayout;
    auto* photoEdit = new QLineEdit(optional);
    photoEdit->setObjectName(QStringLiteral("zhaop"));
    photoEdit->setReadOnly(true);
    photoEdit->setFocusPolicy(Qt::NoFocus);
    QPalette shaded = photoEdit->palette();
    shaded.setColor(QPalette::Base, shaded.color(QPalette::Window));
    photoEdit->setPalette(shaded);
    photoEdit->setFixedWidth(120);
    m_binding.text(photoEdit, QStringLiteral("zhaop"));
    m_controls.insert(QStringLiteral("zhaop"), photoEdit);
    nameRow->addWidget(new QLabel(QStringLiteral("照片"), optional));
    nameRow->addWidget(photoEdit);
    auto* buttons = new QHBoxLayout;
    auto* browse = new ui::FlatButton(QStringLiteral("浏览..."), optional);
    browse->setObjectName(QStringLiteral("browsePicture"));
    auto* clear = new ui::FlatButton(QStringLiteral("清除"), optional);
    clear->setObjectName(QStringLiteral("clearPicture"));
    buttons->addWidget(browse);
    buttons->addWidget(clear);
    photoColumn->addWidget(m_picture, 0, Qt::AlignHCenter);
    photoColumn->addLayout(nameRow);
    photoColumn->addLayout(buttons);
    photoColumn->addStretch();
    optionalRow->addLayout(photoColumn);
    connect(browse, &QPushButton::clicked, this, &PersonForm::browsePicture);
    connect(clear, &QPushButton::clicked, this, &PersonForm::clearPicture);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(basic);
    layout->addWidget(optional);

    photoRecordNumber = [this] { return recordNumber(); };
}

QLineEdit* PersonForm::lineEdit(const QString& column) const
{
    return qobject_cast<QLineEdit*>(control(column));
}

QComboBox* PersonForm::comboBox(const QString& column) const
{
    return qobject_cast<QComboBox*>(control(column));
}

QString PersonForm::recordNumber() const
{
    return lineEdit(QStringLiteral("bianh"))->text().trimmed();
}

QString PersonForm::photoName() const
{
    return lineEdit(QStringLiteral("zhaop"))->text();
}

void PersonForm::setPhotoName(const QString& name)
{
    lineEdit(QStringLiteral("zhaop"))->setText(name);
}

void PersonForm::showPicture(const QImage& image)
{
    m_picture->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
}

void PersonForm::forgetPicture()
{
    m_pending = {};
    showPicture({});
}

bool PersonForm::showStoredPhoto(const QString& name)
{
    const QString path = photoPath(m_photoDirectory, name);
    const QImage image = path.isEmpty() ? QImage() : QImage(path);
    showPicture(image);
    return !image.isNull();
}

void PersonForm::browsePicture()
{
    const QString file = m_prompts.openFileName(
        window(), QStringLiteral("选择照片"), QString(),
        QStringLiteral("图片文件 (*.jpg *.jpeg *.bmp *.png *.gif);;所有文件 (*)"));
    if (file.isEmpty())
        return;
    PendingPhoto photo = readPicture(file);
    if (photo.isEmpty()) {
        m_prompts.error(window(), QStringLiteral("加载照片出错!"), QStringLiteral("出错提示"));
        return;
    }
    // A picture chosen without a record number has no name and is never written.
    const QString number = photoRecordNumber();
    if (!number.isEmpty()) {
        const QString name = records::photoName(number, file);
        const QString problem = photoNameProblem(name, photoNameWidth);
        if (!problem.isEmpty()) {
            m_prompts.error(window(), problem, QStringLiteral("出错提示"));
            return;
        }
        photo.recordNumber = number;
        photo.name = name;
        setPhotoName(name);
    }
    m_pending = photo;
    showPicture(m_pending.image);
}

void PersonForm::clearPicture()
{
    forgetPicture();
    if (clearDeletesFile)
        deletePhoto(m_photoDirectory, photoName());
    setPhotoName(QString());
}

} // namespace hra::records
