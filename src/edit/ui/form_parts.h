// Pieces the silence and format windows share: the two-arrow spin button beside an edit, and
// the Ok / Cancel / Help row. Call only from the GUI thread.
#pragma once

#include <QWidget>

class QDialog;
class QBoxLayout;
class QPushButton;
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

struct DialogButtons3 {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* help = nullptr;
};

// Adds the row of buttons named OkButton ("Ok"), CancelButton ("Cancel") and HelpButton (the
// given text) to the end of layout. Ok is the default button. The buttons only click: the
// caller connects them.
DialogButtons3 addDialogButtons(QDialog* dialog, QBoxLayout* layout, const QString& helpText);

}  // namespace sonthra
