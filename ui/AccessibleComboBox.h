#pragma once

// What a screen reader hears for a drop-down list: its name (the accessible name given to it, or
// the label it is the buddy of) and, apart from that, its value (the row shown). Qt's own
// interface names a drop-down by its value on Linux, so two "Yes" pickers sound alike and none
// says what it is for.

#include <QAccessibleWidget>

class QComboBox;

namespace ui {

class AccessibleComboBox final : public QAccessibleWidget {
public:
    explicit AccessibleComboBox(QComboBox* comboBox);

    // Makes every drop-down of the program use this interface; needs the QApplication and is
    // done once, however often it is called.
    static void Install();

    QString text(QAccessible::Text kind) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QComboBox* comboBox() const;
};

} // namespace ui
