#pragma once

#include "domain/PersonPhotos.h"
#include "domain/PersonRecords.h"
#include "store/RowBuffer.h"
#include "ui/Form.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;

namespace hra::ui {
class FlatButton;
class PromptService;
} // namespace hra::ui

namespace hra::records {

// The two field groups of a person ("基本信息" and "选填信息") with the photo,
// shared by the create and the modify window. The fields are built from the
// declared person form (domain::personForm); the photo part is made here.
class PersonForm : public QWidget
{
    Q_OBJECT
public:
    using Purpose = domain::PersonFormPurpose;

    PersonForm(Purpose purpose, ui::PromptService& prompts, QWidget* parent = nullptr);

    // The control of a column ("bianh", "xingm", ...), named by its column.
    QWidget* control(const QString& column) const;
    QLineEdit* lineEdit(const QString& column) const;
    QComboBox* comboBox(const QString& column) const;
    QLabel* pictureBox() const { return m_picture; }

    QString recordNumber() const; // as typed, blanks removed

    void load(const store::RowBuffer& row) const { m_form->load(row); }
    // Writes the controls into the row; false (with a message) when the age is no number.
    bool save(store::RowBuffer& row) const { return m_form->save(row); }
    void clearFields() const { m_form->clear(); }
    const domain::FormDeclaration& declaration() const { return m_form->declaration(); }
    // What was typed since the last load, and putting it back after the row
    // was loaded again (another workstation's change).
    QHash<QString, QVariant> changes() const { return m_form->binding().changes(); }
    void applyChanges(const QHash<QString, QVariant>& typed) const
    {
        m_form->binding().applyChanges(typed);
    }
    // Whether anything was typed or the photo chosen or cleared since the last load or clear.
    bool isModified() const { return m_form->isModified() || m_photoChanged; }
    // Says which of name, sex and age is missing and puts the focus there;
    // true when none is.
    bool checkRequired() const { return m_form->checkRequired(); }

    // The photo name shown in the form.
    QString photoName() const;
    void setPhotoName(const QString& name);

    // The photo shown: loaded, or chosen with "浏览...".
    const domain::PersonPhoto& photo() const { return m_photo; }
    // Shows no photo, as loaded.
    void forgetPicture();
    // Shows the photo of a loaded row; false when it has one that does not decode.
    bool showStoredPhoto(const store::RowBuffer& row);
    // Puts a photo chosen or cleared since the load into the row, named after
    // the record number; a row whose photo was left alone keeps it.
    void savePhoto(store::RowBuffer& row, const QString& recordNumber) const;

    // Where the photo name of a chosen picture comes from: the number typed in
    // the form (create) or the loaded person's number (modify).
    std::function<QString()> photoRecordNumber;
    // The width of the photo name column.
    int photoNameWidth = 20;

private:
    void browsePicture();
    void clearPicture();
    void showPicture(const QImage& image);

    ui::PromptService& m_prompts;
    ui::Form* m_form;
    QLineEdit* m_photoName = nullptr;
    QLabel* m_picture = nullptr;
    domain::PersonPhoto m_photo;
    QString m_photoFile; // the file a chosen photo came from
    bool m_photoChanged = false;
};

} // namespace hra::records
