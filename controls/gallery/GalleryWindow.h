#pragma once

#include "controls/QKForm.h"

class QLabel;
class QKCombo;
class QKUserControl;

// One window showing every control of the library in every look: the normal
// look of each, and beside it the pressed, ticked, selected or disabled one.
// The status line names the last event, so the window doubles as a manual
// test bench.
class GalleryWindow : public QKForm
{
    Q_OBJECT
public:
    explicit GalleryWindow(QWidget* parent = nullptr);

    // Puts the buttons that show their pressed look into it. Run after the
    // window is shown: showing a button resets it to its resting look.
    void PressShowcaseButtons();
    // The window as a picture, with the drop-down list's menu drawn open
    // beside the list.
    QImage Shot();

private:
    QKUserControl* Place(const QString& control, const QString& name, QWidget* on, double left, double top,
                         double width = 0, double height = 0);
    QLabel* Caption(const QString& text, QWidget* on, double left, double top, bool heading = false);
    void Report(const QString& event);

    QLabel* status;
    QKCombo* combo = nullptr;
    QList<QKUserControl*> pressedShowcase;
};
