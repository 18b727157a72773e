#pragma once

// A modal box with Yes, No and Cancel (or only OK) that tells which button was pressed.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace Velt_test {

class CustomMessageBox : public QDialog {
    Q_OBJECT
public:
    // ShowBox modes.
    static constexpr int kModeOk = 1;
    static constexpr int kModeYesNo = 2;

    explicit CustomMessageBox(QWidget* parent = nullptr);

    // Shows text modally and returns "Yes", "No" or "Cancel". Mode 1 shows one "OK" button
    // (which answers "Cancel"), mode 2 Yes and No, any other mode all three. A box closed
    // through its title bar answers what the previous box stored.
    static QString ShowBox(const QString& text, int mode);

    // The last button pressed in any box; "Cancel" until one is.
    static QString Button_ID_;

    QLabel* warningLabel_;
    QPushButton* yesButton_;
    QPushButton* noButton_;
    QPushButton* cancelButton_;

    void yesButton__Click();
    void noButton__Click();
    void cancelButton__Click();

protected:
    // Escape presses the cancel button, as the box's cancel button; the title bar's close
    // control only closes.
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace Velt_test
