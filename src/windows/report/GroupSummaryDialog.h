#pragma once

#include "domain/Audit.h"
#include "reportengine/widgets/PreviewDialog.h"

#include <QDialog>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;

namespace hra::ui {
class PromptService;
}

namespace hra::report {

struct Context;
struct GroupSummaryData;

// 团体健康评估报告: the operator chooses a work unit and, if wanted, the
// dates its assessments were entered on, then previews (printing and PDF
// there) or exports the tables as an Excel book.
class GroupSummaryDialog : public QDialog
{
    Q_OBJECT
public:
    explicit GroupSummaryDialog(Context& context, QWidget* parent = nullptr);

    void preview();
    void exportBook();

private:
    // The summary of the choice; empty, after telling the operator, when
    // the choice is incomplete or the database fails.
    std::optional<GroupSummaryData> read();

    Context& m_context;
    QComboBox* m_unit;
    QCheckBox* m_fromOn;
    QDateEdit* m_from;
    QCheckBox* m_toOn;
    QDateEdit* m_to;
};

// The built summary, exported as 团体健康评估报告.pdf.
class GroupSummaryPreview : public reportengine::PreviewDialog
{
    Q_OBJECT
public:
    // `note` writes the operation log's entry of a print or a file written
    // (the file's path, empty for a print).
    using Note = std::function<void(domain::AuditAction action, const QString& file)>;

    GroupSummaryPreview(ui::PromptService& prompts, std::unique_ptr<reportengine::Report> report,
                        Note note, QWidget* parent = nullptr);

protected:
    QString askPdfPath() override;
    void pdfExported(bool ok, const QString& error) override;
    void buildFailed(const QString& error) override;
    void printFailed(const QString& error) override;
    void printed() override;

private:
    ui::PromptService& m_prompts;
    Note m_note;
    QString m_pdfPath; // the file the export under way writes
};

} // namespace hra::report
