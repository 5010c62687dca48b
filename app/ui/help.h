// F1: the manual is the first PDF in the program's directory, opened by the
// desktop's PDF viewer.
#pragma once

#include <QString>

class QWidget;

namespace velmora {

// The first PDF of dir in name order; empty when there is none.
QString FindManual(const QString& dir);
// Opens the manual; a missing manual is silent, a viewer that cannot be
// started is reported.
void OpenManual(QWidget* parent);

} // namespace velmora
