#include "controls/gallery/GalleryWindow.h"

#include "controls/ControlRegistry.h"
#include "controls/QKCheck.h"
#include "controls/QKCombo.h"
#include "controls/QKCommonButton.h"
#include "controls/QKContentEditWin.h"
#include "controls/QKContentTip.h"
#include "controls/QKDelButton.h"
#include "controls/QKPicture.h"
#include "controls/QKPictureButton.h"
#include "controls/QKRatio.h"
#include "controls/QKSnippetTip.h"
#include "controls/QKTab.h"
#include "controls/QKTextBox.h"
#include "controls/QKVScroll.h"
#include "controls/Skins.h"
#include "controls/Twips.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace {
// Window size in twips (900 x 580 pixels).
constexpr double kWindowWidth = 13500;
constexpr double kWindowHeight = 8700;
const QColor kWindowBack(0xF7, 0xF8, 0xFA);
const QColor kCaptionColor(0x80, 0x85, 0x8B);
constexpr int kCaptionPixels = 11;
constexpr int kHeadingPixels = 13;
}

GalleryWindow::GalleryWindow(QWidget* parent) : QKForm(parent)
{
    setWindowTitle("QKUIControls gallery");
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kWindowBack);
    setPalette(pal);
    Move(0, 0, kWindowWidth, kWindowHeight);
    setFixedSize(size());

    Caption("QKUIControls: every control, every look", this, 300, 150, true);

    // Left column: the tab strip in its three looks, then the grey page frame
    // with the bar-shaped controls.
    Caption("QKTab: tab 1, 2, 3 selected", this, 300, 600, true);
    for (int tab = 1; tab <= 3; ++tab) {
        auto* strip = static_cast<QKTab*>(Place("QKTab", "QKTab" + QString::number(tab), this, 300, 540 + tab * 420));
        strip->SwitchTab(qint16(tab));
        connect(strip, &QKTab::TabClick, this, [this](qint16& n) { Report(QString("TabClick(%1)").arg(n)); });
    }

    Caption("QKGrayFrame", this, 300, 2430, true);
    auto* gray = Place("QKGrayFrame", "QKGrayFrame1", this, 300, 2730, 7100, 5100);

    Caption("QKCommonButton", gray, 300, 240);
    auto* save = static_cast<QKCommonButton*>(Place("QKCommonButton", "cmdSave", gray, 300, 480, 1200));
    save->SetText("Save");
    auto* cancel = static_cast<QKCommonButton*>(Place("QKCommonButton", "cmdCancel", gray, 1650, 480, 1200));
    cancel->SetText("Cancel");
    for (auto* b : {save, cancel})
        connect(b, &QKCommonButton::Click, this, [this, b] { Report(b->Text() + ": Click"); });

    Caption("QKSnippetEditWin", gray, 3600, 240);
    auto* abbr = static_cast<QKTextBox*>(Place("QKSnippetEditWin", "txtAbbr", gray, 3600, 480, 1500));
    abbr->SetText("brb");
    Caption("QKText", gray, 300, 960);
    auto* text = static_cast<QKTextBox*>(Place("QKText", "txtName", gray, 300, 1200, 3000));
    text->SetText("Plain text field");
    Caption("QKFilter", gray, 3600, 960);
    auto* filter = static_cast<QKTextBox*>(Place("QKFilter", "txtSearch", gray, 3600, 1170, 3000));
    filter->SetText("sig");
    for (auto* box : {text, filter, abbr})
        connect(box, &QKTextBox::KeyPress, this,
                [this, box](qint16& k) { Report(box->Name() + QString(": KeyPress(%1)").arg(k)); });

    Caption("QKSnippetTip: short, cut at 1500", gray, 300, 1680);
    auto* tip1 = static_cast<QKSnippetTip*>(Place("QKSnippetTip", "tipShort", gray, 300, 1920));
    tip1->SetText("sig");
    auto* tip2 = static_cast<QKSnippetTip*>(Place("QKSnippetTip", "tipLong", gray, 1200, 1920));
    tip2->SetText("a-very-long-abbreviation");
    Caption("QKContentTip", gray, 3600, 1680);
    auto* ctip = static_cast<QKContentTip*>(Place("QKContentTip", "tipContent", gray, 3600, 1920, 3000));
    ctip->SetText("Best regards, and thank you for your message of today");

    Caption("QKCombo, menu open", gray, 300, 2400);
    combo = static_cast<QKCombo*>(Place("QKCombo", "cmbSound", gray, 300, 2640, 1800));
    combo->SetText("chime");
    for (const char* item : {"chime", "click", "pop", "typewriter"})
        combo->AddItem(item);
    connect(combo, &QKCombo::Click, this, [this] { Report("QKCombo: Click, Text = " + combo->Text()); });

    Caption("QKContentEditWin", gray, 3600, 2400);
    auto* content = static_cast<QKContentEditWin*>(Place("QKContentEditWin", "txtContent", gray, 3600, 2640, 3000, 2100));
    content->SetText("Best regards,\nThe Quillo team\n\nSent on [date m/d/yy]");

    // Right column: the white frame with the controls that sit on white.
    Caption("QKWhiteFrame", this, 7800, 600, true);
    auto* white = Place("QKWhiteFrame", "QKWhiteFrame1", this, 7800, 900, 4200, 4800);
    // Columns of looks, each caption centred over its column.
    constexpr double kFirstColumn = 2100;
    constexpr double kColumnStep = 630;
    constexpr double kColumnWidth = 450;
    const char* lookNames[] = {"normal", "pressed", "disabled"};
    for (int look = 0; look < 3; ++look) {
        QLabel* heading = Caption(lookNames[look], white, 0, 200);
        Twips::SetLeft(heading, kFirstColumn + look * kColumnStep + (kColumnWidth - Twips::Geometry(heading).width()) / 2);
    }
    const char* pictureButtons[] = {"QKAddButton", "QKFunctionButton", "QKEditButton", "QKDelButton", "QKCloseButton"};
    double y = 500;
    for (const char* control : pictureButtons) {
        const QString name = QString::fromLatin1(control);
        Caption(name, white, 300, y + 45);
        const int looks = name == "QKDelButton" ? 3 : 2;
        double rowHeight = 0;
        for (int look = 0; look < looks; ++look) {
            auto* button = static_cast<QKPictureButton*>(Place(name, name + QString::number(look), white, 0, 0));
            // Centre each look in its column.
            button->Move(kFirstColumn + look * kColumnStep + (kColumnWidth - button->Width()) / 2, y);
            connect(button, &QKPictureButton::Click, this, [this, name] { Report(name + ": Click"); });
            if (look == 1)
                pressedShowcase << button;
            if (look == 2)
                static_cast<QKDelButton*>(button)->SetEnable(false);
            rowHeight = qMax(rowHeight, button->Height());
        }
        y += rowHeight + 150;
    }

    Caption("QKCheck: clear, ticked", white, 300, y + 120);
    auto* check0 = static_cast<QKCheck*>(Place("QKCheck", "chkSound", white, 300, y + 420, 3600));
    check0->SetCaption("Play a sound");
    auto* check1 = static_cast<QKCheck*>(Place("QKCheck", "chkStart", white, 300, y + 720, 3600));
    check1->SetCaption("Start with the session");
    check1->SetValue(1);
    for (auto* c : {check0, check1})
        connect(c, &QKCheck::Click, this,
                [this, c] { Report(c->Caption() + QString(": Click, Value = %1").arg(c->Value())); });

    Caption("QKRatio: clear, selected", white, 300, y + 1140);
    auto* ratio0 = static_cast<QKRatio*>(Place("QKRatio", "optHotKey", white, 300, y + 1440, 3600));
    ratio0->SetCaption("Expand with a hot key");
    auto* ratio1 = static_cast<QKRatio*>(Place("QKRatio", "optAuto", white, 300, y + 1740, 3600));
    ratio1->SetCaption("Expand automatically");
    ratio1->SetValue(true);
    for (auto* r : {ratio0, ratio1})
        connect(r, &QKRatio::Click, this, [this, r, ratio0, ratio1] {
            (r == ratio0 ? ratio1 : ratio0)->SetValue(false);
            Report(r->Caption() + ": Click");
        });

    Caption("QKVScroll", this, 12300, 600, true);
    auto* scroll = static_cast<QKVScroll*>(Place("QKVScroll", "oVScroll", this, 12600, 900, 0, 7500));
    scroll->SetMin(1);
    scroll->SetMax(100);
    scroll->ScrollTo(20);
    connect(scroll, &QKVScroll::Scroll, this, [this](qint32& v) { Report(QString("QKVScroll: Scroll(%1)").arg(v)); });

    status = Caption("Click, type and drag: the last event shows here.", this, 7800, 6000);
    status->setWordWrap(true);
    Twips::Resize(status, 4200, 900);
}

QKUserControl* GalleryWindow::Place(const QString& control, const QString& name, QWidget* on, double left,
                                    double top, double width, double height)
{
    QKUserControl* made = AddControl(ControlRegistry::kLibraryPrefix + control, name, on);
    made->Move(left, top, width > 0 ? width : made->Width(), height > 0 ? height : made->Height());
    made->show();
    return made;
}

QLabel* GalleryWindow::Caption(const QString& text, QWidget* on, double left, double top, bool heading)
{
    auto* label = new QLabel(text, on);
    QFont font = Skins::TextFont();
    font.setPixelSize(heading ? kHeadingPixels : kCaptionPixels);
    font.setBold(heading);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, heading ? Skins::TextColor() : kCaptionColor);
    label->setPalette(pal);
    label->adjustSize();
    Twips::Move(label, left, top);
    label->show();
    return label;
}

void GalleryWindow::Report(const QString& event)
{
    status->setText("Last event: " + event);
}

void GalleryWindow::PressShowcaseButtons()
{
    // Nothing keeps the focus, so no caret shows in the picture.
    setFocus();
    for (QKUserControl* control : pressedShowcase) {
        QWidget* piece = static_cast<QKPictureButton*>(control)->PicturePiece();
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), piece->mapToGlobal(QPointF(1, 1)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(piece, &press);
    }
}

QImage GalleryWindow::Shot()
{
    QImage image = grab().toImage();
    QMenu* menu = combo->PopupMenu();
    combo->OpenMenu();
    const QPixmap open = menu->grab();
    menu->hide();
    QPainter p(&image);
    const QPoint at = combo->mapTo(this, QPoint(0, combo->height() + 1));
    p.drawPixmap(at, open);
    return image;
}
