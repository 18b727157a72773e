#pragma once

// What a screen reader hears for a drop-down list: its name (the accessible name given to it, or
// the label it is the buddy of) and, apart from that, its value (the row shown), as its value and
// as its read-only text. Qt's own interface names a drop-down by its value on Linux, so two "Yes"
// pickers sound alike and none says what it is for.

#include <QAccessibleWidget>

class QComboBox;

namespace ui {

class AccessibleComboBox final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit AccessibleComboBox(QComboBox* comboBox);

    // Makes every drop-down of the program use this interface; needs the QApplication and is
    // done once, however often it is called.
    static void Install();

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    // The text shown, read-only: no caret, no selection.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    QComboBox* comboBox() const;
    bool ListShown() const;
    QString Shown() const;
};

} // namespace ui
