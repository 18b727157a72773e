#pragma once

// A drop-down whose pick takes effect at once (and may hide it) must not pick on every key: on a
// closed drop-down Qt takes the arrows, Page Up, Page Down, Home, End (with or without a
// modifier), a typed letter and the mouse wheel as picks. Here the keys open the list instead,
// a letter looking its row up there, to be taken with Return; the wheel does nothing.

#include <QObject>

class QComboBox;

namespace ui {

class ArrowsOpenList final : public QObject {
    Q_OBJECT
public:
    // Owned by the drop-down.
    static void Install(QComboBox& comboBox);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ArrowsOpenList(QComboBox& comboBox);
};

} // namespace ui
