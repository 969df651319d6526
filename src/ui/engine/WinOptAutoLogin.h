#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace korvi {

struct AutoLoginResult;
struct GuiContext;

// Options panel "自動ログイン": the ".ini" files of "auto_login" with new,
// copy, rename and delete beside an editor of the selected file's text.
// The shipped sample is shown read-only.
class WinOptAutoLogin : public QWidget {
    Q_OBJECT
public:
    explicit WinOptAutoLogin(GuiContext& gui, QWidget* parent = nullptr);

    // The file in the editor, "" when none.
    QString Selected() const { return loaded_; }
    bool SelectFile(const QString& name);

    void NewFile();
    void CopyFile();
    void RenameFile();
    void DeleteFile();
    // Writes the editor's text into the selected file.
    bool SaveFile();

private:
    // Asks about unsaved edits; false when the user cancels.
    bool ConfirmLeave();
    void OnCurrentChanged(const QString& name);
    void Refresh(const QString& select);
    void Show(const QString& name);
    void Report(const AutoLoginResult& r);

    GuiContext& gui_;
    QListWidget* list_;
    QPlainTextEdit* editor_;
    QPushButton* save_;
    QLabel* note_;
    QString loaded_;
};

}  // namespace korvi
