#pragma once

// A drop-down that shows no row (its placeholder) opens its list on the first row without
// highlighting it: Return would take a row the user cannot see, and the first Down seems to skip
// it. This highlights the row the list opens on.

#include <QObject>

class QComboBox;

namespace ui {

class OpenListHighlight final : public QObject {
    Q_OBJECT
public:
    // Owned by the drop-down's list.
    static void Install(QComboBox& comboBox);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit OpenListHighlight(QComboBox& comboBox);
};

} // namespace ui
