#pragma once

// The one way the program shows a message box or a file/folder dialog. Tests install a
// DialogRecorder that answers them and keeps what was shown.

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace ui {

inline const QString kCaption = QStringLiteral("Vexor Echovane");

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Warning, Question, Error };
enum class Answer { Ok, Cancel, Yes, No };

struct MessageRequest {
    QString text;
    QString caption;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Warning;
    // Before a step that cannot be undone: Enter, or a Return meant for another window,
    // answers No.
    bool noByDefault = false;
};

struct FileRequest {
    enum class Kind { OpenFile, SaveFile, Folder };
    Kind kind = Kind::OpenFile;
    QString caption;
    QString directory;
    QString filter; // Qt filter text, "INI files (*.ini)"
};

class DialogProvider {
public:
    virtual ~DialogProvider() = default;
    virtual Answer ShowMessage(QWidget* parent, const MessageRequest& request) = 0;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<QString> AskPath(QWidget* parent, const FileRequest& request) = 0;
    // Boxes the program draws itself (Velt_test::CustomMessageBox): the answer, or nothing to
    // show the real box.
    virtual std::optional<Answer> AnswerOwnBox(QWidget* parent, const MessageRequest& request) {
        (void)parent;
        (void)request;
        return std::nullopt;
    }
};

// Real message boxes and file dialogs.
class QtDialogProvider final : public DialogProvider {
public:
    Answer ShowMessage(QWidget* parent, const MessageRequest& request) override;
    std::optional<QString> AskPath(QWidget* parent, const FileRequest& request) override;
};

// The provider in use (the Qt one unless a test installed another).
DialogProvider& CurrentDialogs();
void InstallDialogs(DialogProvider* provider);

Answer ShowMessage(QWidget* parent, const MessageRequest& request);
// The usual failure box: caption "Vexor Echovane", one OK button, the warning icon.
void ShowWarning(QWidget* parent, const QString& text);
// A Yes/No question with the question icon before a step that cannot be undone: No is the
// default button.
Answer AskBeforeIrreversible(QWidget* parent, const QString& text, const QString& caption);
std::optional<QString> AskPath(QWidget* parent, const FileRequest& request);

// Answers every box and dialog without showing anything, keeping what was asked.
class DialogRecorder final : public DialogProvider {
public:
    DialogRecorder();
    ~DialogRecorder() override;
    DialogRecorder(const DialogRecorder&) = delete;
    DialogRecorder& operator=(const DialogRecorder&) = delete;

    Answer ShowMessage(QWidget* parent, const MessageRequest& request) override;
    std::optional<QString> AskPath(QWidget* parent, const FileRequest& request) override;
    // Recorded and answered like any other box.
    std::optional<Answer> AnswerOwnBox(QWidget* parent, const MessageRequest& request) override;

    // Answers used in order; when they run out a box gets Ok (or Yes for a Yes/No question).
    std::deque<Answer> answers;
    // Paths given in order; when they run out the dialog is cancelled.
    std::deque<std::optional<QString>> paths;

    std::vector<MessageRequest> messages;
    std::vector<FileRequest> fileRequests;

    QStringList texts() const;
    // Runs whenever a box is shown, before it is answered (for checks made mid-sequence).
    std::function<void(const MessageRequest&)> onMessage;

private:
    DialogProvider* previous_;
};

} // namespace ui
