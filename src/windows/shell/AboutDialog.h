#pragma once

#include <QDialog>

namespace hra::app {

// TFrm_gy: the system's title, version and rights.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace hra::app
