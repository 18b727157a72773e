#include "ArrowsOpenList.h"

#include <QComboBox>
#include <QKeyEvent>

namespace ui {

void ArrowsOpenList::Install(QComboBox& comboBox) {
    new ArrowsOpenList(comboBox);
}

ArrowsOpenList::ArrowsOpenList(QComboBox& comboBox) : QObject(&comboBox) {
    comboBox.installEventFilter(this);
}

bool ArrowsOpenList::eventFilter(QObject* watched, QEvent* event) {
    auto* comboBox = qobject_cast<QComboBox*>(watched);
    if (comboBox == nullptr || event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    // With a modifier (Alt+Down and the like) Qt's own handling stands.
    if (key->modifiers() & ~Qt::KeypadModifier) {
        return false;
    }
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        comboBox->showPopup();
        return true;
    default:
        return false;
    }
}

} // namespace ui
