#pragma once

#include <QByteArray>
#include <QDialog>

class QLabel;
class QComboBox;
class QLineEdit;

namespace hra::report {

struct Context;

// TFrm_pgzx, "评估中心设置": the centre's name and address, printed on the
// cover and in every page footer.
class CentreDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CentreDialog(Context& context, QWidget* parent = nullptr);

    QLineEdit* nameBox() const { return m_name; }
    QLineEdit* addressBox() const { return m_address; }
    QComboBox* regionBox() const { return m_region; }
    QComboBox* areaBox() const { return m_area; }
    // "&Q 确定".
    void save();

private:
    Context& m_context;
    QLineEdit* m_name;
    QLineEdit* m_address;
    QComboBox* m_region;
    QComboBox* m_area;
};

// TFrm_bgfm, "报告设置": the picture printed as the report cover, stored in
// the database as JPEG.
class CoverDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CoverDialog(Context& context, QWidget* parent = nullptr);

    // "&S 选择图片...": a picture file into the chosen picture.
    void choosePicture();
    // "&Q 保存": stores the chosen picture; nothing when none is chosen.
    void save();
    // "&L 预览封面": shows what is stored (not what is chosen).
    void previewStored();

    const QByteArray& chosenJpeg() const { return m_chosen; }
    QLabel* chosenImage() const { return m_chosenImage; }
    QLabel* storedImage() const { return m_storedImage; }

private:
    Context& m_context;
    QByteArray m_chosen;
    QLabel* m_chosenImage;
    QLabel* m_storedImage;
};

} // namespace hra::report
