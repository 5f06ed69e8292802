#pragma once

#include <QWidget>

class QLabel;

namespace dustrel {

// The start picture shown while start-up runs: a frameless window exactly the size of its picture,
// centred on the screen. Start-up shows it, keeps it on top unless asked not to, and closes it.
class Splash : public QWidget
{
    Q_OBJECT
public:
    // The picture's size in twips: 435 x 250 pixels at 96 DPI.
    static constexpr double kPictureWidthTwips = 6525;
    static constexpr double kPictureHeightTwips = 3750;

    explicit Splash(QWidget* parent = nullptr);

    void Form_Load();

    // Keeps the window above ordinary windows or lets them cover it. Meant to be called before show();
    // a shown window is shown again with the new stacking.
    void setTopmost(bool topmost);
    bool isTopmost() const;

    QLabel* Image1() const { return m_image1; }

private:
    QLabel* m_image1 = nullptr;
};

} // namespace dustrel
