#pragma once

#include "controls/QKForm.h"
#include "platform/Desktop.h"
#include "store/Snippet.h"

#include <memory>

class FormMain;
class ListOverlay;
class SnippetTip;
template <class T> class ControlArray;

// The suggestion list beside the caret. It is loaded once and kept; when not
// in use it is parked far outside every screen rather than hidden, so showing
// it again is only a move. It never takes the focus from the application the
// user types in, and it bypasses the window manager, which would otherwise
// keep it on screen or place it where it likes.
//
// Positions and sizes are twips; the desktop reports pixels.
//
// The list always lies wholly on the screen: when all the matches fit
// neither below nor above the caret, it shows as many as fit on the side
// with more room. It goes out of sight as soon as another window comes to
// the front, rather than stay over the window it was shown for. Its rows
// show their whole text (capped to a readable size) when hovered, although
// the list never becomes the active window.
//
// Where the desktop lets no program place a window of its own (Wayland), an
// overlay shows the list instead: the form is laid out and drawn without
// ever being on screen, and wherever it would move itself beside the caret
// its picture goes to the overlay at that place. Parking takes the picture
// away. There the rows' hover texts do not show.
class FormMsg : public QKForm
{
    Q_OBJECT
public:
    static constexpr int kParkedTwips = -20000;
    static constexpr double kClientWidth = 3660;
    // Rows are stacked from here down, one row height apart; the list keeps
    // this much free above the first row and below the last.
    static constexpr double kRowLeft = 15;
    static constexpr double kRowTop = 15;
    static constexpr double kRowMargins = 30;
    // Where the list goes in a browser that shows no caret: centred, this
    // far below the top of the screen.
    static constexpr double kNoCaretTop = 10;
    static constexpr const char* kFirefoxTitleEnd = "Mozilla Firefox";

    explicit FormMsg(QWidget* parent = nullptr);
    ~FormMsg() override;

    void Park();
    bool IsParked() const;
    // Shows the list through the overlay from now on; the form itself no
    // longer goes on screen. The overlay must outlive the form.
    void SetOverlay(ListOverlay* listOverlay);

    // Rebuilds the rows from the collection, in its order, and fits the
    // list's height to them.
    int SetSnippets(const SnippetCollection& snippetsCol);
    int RowCount() const { return rowCount; }
    // oSnippetTip(index): row 0 is the hidden pattern; 1 to RowCount() show
    // snippets. nullptr for an index that is not loaded.
    SnippetTip* oSnippetTip(int index) const;

    // One tick of the main window's Timer1: fills the list for what the user
    // has typed and puts it beside the caret, or parks it and stops the timer
    // when there is nothing to show.
    void Timer1Tick(FormMain& main);

    static bool IsFirefoxWindow(const Desktop& desktop, Desktop::WindowId window);
    static QString GetWindowTitle(const Desktop& desktop, Desktop::WindowId window);

private:
    void ShowBesideCaret(const QRect& caretPixels, const QSize& screenPixels, const SnippetCollection& col);
    static double HeightFor(qsizetype rows);
    static int RowsFitting(double twips);
    // Out of sight while the list may not show; what it listed is forgotten
    // so that it comes back once it may.
    void Withdraw(FormMain& main);
    // Brings the list, just moved into place, in front of every window.
    void Present();

    std::unique_ptr<ControlArray<SnippetTip>> rows;
    int rowCount = 0;
    // The window the list was last shown over; 0 while parked.
    Desktop::WindowId shownOver = 0;
    ListOverlay* overlay = nullptr;
    bool overlayFailureTold = false;
};
