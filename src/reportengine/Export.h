#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace hra::reportengine {

class BuiltReport; // Report::built()

// Writes every page to a PDF file with real, selectable text and the fonts
// embedded. Returns false with a message when the file cannot be written.
bool exportPdf(const BuiltReport& report, const QString& path, QString* error = nullptr,
               const QString& title = {});

// One page as an image of `dpi` dots per inch on white paper.
QImage renderPage(const BuiltReport& report, int index, qreal dpi);

// Writes each page to `dir` as <prefix>-001.png, <prefix>-002.png, ...
// Returns the files written; empty with a message on failure.
QStringList exportPng(const BuiltReport& report, const QString& dir, qreal dpi = 150,
                      const QString& prefix = QStringLiteral("page"), QString* error = nullptr);

} // namespace hra::reportengine
