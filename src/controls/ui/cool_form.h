// TCoolForm: a window background tiled from the skin's frame images: "center" over the client
// area, "top", "bot", "left" and "right" along the edges and the four corner images in the
// corners. The picture is built whenever the widget is shown, resized or the skin changes. The
// main window puts it behind its controls. Call only from the GUI thread.
#pragma once

#include <QPixmap>
#include <QWidget>

#include "controls/ui/skin_images.h"

namespace sonthra {

class TCoolForm : public QWidget {
    Q_OBJECT
public:
    explicit TCoolForm(QWidget* parent = nullptr);

    // The background as last built, in device pixels of the screen.
    const QPixmap& background() const { return m_background; }
    void rebuildBackground();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPixmap m_background;
    Skin m_builtFor = Skin::Light;
    qreal m_builtRatio = 0;
};

}  // namespace sonthra
