#include "about.h"

#include "resources/EchovaneResources.h"
#include "ui/Accessible.h"
#include "ui/WindowKeys.h"
#include "ui/version.h"

#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>

namespace praxil_usb_encoder {

QString about::versionNo;
QString about::partNo;

namespace {

QString AboutText() {
    QFile file(QStringLiteral(":/text/about.html"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

} // namespace

about::about(QWidget* parent) : QWidget(parent, Qt::Window) {
    resources::InitEchovaneResources();
    setWindowTitle(QStringLiteral("About Echovane Configuration Utility"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(470, 330);

    pictureBox1 = new QLabel(this);
    pictureBox1->setGeometry(16, 16, 128, 128);
    pictureBox1->setScaledContents(true);
    pictureBox1->setPixmap(QPixmap(QStringLiteral(":/pictures/about.png")));

    titleLabel = new QLabel(QStringLiteral("USB Echovane Configuration Utility"), this);
    titleLabel->setGeometry(160, 20, 300, 24);
    QFont titleFont = titleLabel->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    titleLabel->setFont(titleFont);

    versionLbl = new QLabel(this);
    versionLbl->setGeometry(160, 54, 300, 20);
    partNoCaptionLbl = new QLabel(QStringLiteral("Part No "), this);
    partNoCaptionLbl->setGeometry(160, 80, 60, 20);
    partNoLbl = new QLabel(this);
    partNoLbl->setGeometry(220, 80, 240, 20);

    horizontalRule = new QFrame(this);
    horizontalRule->setFrameShape(QFrame::HLine);
    horizontalRule->setFrameShadow(QFrame::Sunken);
    horizontalRule->setGeometry(16, 156, 438, 4);

    richTextBox1 = new QTextBrowser(this);
    richTextBox1->setGeometry(16, 168, 438, 110);
    richTextBox1->setOpenLinks(false);
    richTextBox1->setHtml(AboutText());
    connect(richTextBox1, &QTextBrowser::anchorClicked, this, &about::richTextBox1_LinkClicked);

    button2 = new QPushButton(QStringLiteral("Close"), this);
    button2->setGeometry(364, 290, 90, 28);
    connect(button2, &QPushButton::clicked, this, &about::button2_Click);

    ui::NameControl(pictureBox1, QStringLiteral("Echovane keypad"));
    ui::NameControl(richTextBox1, QStringLiteral("Product and contact information"));
    richTextBox1->setStyleSheet(ui::FocusMarkRule(QStringLiteral("QTextBrowser")));
    ui::SetTabChain({richTextBox1, button2});
    // Escape and Enter both close the box, which has nothing else to do.
    new ui::WindowKeys(*this, button2, button2);
    button2->setFocus();
}

void about::showEvent(QShowEvent* event) {
    if (!loaded_) {
        loaded_ = true;
        about_Load();
    }
    QWidget::showEvent(event);
}

void about::about_Load() {
    versionNo = version::GetString(QStringLiteral("Version"));
    versionLbl->setText(QStringLiteral("Version ") + versionNo);
    partNo = version::GetString(QStringLiteral("Part_Number"));
    partNoLbl->setText(partNo);
}

void about::button2_Click() {
    close();
}

void about::richTextBox1_LinkClicked(const QUrl& link) {
    QDesktopServices::openUrl(link);
}

} // namespace praxil_usb_encoder
