// The recording sources offered as a list under the Rec Source button: every source by name,
// the current one checked. Choosing one reports its index; the owner selects it on the mixer.
// GUI thread only.
#pragma once

#include <QMenu>

class QActionGroup;

#include <string>
#include <vector>

namespace sonthra {

class RecordSourceMenu : public QMenu {
    Q_OBJECT
public:
    explicit RecordSourceMenu(QWidget* parent = nullptr);

    // Fills the list (current checked; none when it names no source) and pops it up just below
    // anchor, or at the pointer without one.
    void Offer(const std::vector<std::string>& names, int current, const QWidget* anchor);

signals:
    // A source other than the current one was chosen.
    void SourceChosen(int index);

private:
    QActionGroup* m_group = nullptr;
    int m_current = -1;
};

}  // namespace sonthra
