#pragma once

#include <QList>
#include <QPair>
#include <QString>

class QWidget;

namespace korvi {

// The tool-tip text of a control, by panel (the panel's objectName, which is
// its class name) and the control's objectName; "" when the table has none.
QString ToolTipFor(const QString& panel, const QString& control);

// The panel and control of every row, in table order.
QList<QPair<QString, QString>> ToolTipRows();

// Sets the tool tip of every named control and action inside panel from the
// table (InitToolTip).
void InitToolTip(QWidget* panel);

}  // namespace korvi
