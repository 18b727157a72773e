#pragma once

// The about box: title, version and part number, picture, product and contact text.

#include <QString>
#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QTextBrowser;
class QUrl;

namespace praxil_usb_encoder {

class about : public QWidget {
    Q_OBJECT
public:
    explicit about(QWidget* parent = nullptr);

    static QString versionNo;
    static QString partNo;

    QLabel* titleLabel;
    QLabel* versionLbl;
    QLabel* partNoCaptionLbl;
    QLabel* partNoLbl;
    QLabel* pictureBox1;
    QTextBrowser* richTextBox1;
    QPushButton* button2;
    QFrame* horizontalRule;

    void about_Load();
    void button2_Click();
    void richTextBox1_LinkClicked(const QUrl& link);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool loaded_ = false;
};

} // namespace praxil_usb_encoder
