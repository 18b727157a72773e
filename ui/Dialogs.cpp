#include "Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QScopeGuard>

namespace ui {
namespace {

QtDialogProvider& QtProvider() {
    static QtDialogProvider provider;
    return provider;
}

DialogProvider* installed = nullptr;

QMessageBox::Icon ToQt(Icon icon) {
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Error:
        return QMessageBox::Critical;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(Buttons buttons) {
    switch (buttons) {
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

Answer QtDialogProvider::ShowMessage(QWidget* parent, const MessageRequest& request) {
    QMessageBox box(ToQt(request.icon), request.caption, request.text, ToQt(request.buttons),
                    parent);
    if (request.noByDefault && box.button(QMessageBox::No) != nullptr) {
        box.setDefaultButton(QMessageBox::No);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        break;
    }
    // Closing a Yes/No box by its title bar counts as No; any other box as its OK.
    return request.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

std::optional<QString> QtDialogProvider::AskPath(QWidget* parent, const FileRequest& request) {
    // A name typed with the completer's list still open leaves no window active once the
    // dialog is gone: the keyboard would reach nothing. The window and control the dialog was
    // asked from get the focus back.
    const QPointer<QWidget> focus = QApplication::focusWidget();
    const QPointer<QWidget> window = parent != nullptr ? parent->window() : nullptr;
    const auto giveFocusBack = qScopeGuard([&focus, &window] {
        if (window) {
            window->activateWindow();
        }
        if (focus) {
            focus->setFocus(Qt::OtherFocusReason);
        }
    });
    QString path;
    switch (request.kind) {
    case FileRequest::Kind::OpenFile:
        path = QFileDialog::getOpenFileName(parent, request.caption, request.directory,
                                            request.filter);
        break;
    case FileRequest::Kind::SaveFile:
        path = QFileDialog::getSaveFileName(parent, request.caption, request.directory,
                                            request.filter);
        break;
    case FileRequest::Kind::Folder:
        path = QFileDialog::getExistingDirectory(parent, request.caption, request.directory);
        break;
    }
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
}

DialogProvider& CurrentDialogs() {
    return installed != nullptr ? *installed : QtProvider();
}

void InstallDialogs(DialogProvider* provider) {
    installed = provider;
}

Answer ShowMessage(QWidget* parent, const MessageRequest& request) {
    return CurrentDialogs().ShowMessage(parent, request);
}

void ShowWarning(QWidget* parent, const QString& text) {
    ShowMessage(parent, {text, kCaption, Buttons::Ok, Icon::Warning});
}

Answer AskBeforeIrreversible(QWidget* parent, const QString& text, const QString& caption) {
    return ShowMessage(parent, {text, caption, Buttons::YesNo, Icon::Question, true});
}

std::optional<QString> AskPath(QWidget* parent, const FileRequest& request) {
    return CurrentDialogs().AskPath(parent, request);
}

DialogRecorder::DialogRecorder() : previous_(installed) {
    InstallDialogs(this);
}

DialogRecorder::~DialogRecorder() {
    InstallDialogs(previous_);
}

Answer DialogRecorder::ShowMessage(QWidget*, const MessageRequest& request) {
    messages.push_back(request);
    if (onMessage) {
        onMessage(request);
    }
    if (!answers.empty()) {
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return request.buttons == Buttons::YesNo || request.buttons == Buttons::YesNoCancel
               ? Answer::Yes
               : Answer::Ok;
}

std::optional<Answer> DialogRecorder::AnswerOwnBox(QWidget* parent, const MessageRequest& request) {
    return ShowMessage(parent, request);
}

std::optional<QString> DialogRecorder::AskPath(QWidget*, const FileRequest& request) {
    fileRequests.push_back(request);
    if (paths.empty()) {
        return std::nullopt;
    }
    auto path = paths.front();
    paths.pop_front();
    return path;
}

QStringList DialogRecorder::texts() const {
    QStringList result;
    for (const auto& message : messages) {
        result << message.text;
    }
    return result;
}

} // namespace ui
