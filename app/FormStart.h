#pragma once

#include "controls/QKForm.h"

class QKCloseButton;
class QKCommonButton;
class QKPicture;
class QKWhiteFrame;
class QLabel;

// The notice shown on the first start: the program has no window of its own,
// so it tells the user where to find it. It stays above other windows until
// closed, and is moved by dragging its background. Closing it leaves the
// program running.
class FormStart : public QKForm
{
    Q_OBJECT
public:
    static constexpr const char* kLabelText =
        "Thank you for using Quillo. You can access it by clicking on its system tray icon. ";
    static constexpr const char* kCloseText = "Close this window";

    // Twips.
    static constexpr double kWidth = 5400;
    static constexpr double kHeight = 2250;
    static constexpr double kMargin = 240;
    static constexpr double kPictureTop = 300;
    static constexpr double kPictureSize = 480;
    static constexpr double kFrameLeft = 900;
    static constexpr double kFrameHeight = 1200;
    static constexpr double kTextInset = 120;
    static constexpr double kCloseButtonInset = 120;
    static constexpr double kButtonWidth = 1800;
    static constexpr double kButtonHeight = 270;

    explicit FormStart(QWidget* parent = nullptr);

    QKPicture* Picture1;
    QKWhiteFrame* QKWhiteFrame1;
    QLabel* Label1;
    QKCommonButton* cmdClose;
    QKCloseButton* QKCloseButton1;

protected:
    void OnLoad() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};
