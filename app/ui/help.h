// F1: the manual is the first PDF in the program's directory, opened by the
// desktop's PDF viewer.
#pragma once

#include <QString>

class QWidget;

namespace velmora {

// The first PDF of dir in name order; empty when there is none.
QString FindManual(const QString& dir);
// Opens the manual of the program's directory with the desktop's handler for
// PDF files; a missing manual and a desktop without a PDF viewer are both
// reported, the first naming the folder searched.
void OpenManual(QWidget* parent);
// The same for the manual in dir.
void OpenManual(QWidget* parent, const QString& dir);

} // namespace velmora
