#include "windows/records/PersonForm.h"

#include "reportengine/pictures/PictureDecode.h"
#include "ui/FlatButton.h"
#include "ui/PromptService.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace hra::records {

PersonForm::PersonForm(Purpose purpose, ui::PromptService& prompts, QWidget* parent)
    : QWidget(parent), m_prompts(prompts),
      m_form(new ui::Form(domain::personForm(purpose), prompts, this))
{
    // The photo, beside the optional fields: its name (set by choosing a
    // picture, never typed), the picture stretched into its box, and the two buttons.
    QWidget* optional = m_form->section(QStringLiteral("optionalGroup"));
    auto* photoColumn = new QVBoxLayout;
    m_picture = new QLabel(optional);
    m_picture->setObjectName(QStringLiteral("pictureBox"));
    m_picture->setFixedSize(120, 150);
    m_picture->setFrameShape(QFrame::Box);
    m_picture->setScaledContents(true);
    auto* nameRow = new QHBoxLayout;
    auto* photoEdit = new QLineEdit(optional);
    photoEdit->setObjectName(QStringLiteral("zhaop"));
    ui::makeReadOnly(photoEdit);
    photoEdit->setFixedWidth(120);
    m_form->binding().text(photoEdit, QStringLiteral("zhaop"));
    m_photoName = photoEdit;
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
    QGridLayout* grid = m_form->sectionGrid(QStringLiteral("optionalGroup"));
    grid->addLayout(photoColumn, 0, grid->columnCount(), grid->rowCount(), 1);
    connect(browse, &QPushButton::clicked, this, &PersonForm::browsePicture);
    connect(clear, &QPushButton::clicked, this, &PersonForm::clearPicture);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* section : m_form->sections())
        layout->addWidget(section);

    photoRecordNumber = [this] { return recordNumber(); };
    // An identity number has 18 characters, all of which should show.
    QWidget* identity = m_form->control(QStringLiteral("shenfzh"));
    identity->setMinimumWidth(
        identity->fontMetrics().horizontalAdvance(QStringLiteral("00000000000000000X")) + 16);
}

QWidget* PersonForm::control(const QString& column) const
{
    return column == QLatin1String("zhaop") ? m_photoName : m_form->control(column);
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
    m_photo = {};
    m_photoFile.clear();
    m_photoChanged = false;
    showPicture({});
}

bool PersonForm::showStoredPhoto(const store::RowBuffer& row)
{
    forgetPicture();
    m_photo = domain::photoOf(row);
    if (m_photo.isEmpty())
        return true;
    const reportengine::DecodedPicture picture = reportengine::decodePicture(m_photo.bytes);
    showPicture(picture.image);
    return picture.ok();
}

void PersonForm::savePhoto(store::RowBuffer& row, const QString& recordNumber) const
{
    if (m_photoChanged)
        domain::setPhoto(row, m_photo,
                         domain::photoName(recordNumber, m_photoFile, photoNameWidth));
}

void PersonForm::browsePicture()
{
    const QString file = m_prompts.openFileName(
        window(), QStringLiteral("选择照片"), QString(),
        QStringLiteral("图片文件 (*.jpg *.jpeg *.bmp *.png *.gif);;所有文件 (*)"));
    if (file.isEmpty())
        return;
    // Checked (size, and decoded through the safe path) before it is shown.
    const domain::PhotoCheck check = domain::readPhotoFile(file);
    if (!check.ok()) {
        m_prompts.error(window(), check.problem, QStringLiteral("出错提示"));
        return;
    }
    m_photo = check.photo;
    m_photoFile = file;
    m_photoChanged = true;
    // The name follows the number the person is stored under (see savePhoto).
    const QString number = photoRecordNumber();
    setPhotoName(number.isEmpty() ? QString() : domain::photoName(number, file, photoNameWidth));
    showPicture(reportengine::decodePicture(m_photo.bytes).image);
}

void PersonForm::clearPicture()
{
    forgetPicture();
    m_photoChanged = true;
    setPhotoName(QString());
}

} // namespace hra::records
