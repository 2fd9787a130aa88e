#pragma once

#include <QDialog>
#include <QStringList>

namespace hra::app {

// The literature the assessments follow: medical books, guidelines and
// articles, then web sites of medical associations with their subjects.
const QStringList& referenceList();

// TFrm_ckwx: the reference list, numbered.
class ReferencesDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ReferencesDialog(QWidget* parent = nullptr);
};

} // namespace hra::app
