#pragma once

#include "reportengine/widgets/PreviewDialog.h"

#include <QList>
#include <QVariantMap>
#include <memory>

namespace hra::reportengine {
class DataSource;
class Report;
class TableDataSource;
} // namespace hra::reportengine

namespace hra::ui {
class PromptService;
}

namespace hra::records {

// The fields of the printed person list, under their own names.
const QStringList& personListFields();

// frxDB_llda over persons held in memory (the database's list is
// PersonListSource).
std::shared_ptr<reportengine::TableDataSource> personListSource(const QList<QVariantMap>& persons);

// Loads the template and gives it the persons (frxDB_llda), ready to build.
// False, with a message for the operator, when the template is missing or
// cannot be read.
bool preparePersonList(reportengine::Report& report, const QString& templatePath,
                       std::shared_ptr<reportengine::DataSource> persons, QString* error);

// The same, and builds the list at once. False, with a message for the
// operator, when the template is missing or cannot be read or built.
bool buildPersonList(reportengine::Report& report, const QString& templatePath,
                     std::shared_ptr<reportengine::DataSource> persons, QString* error);

// The built person list, exported as jbxx.pdf; outcomes told through the
// prompt service.
class PersonListPreview : public reportengine::PreviewDialog
{
    Q_OBJECT
public:
    PersonListPreview(ui::PromptService& prompts, std::unique_ptr<reportengine::Report> report,
                      QWidget* parent = nullptr);

protected:
    QString askPdfPath() override;
    void pdfExported(bool ok, const QString& error) override;
    QString pdfTitle() const override;
    void buildFailed(const QString& error) override;
    void printFailed(const QString& error) override;

private:
    ui::PromptService& m_prompts;
};

} // namespace hra::records
