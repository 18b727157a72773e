#include "CustomMessageBox.h"

#include "ui/Dialogs.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace Velt_test {

QString CustomMessageBox::Button_ID_ = QStringLiteral("Cancel");

namespace {
constexpr int kButtonWidth = 70;
constexpr int kButtonHeight = 22;
constexpr int kButtonRow = 87;
} // namespace

CustomMessageBox::CustomMessageBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint) {
    setWindowTitle(QStringLiteral(" Velt Message "));
    setFixedSize(420, 160);
    setModal(true);

    warningLabel_ =
        new QLabel(QStringLiteral("This may take awhile, do you wish to continue?"), this);
    warningLabel_->setGeometry(5, 5, 400, 78);
    warningLabel_->setWordWrap(true);

    yesButton_ = new QPushButton(QStringLiteral("Yes"), this);
    yesButton_->setGeometry(10, kButtonRow, kButtonWidth, kButtonHeight);
    noButton_ = new QPushButton(QStringLiteral("No"), this);
    noButton_->setGeometry(180, kButtonRow, kButtonWidth, kButtonHeight);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setGeometry(320, kButtonRow, kButtonWidth, kButtonHeight);
    yesButton_->setDefault(true);

    connect(yesButton_, &QPushButton::clicked, this, &CustomMessageBox::yesButton__Click);
    connect(noButton_, &QPushButton::clicked, this, &CustomMessageBox::noButton__Click);
    connect(cancelButton_, &QPushButton::clicked, this, &CustomMessageBox::cancelButton__Click);
}

QString CustomMessageBox::ShowBox(const QString& text, int mode) {
    const ui::Buttons buttons = mode == kModeOk      ? ui::Buttons::Ok
                                : mode == kModeYesNo ? ui::Buttons::YesNo
                                                     : ui::Buttons::YesNoCancel;
    // A test's recorder answers in place of the user.
    if (const auto answer = ui::CurrentDialogs().AnswerOwnBox(
            QApplication::activeWindow(),
            {text, QStringLiteral(" Velt Message "), buttons, ui::Icon::None})) {
        Button_ID_ = *answer == ui::Answer::Yes  ? QStringLiteral("Yes")
                     : *answer == ui::Answer::No ? QStringLiteral("No")
                                                 : QStringLiteral("Cancel");
        return Button_ID_;
    }
    // Owned by the active window so the box stays out of the task bar and above it.
    CustomMessageBox box(QApplication::activeWindow());
    if (mode == kModeYesNo) {
        box.cancelButton_->hide();
    } else if (mode == kModeOk) {
        box.cancelButton_->setText(QStringLiteral("OK"));
        box.yesButton_->hide();
        box.noButton_->hide();
        box.cancelButton_->setDefault(true);
    }
    box.warningLabel_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    box.warningLabel_->setText(text);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        box.move(screen->availableGeometry().center() - box.rect().center());
    }
    box.exec();
    return Button_ID_;
}

void CustomMessageBox::yesButton__Click() {
    Button_ID_ = QStringLiteral("Yes");
    accept();
}

void CustomMessageBox::noButton__Click() {
    Button_ID_ = QStringLiteral("No");
    reject();
}

void CustomMessageBox::cancelButton__Click() {
    Button_ID_ = QStringLiteral("Cancel");
    reject();
}

void CustomMessageBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (cancelButton_->isVisible()) {
            cancelButton_->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace Velt_test
