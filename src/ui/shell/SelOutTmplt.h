#pragma once

#include <QString>

class QWidget;

namespace korvi {

struct GuiContext;
struct OutputRows;

// "出力(T)": asks for an output template and writes rows through it.
void SelOutTmplt(GuiContext& gui, QWidget* parent, const OutputRows& rows, const QString& title);

}  // namespace korvi
