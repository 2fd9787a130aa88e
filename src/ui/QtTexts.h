#pragma once

#include <QTranslator>

class QFileDialog;
class QMessageBox;

namespace hra::ui {

// Texts that Qt's own dialogs ask for and the Chinese catalogue of Qt 6.4
// lacks: the file icon provider's texts moved to a context of their own, so
// the file dialog's type column said "Folder". Answers only these; every
// other text falls through to Qt's catalogue.
class MissingQtTexts : public QTranslator
{
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override;
    bool isEmpty() const override { return false; }
};

// Qt's file dialog writes dates and sizes in the workstation's locale, which
// is often C ("10 Dec 2026", "1 bytes"); this makes them Chinese.
void useChineseDetails(QFileDialog& dialog);

// Makes a message box wide enough for its caption in a window manager's title
// bar beside the manager's buttons; a narrow box (one short line, one button)
// showed "提…". Xvfb has no window manager, so no screenshot shows titles.
void fitCaption(QMessageBox& box);

} // namespace hra::ui
