#include "app/FormStart.h"

#include "app/TrayPictures.h"
#include "controls/QKCloseButton.h"
#include "controls/QKCommonButton.h"
#include "controls/QKPicture.h"
#include "controls/QKWhiteFrame.h"
#include "controls/Skins.h"
#include "controls/Twips.h"
#include "ui/DragWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

FormStart::FormStart(QWidget* parent)
    : QKForm(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Start"));
    // A notice, not the program: closing it must not end the tray program.
    setAttribute(Qt::WA_QuitOnClose, false);
    Move(0, 0, kWidth, kHeight);

    Picture1 = new QKPicture(QStringLiteral("Picture1"), this);
    const int iconPixels = Twips::ToPixels(kPictureSize);
    Picture1->SetPicture(TrayPictures::Enabled().pixmap(iconPixels, iconPixels));
    Twips::Move(Picture1, kMargin, kPictureTop);

    QKWhiteFrame1 = static_cast<QKWhiteFrame*>(AddControl("QKUIControls.QKWhiteFrame", "QKWhiteFrame1"));
    const double frameWidth = kWidth - kFrameLeft - kMargin;
    QKWhiteFrame1->Move(kFrameLeft, kPictureTop, frameWidth, kFrameHeight);

    Label1 = new QLabel(QString::fromLatin1(kLabelText), QKWhiteFrame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setFont(Skins::TextFont());
    QPalette text = Label1->palette();
    text.setColor(QPalette::WindowText, Skins::TextColor());
    Label1->setPalette(text);
    Twips::SetGeometry(Label1, QRectF(kTextInset, kTextInset, frameWidth - 2 * kTextInset,
                                      kFrameHeight - 2 * kTextInset));

    cmdClose = static_cast<QKCommonButton*>(AddControl("QKUIControls.QKCommonButton", "cmdClose"));
    cmdClose->SetText(QString::fromLatin1(kCloseText));
    cmdClose->Move(kWidth - kMargin - kButtonWidth, kHeight - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
    connect(cmdClose, &QKCommonButton::Click, this, &QWidget::close);

    QKCloseButton1 = static_cast<QKCloseButton*>(AddControl("QKUIControls.QKCloseButton", "QKCloseButton1"));
    // The button keeps its picture's size; read it back to place it.
    QKCloseButton1->Move(0, kCloseButtonInset);
    QKCloseButton1->Move(kWidth - kCloseButtonInset - QKCloseButton1->Width(), kCloseButtonInset);
    connect(QKCloseButton1, &QKCloseButton::Click, this, &QWidget::close);
}

void FormStart::OnLoad()
{
    // Centred on the screen the first time it shows; afterwards where the
    // user dragged it.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        Move(Twips::FromPixels(area.x()) + (Twips::FromPixels(area.width()) - kWidth) / 2,
             Twips::FromPixels(area.y()) + (Twips::FromPixels(area.height()) - kHeight) / 2);
    }
}

void FormStart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Skins::TipGrey());
    p.setPen(Skins::BorderColor());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void FormStart::mousePressEvent(QMouseEvent* event)
{
    // Presses on the controls are theirs; one on the background moves the
    // window, which has no title bar to grab.
    if (event->button() == Qt::LeftButton)
        DragWindow(this, event->globalPosition());
    QKForm::mousePressEvent(event);
}
