#pragma once

#include "controls/QKUIExport.h"

#include <QWidget>

class QKUserControl;

// The base of the program's windows. Like a control it is placed in twips
// (see Twips: for a top-level window, the client area on the screen) and has a
// Tag; the hooks are:
//   OnLoad()            once, from Load() or before the first show,
//   OnResize()          after every size change, whatever caused it,
//   OnUnload(cancel)    when the window is asked to close; setting cancel
//                       keeps it open.
// AddControl() creates a control by its programmatic identifier as a child
// of the window, names it and runs its new-instance set-up; the caller then
// places it with Move() and reads back the size the control chose. Controls
// added while the window is loading appear with it; one added to a window
// already on screen stays hidden until the caller shows it.
class QKUI_EXPORT QKForm : public QWidget
{
    Q_OBJECT
public:
    explicit QKForm(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    void Load();
    bool Loaded() const { return loaded; }

    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void SetLeft(double left);
    void SetTop(double top);
    void SetWidth(double width);
    void SetHeight(double height);
    void Move(double left, double top);
    void Move(double left, double top, double width, double height);
    bool Visible() const { return !isHidden(); }
    void SetVisible(bool visible) { setVisible(visible); }
    QString Tag() const { return tag; }
    void SetTag(const QString& value) { tag = value; }

    // Throws std::invalid_argument for an identifier nobody registered.
    QKUserControl* AddControl(const QString& progId, const QString& name, QWidget* container = nullptr);

protected:
    virtual void OnLoad() {}
    virtual void OnResize() {}
    virtual void OnUnload(bool& cancel) { Q_UNUSED(cancel); }

    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QString tag;
    bool loaded = false;
};
