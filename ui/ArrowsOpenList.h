#pragma once

// A drop-down whose pick takes effect at once (and may hide it) must not pick on every arrow:
// on a closed drop-down Qt takes Up, Down, Page Up, Page Down, Home and End as picks. Here they
// open the list instead, to be browsed and taken with Return, as Alt+Down opens it.

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
