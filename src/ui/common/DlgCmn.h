#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLineEdit;

namespace korvi {

// The common modal dialog: a message with "閉じる", a one-line input with
// "入力", or a list choice with "選択".
class DlgCmn : public QDialog {
    Q_OBJECT
public:
    enum class Kind { kMessage, kInput, kChoice };

    DlgCmn(Kind kind, const QString& title, const QString& text, QWidget* parent = nullptr);

    void SetInitial(const QString& text);
    void SetItems(const QStringList& items, int current);
    QString InputText() const;
    int ChosenIndex() const;

private:
    Kind kind_;
    QLineEdit* input_ = nullptr;
    QComboBox* choice_ = nullptr;
};

}  // namespace korvi
