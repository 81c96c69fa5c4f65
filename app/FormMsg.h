#pragma once

#include <QWidget>

// The suggestion list beside the caret. It is loaded once and kept; when not
// in use it is parked far outside every screen rather than hidden, so showing
// it again is only a move. It never takes the focus from the application the
// user types in.
class FormMsg : public QWidget
{
public:
    static constexpr int kParkedTwips = -20000;

    explicit FormMsg(QWidget* parent = nullptr);
    void Park();
    bool IsParked() const;
};
