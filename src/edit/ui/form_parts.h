// Pieces the silence and format windows share: the two-arrow spin button beside an edit, and
// the Ok / Cancel / Help row (dialogs/ui/dialog_buttons.h). Call only from the GUI thread.
#pragma once

#include <QWidget>

#include "dialogs/ui/dialog_buttons.h"

class QToolButton;

namespace sonthra {

// Two stacked arrow buttons that step the number in a neighbouring edit; it holds no value.
class SpinButton : public QWidget {
    Q_OBJECT
public:
    explicit SpinButton(QWidget* parent = nullptr);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    void upClick();
    void downClick();

private:
    QToolButton* m_up;
    QToolButton* m_down;
};

}  // namespace sonthra
