#include "windows/report/SettingsDialogs.h"

#include "report/CentreSettings.h"
#include "report/Jpeg.h"
#include "store/Sql.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/Log.h"
#include "ui/PromptService.h"
#include "ui/StoreFailure.h"
#include "windows/report/ButtonRow.h"
#include "windows/report/Context.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace hra::report {

namespace {

const QString kErrorCaption = QStringLiteral("错误提示");
const QString kInfoCaption = QStringLiteral("信息提示");

QFont songti15()
{
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(15);
    return f;
}

QLabel* imageBox(QWidget* parent, const char* name, QSize size)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFixedSize(size);
    label->setFrameShape(QFrame::StyledPanel);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// The whole picture, shrunk into the box with its proportions kept; shown
// as it was, a cover showed only its top-left corner.
void showWhole(QLabel* box, const QImage& image)
{
    box->setPixmap(image.isNull()
                       ? QPixmap()
                       : QPixmap::fromImage(image.scaled(box->size(), Qt::KeepAspectRatio,
                                                         Qt::SmoothTransformation)));
}

} // namespace

CentreDialog::CentreDialog(Context& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_name(new QLineEdit(this)),
      m_address(new QLineEdit(this)), m_region(new QComboBox(this)), m_area(new QComboBox(this))
{
    setObjectName(QStringLiteral("TFrm_pgzx"));
    setWindowTitle(QStringLiteral("评估中心设置"));
    auto* group = new QGroupBox(QStringLiteral("单位信息设置"), this);
    m_name->setObjectName(QStringLiteral("labedt_dwmc"));
    m_address->setObjectName(QStringLiteral("labedt_dwdz"));
    m_name->setFont(songti15());
    m_address->setFont(songti15());
    m_name->setMaxLength(100);
    m_address->setMaxLength(200);
    // Where the centre lies enters the 10-year risk equation; empty is "not set".
    m_region->setObjectName(QStringLiteral("cmb_diq"));
    m_area->setObjectName(QStringLiteral("cmb_chengx"));
    m_region->addItems(QStringList{QString()} + centreRegions());
    m_area->addItems(QStringList{QString()} + centreAreas());
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("单位名称:"), m_name);
    form->addRow(QStringLiteral("单位地址:"), m_address);
    form->addRow(QStringLiteral("所在地区:"), m_region);
    form->addRow(QStringLiteral("城乡:"), m_area);

    QHBoxLayout* buttons = actionAndCloseRow(
        this, QStringLiteral("&Q 确定"), "Myspb_qd", [this] { save(); }, "Myspeedbutton1");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    setMinimumWidth(480);

    try {
        const Centre centre = loadCentre(m_context.connection);
        m_name->setText(centre.name);
        m_address->setText(centre.address);
        m_region->setCurrentIndex(std::max(0, m_region->findText(centre.region)));
        m_area->setCurrentIndex(std::max(0, m_area->findText(centre.area)));
    } catch (const store::DatabaseError&) {
        qCWarning(ui::lcUi) << "the centre settings could not be read";
    }
    ui::KeyNavigation::install(this);
}

void CentreDialog::save()
{
    CentreSave outcome = CentreSave::EmptyName;
    try {
        outcome =
            saveCentre(m_context.connection, {m_name->text(), m_address->text(),
                                              m_region->currentText(), m_area->currentText()});
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("单位名称设置不成功！")),
                                kErrorCaption);
        accept();
        return;
    }
    if (outcome == CentreSave::EmptyName) {
        m_name->clear();
        m_context.prompts.error(this, QStringLiteral("单位名称不能为空！"), kErrorCaption);
        m_name->setFocus();
        return;
    }
    m_context.prompts.information(this, QStringLiteral("单位名称设置成功！"), kInfoCaption);
    accept();
}

CoverDialog::CoverDialog(Context& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_chosenImage(imageBox(this, "Image_xz", {123, 107})),
      m_storedImage(imageBox(this, "Image_yl", {123, 157}))
{
    setObjectName(QStringLiteral("TFrm_bgfm"));
    setWindowTitle(QStringLiteral("报告设置"));
    auto* group = new QGroupBox(QStringLiteral("报告封面设置"), this);
    auto button = [this](const char* caption, const char* name) {
        auto* b = new ui::FlatButton(QString::fromUtf8(caption), this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    auto* choose = button("&S 选择图片...", "Myspb_xztp");
    auto* save = button("&Q 保存", "Myspb_bz");
    auto* preview = button("&L 预览封面", "Myspb_ylfm");
    auto* close = button("&C 关闭", "Myspb_gb");
    auto* note = new QLabel(QStringLiteral("注：封面图片大小为：　21×29cm左右为佳"), group);
    note->setObjectName(QStringLiteral("Label1"));
    note->setWordWrap(true);
    m_storedImage->setScaledContents(true);

    auto* left = new QVBoxLayout;
    left->addWidget(m_chosenImage);
    left->addWidget(choose);
    left->addWidget(note);
    left->addWidget(save);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(m_storedImage);
    right->addWidget(preview);
    right->addStretch();
    auto* inner = new QHBoxLayout(group);
    inner->addLayout(left);
    inner->addLayout(right);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(bottom);

    connect(choose, &QPushButton::clicked, this, &CoverDialog::choosePicture);
    connect(save, &QPushButton::clicked, this, &CoverDialog::save);
    connect(preview, &QPushButton::clicked, this, &CoverDialog::previewStored);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    try {
        if (const std::optional<QByteArray> stored = loadCover(m_context.connection)) {
            QString error;
            const QImage image = decodeJpeg(*stored, &error);
            if (!image.isNull()) {
                m_chosen = *stored;
                showWhole(m_chosenImage, image);
            } else {
                // The next save replaces it; until then the report leaves it out.
                m_context.prompts.error(this, QStringLiteral("图片无法读取！%1").arg(error),
                                        kErrorCaption);
            }
        }
    } catch (const store::DatabaseError&) {
        qCWarning(ui::lcUi) << "the stored cover could not be read";
    }
    ui::KeyNavigation::install(this);
}

void CoverDialog::choosePicture()
{
    const QString path = m_context.prompts.openFileName(
        this, QStringLiteral("选择图片"), QString(),
        QStringLiteral("图片文件 (*.jpg *.jpeg *.bmp *.png *.gif *.ico);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    QString error;
    const QByteArray jpeg = jpegFromFile(path, &error);
    if (jpeg.isEmpty()) {
        m_context.prompts.error(this, QStringLiteral("图片无法读取！%1").arg(error), kErrorCaption);
        return;
    }
    m_chosen = jpeg;
    showWhole(m_chosenImage, decodeJpeg(jpeg));
}

void CoverDialog::save()
{
    if (m_chosen.isEmpty())
        return;
    try {
        saveCover(m_context.connection, m_chosen);
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("保存失败！")),
                                kErrorCaption);
        return;
    }
    m_context.prompts.information(this, QStringLiteral("保存成功！"), kInfoCaption);
}

void CoverDialog::previewStored()
{
    std::optional<QByteArray> stored;
    try {
        stored = loadCover(m_context.connection);
    } catch (const store::DatabaseError&) {
        qCWarning(ui::lcUi) << "the stored cover could not be read";
    }
    if (!stored) {
        m_context.prompts.error(this, QStringLiteral("没有图片可预览,请先选择图片并保存后预览！"),
                                kErrorCaption);
        return;
    }
    QString error;
    const QImage image = decodeJpeg(*stored, &error);
    if (image.isNull()) {
        m_context.prompts.error(this, QStringLiteral("图片无法读取！%1").arg(error), kErrorCaption);
        return;
    }
    m_storedImage->setPixmap(QPixmap::fromImage(image));
}

} // namespace hra::report
