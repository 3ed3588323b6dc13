// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPushButton>

// A push button that shows a colour and lets the user change it: a click
// drops down the popup of the shared palette. Colours are 0x00BBGGRR. The
// host enables and disables it like any control; disabled, it is greyed and
// shows no colour.
class CSwatchButton : public QPushButton {
    Q_OBJECT
public:
    explicit CSwatchButton(QWidget* pParent = nullptr);

    int Color() const { return m_crColor; }
    void SetColor(int cr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The colour changed, through SetColor or the popup.
    void ColorChanged(int cr);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;

private:
    void OnClicked();

    int m_crColor = 0xFFFFFF;
    // Made once, as the button is: the drawing uses no other colours.
    const QColor m_penBlack{Qt::black};
    const QColor m_penWhite{Qt::white};
    const QColor m_penGrey{128, 128, 128};
    const QColor m_brFace;
};
