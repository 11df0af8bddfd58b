// TCoolButton: a push or toggle button drawn from skin images. With NewStyleButton (the default)
// it composes its face from the three button pieces of its state and draws its caption or glyph
// on it; without, it shows one of three pictures of its own (UpImage, DownImage, DisImage).
//
// Unlike an ordinary button, a press that is released outside the button still clicks, and a
// toggle button changes on the press. The keyboard clicks it (Space as usual, and Return or
// Enter, which still reach it where the window takes Space for a command of its own), and the
// focus is drawn, so the button is usable without a mouse. Call only from the GUI thread.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace sonthra {

class TCoolButton : public QAbstractButton {
    Q_OBJECT
public:
    enum State { csUp, csDown, csDisabled };

    explicit TCoolButton(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString& caption);
    bool Down() const;
    void setDown(bool down);
    QPixmap Glyph() const { return m_glyph; }
    void setGlyph(const QPixmap& glyph);
    bool IsToggleButton() const { return isCheckable(); }
    void setIsToggleButton(bool toggle);
    State state() const;
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool transparent);
    bool NewStyleButton() const { return m_newStyle; }
    void setNewStyleButton(bool newStyle);
    QPixmap UpImage() const { return m_upImage; }
    void setUpImage(const QPixmap& image);
    QPixmap DownImage() const { return m_downImage; }
    void setDownImage(const QPixmap& image);
    QPixmap DisImage() const { return m_disImage; }
    void setDisImage(const QPixmap& image);
    bool hovered() const { return m_hover; }

    // The face the button shows in a state, composed from the skin at ratio: what it paints with
    // NewStyleButton, and the pictures a caller can give it for the other style.
    QPixmap composeFace(State state, qreal devicePixelRatio) const;

    QSize sizeHint() const override;

signals:
    // The Down state changed by a press (OnChange); clicked() is OnClick.
    void OnChange();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QPixmap m_glyph;
    QPixmap m_upImage;
    QPixmap m_downImage;
    QPixmap m_disImage;
    bool m_transparent = false;
    bool m_newStyle = true;
    bool m_hover = false;
    bool m_captured = false;
};

}  // namespace sonthra
