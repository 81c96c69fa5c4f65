#include "app/FormMsg.h"

#include "app/ExpansionEngine.h"
#include "app/FormMain.h"
#include "app/SnippetTip.h"
#include "controls/ControlArray.h"
#include "controls/Twips.h"
#include "platform/ListOverlay.h"

#include <QPalette>
#include <algorithm>

namespace {

constexpr QRgb kBackground = qRgb(224, 224, 224);
// The first design height: one row.
constexpr double kInitialHeight = SnippetTip::kHeight + FormMsg::kRowMargins;

double ToTwips(int pixels)
{
    return Twips::FromPixels(pixels);
}

} // namespace

FormMsg::FormMsg(QWidget* parent)
    : QKForm(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                         Qt::X11BypassWindowManagerHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    // The list is never the active window, yet its rows' hover texts must
    // show.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Quillo"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(kBackground));
    setPalette(palette);
    setAutoFillBackground(true);
    Move(kParkedTwips, kParkedTwips, kClientWidth, kInitialHeight);

    auto* pattern = new SnippetTip(this);
    pattern->SetName(QStringLiteral("oSnippetTip"));
    pattern->Move(kRowLeft, kRowTop, SnippetTip::kWidth, SnippetTip::kHeight);
    pattern->hide();
    rows = std::make_unique<ControlArray<SnippetTip>>(
        pattern, [](SnippetTip& element0) { return new SnippetTip(element0.parentWidget()); });
}

FormMsg::~FormMsg()
{
    if (overlay)
        overlay->Hide();
}

void FormMsg::SetOverlay(ListOverlay* listOverlay)
{
    overlay = listOverlay;
    // Shown (so that it is laid out and drawn as on screen), yet never put
    // on screen, where the compositor would make it a window with the keyboard.
    setAttribute(Qt::WA_DontShowOnScreen, overlay != nullptr);
}

void FormMsg::Park()
{
    Move(kParkedTwips, kParkedTwips);
    shownOver = 0;
    if (overlay)
        overlay->Hide();
}

void FormMsg::Present()
{
    if (!overlay) {
        // A window brought forward since the list last showed may cover it.
        raise();
        return;
    }
    // The list as it would look on screen, at its place there.
    const QImage picture = grab().toImage();
    if (!overlay->Show(picture, geometry().topLeft()) && !overlayFailureTold) {
        overlayFailureTold = true;
        qWarning("quillo: the suggestion list cannot be shown on this desktop");
    }
}

double FormMsg::HeightFor(qsizetype rows)
{
    return double(rows) * SnippetTip::kHeight + kRowMargins;
}

int FormMsg::RowsFitting(double twips)
{
    return std::max(0, int((twips - kRowMargins) / SnippetTip::kHeight));
}

bool FormMsg::IsParked() const
{
    return pos() == QPoint(Twips::ToPixels(kParkedTwips), Twips::ToPixels(kParkedTwips));
}

SnippetTip* FormMsg::oSnippetTip(int index) const
{
    return rows->Item(index);
}

int FormMsg::SetSnippets(const SnippetCollection& snippetsCol)
{
    for (int i = 1; i <= rowCount; ++i)
        rows->Unload(i);
    rowCount = int(snippetsCol.size());
    for (int i = 1; i <= rowCount; ++i) {
        SnippetTip* row = rows->Load(i);
        row->Move(kRowLeft, (i - 1) * SnippetTip::kHeight + kRowTop);
        row->SetSnippet(*snippetsCol.at(i - 1));
        SetHeight(i * SnippetTip::kHeight + kRowMargins);
        row->SetVisible(true);
    }
    return 0;
}

void FormMsg::Withdraw(FormMain& main)
{
    if (!IsParked())
        Park();
    main.engine->listedText.clear();
}

void FormMsg::Timer1Tick(FormMain& main)
{
    ExpansionEngine& engine = *main.engine;
    const Desktop& desktop = main.Services().desktop;

    // A list left on screen while expansion is off, or over Quillo's own
    // settings window, would offer what cannot be expanded there.
    if (!main.optMgr.EnableQK()) {
        Withdraw(main);
        return;
    }
    const Desktop::WindowId foreground = desktop.ForegroundWindow();
    if (main.settingsLoaded && main.formSetting && foreground == Desktop::WindowId(main.formSetting->winId())) {
        Withdraw(main);
        return;
    }
    // Nobody in front to type into: try again on the next tick.
    if (foreground == 0)
        return;
    // Another window came to the front by itself (no key was typed): the
    // list must not stay over the old one. What it listed stays listed, so
    // it comes back only when the typing goes on.
    if (shownOver != 0 && foreground != shownOver) {
        Park();
        return;
    }
    if (engine.typedText.isEmpty()) {
        Park();
        main.ToggleTimer(false);
        return;
    }
    if (engine.typedText == engine.listedText)
        return;
    // The focus went into a password field after the word began.
    if (desktop.SecureInputActive()) {
        engine.Reset();
        return;
    }

    SnippetCollection col = main.snippetMgr.GetMatchedCol(engine.typedText);
    engine.listedText = engine.typedText;
    if (col.isEmpty()) {
        Park();
        main.ToggleTimer(false);
        return;
    }
    // Rows past the screen's height could never be seen, and thousands of
    // them (one letter typed over a large store) would stall the typing.
    const QSize screen = desktop.ScreenSize();
    const int fitting = std::max(1, int((ToTwips(screen.height()) - kRowMargins) / SnippetTip::kHeight));
    if (col.size() > fitting)
        col = col.mid(0, fitting);

    if (const std::optional<QRect> caret = desktop.CaretRect()) {
        ShowBesideCaret(*caret, screen, col);
        shownOver = foreground;
    } else if (IsFirefoxWindow(desktop, foreground)) {
        SetSnippets(col);
        Move((ToTwips(screen.width()) - Width()) / 2, kNoCaretTop);
        Present();
        shownOver = foreground;
    } else {
        // Nowhere to show it; rows listed for an earlier text must not stay
        // on screen as if they matched this one.
        if (!IsParked())
            Park();
    }
}

void FormMsg::ShowBesideCaret(const QRect& caretPixels, const QSize& screenPixels, const SnippetCollection& col)
{
    // The caret as a rectangle whose right and bottom lie just outside it.
    const double caretLeft = ToTwips(caretPixels.x());
    const double caretTop = ToTwips(caretPixels.y());
    const double caretRight = ToTwips(caretPixels.x() + caretPixels.width());
    const double caretBottom = ToTwips(caretPixels.y() + caretPixels.height());
    const double screenWidth = ToTwips(screenPixels.width());
    const double screenHeight = ToTwips(screenPixels.height());

    // Below the caret when the list fits there, else above it; when it fits
    // on neither side whole, as many rows as fit on the side with more room.
    SnippetCollection shown = col;
    bool above = screenHeight < caretBottom + HeightFor(col.size());
    if (above && caretTop - HeightFor(col.size()) < 0) {
        const int belowRows = RowsFitting(screenHeight - caretBottom);
        const int aboveRows = RowsFitting(caretTop);
        above = aboveRows > belowRows;
        shown = col.mid(0, std::max(1, above ? aboveRows : belowRows));
    }
    // Filled before it moves, so the list never shows on screen with the
    // size it had for the rows before.
    SetSnippets(shown);
    // Right of the caret when it fits there, else left of it.
    const bool tooFarRight = screenWidth < caretRight + Width();
    double left = tooFarRight ? caretLeft - Width() : caretRight;
    double top = above ? caretTop - Height() : caretBottom;
    // Whatever the caret reports, no part of the list leaves the screen.
    left = std::clamp(left, 0.0, std::max(0.0, screenWidth - Width()));
    top = std::clamp(top, 0.0, std::max(0.0, screenHeight - Height()));
    Move(left, top);
    Present();
}

bool FormMsg::IsFirefoxWindow(const Desktop& desktop, Desktop::WindowId window)
{
    return GetWindowTitle(desktop, window).right(int(qstrlen(kFirefoxTitleEnd))) == QLatin1String(kFirefoxTitleEnd);
}

QString FormMsg::GetWindowTitle(const Desktop& desktop, Desktop::WindowId window)
{
    const QString title = desktop.WindowTitle(window);
    const qsizetype end = title.indexOf(QChar(u'\0'));
    return end < 0 ? title : title.left(end);
}
