#include "ArrowsOpenList.h"

#include <QAbstractItemView>
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
    if (comboBox == nullptr || comboBox->view()->isVisible()) {
        return false;
    }
    // The wheel over a closed drop-down picks too; the list opens with a click instead.
    if (event->type() == QEvent::Wheel) {
        return true;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        // With any modifier: Qt picks on Shift+Down and the like as well.
        comboBox->showPopup();
        return true;
    default:
        break;
    }
    // A letter looks the row up in the open list, to be taken with Return.
    const QString text = key->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace() &&
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0) {
        comboBox->showPopup();
        comboBox->view()->keyboardSearch(text);
        return true;
    }
    return false;
}

} // namespace ui
