// TLUM32RectBtnEx: a flat button with a picture and a caption, used for the document buttons.
// It fills itself with Color when shown released and DownColor when shown pressed; a caption too
// wide for it is shortened with "..." (OptimalCaption). A toggle button flips on the press and
// takes the flip back when the mouse is released outside it; released, any button shows its Down
// state again. Call only from the GUI thread.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

class QMenu;

namespace sonthra {

// Raised when pictures or the font cannot be made, and when an image cannot be taken over.
inline constexpr const char* kRectButtonCreateError =
    "Error : Could not create necessary controls. Your system might be running at low resources "
    ", please close some programs and try again !";
inline constexpr const char* kRectButtonImageError =
    "Error : Could not assing the requested images. Your system might be running at low resources "
    ", please close some programs and try again !";

class TLUM32RectBtnEx : public QAbstractButton {
    Q_OBJECT
public:
    explicit TLUM32RectBtnEx(QWidget* parent = nullptr);

    QColor Color() const { return m_color; }
    void setColor(const QColor& color);
    QColor DownColor() const { return m_downColor; }
    void setDownColor(const QColor& color);
    QString Caption() const { return text(); }
    void setCaption(const QString& caption);
    int CaptionLeftPos() const { return m_captionLeft; }
    void setCaptionLeftPos(int x);
    int CaptionTopPos() const { return m_captionTop; }
    void setCaptionTopPos(int y);
    bool Down() const { return m_down; }
    void setDown(bool down);
    QPixmap UpImage() const { return m_upImage; }
    void setUpImage(const QPixmap& image);
    QPixmap DownImage() const { return m_downImage; }
    void setDownImage(const QPixmap& image);
    QPixmap DisabledImage() const { return m_disabledImage; }
    void setDisabledImage(const QPixmap& image);
    int ImageLeftPos() const { return m_imageLeft; }
    void setImageLeftPos(int x);
    int BorderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width);
    bool CanChangeState() const { return m_canChangeState; }
    void setCanChangeState(bool can) { m_canChangeState = can; }
    bool ToggleButton() const { return m_toggle; }
    void setToggleButton(bool toggle) { m_toggle = toggle; }
    QColor ButtonUpCaptionColor() const { return m_upCaptionColor; }
    void setButtonUpCaptionColor(const QColor& color);
    QColor ButtonDownCaptionColor() const { return m_downCaptionColor; }
    void setButtonDownCaptionColor(const QColor& color);
    bool DrawBorder() const { return m_drawBorder; }
    void setDrawBorder(bool draw);
    bool OptimalCaption() const { return m_optimalCaption; }
    void setOptimalCaption(bool optimal);
    // Shown on a right click and on the menu key; not owned.
    QMenu* PopupMenu() const { return m_popupMenu; }
    void setPopupMenu(QMenu* menu) { m_popupMenu = menu; }

    // Takes its colours and pictures from the current skin at each paint, so that it follows a
    // change of skin: the pictures `imageName`, `imageName` + "Down" and `imageName` +
    // "Disabled" at the screen's density, and the skin's face, pressed, border and caption
    // colours. An empty name goes back to the button's own properties.
    void setSkinLook(const QString& imageName);
    QString skinLook() const { return m_skinLook; }

    // The caption as painted: shortened with "..." when OptimalCaption and it is too wide.
    QString shownCaption() const;
    // Whether the button is drawn pressed right now.
    bool shownPressed() const { return !m_shownReleased; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // A checkable button reports Down as its checked state (to screen readers too): setChecked
    // sets Down, and click() flips it only on a toggle button.
    void checkStateSet() override;
    void nextCheckState() override;

private:
    void takeImage(QPixmap& slot, const QPixmap& image);
    void press();
    void release(bool inside);
    void storeDown(bool down);

    QColor m_color;
    QColor m_downColor;
    QColor m_upCaptionColor = Qt::white;
    QColor m_downCaptionColor = QColor(0, 0, 255);
    QPixmap m_upImage;
    QPixmap m_downImage;
    QPixmap m_disabledImage;
    int m_captionLeft = 2;
    int m_captionTop = 2;
    int m_imageLeft = 0;
    int m_borderWidth = 2;
    bool m_down = false;
    bool m_canChangeState = true;
    bool m_toggle = false;
    bool m_drawBorder = false;
    bool m_optimalCaption = true;
    bool m_shownReleased = true;
    bool m_pressed = false;
    QMenu* m_popupMenu = nullptr;
    QString m_skinLook;
};

}  // namespace sonthra
