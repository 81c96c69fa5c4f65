#pragma once

#include "controls/QKUserControl.h"

class QKPicture;

// The three-tab strip of the settings window. The titles are part of the
// picture (one look per selected tab); three transparent hit areas Label1..3
// lie over the tabs. A click on area k, or SwitchTab(k), shows look k - 1,
// draws it at once and raises TabClick(k), also when tab k was selected
// already. The strip is always 3015 x 330.
class QKUI_EXPORT QKTab : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKTab")
public:
    static constexpr int kTabs = 3;

    explicit QKTab(QWidget* parent = nullptr);

    void SwitchTab(qint16 tabNum);
    // The tab shown selected (1..3).
    int SelectedTab() const;
    // The title the picture shows on tab 1..3, and the tab whose hit area a
    // piece is (0 for none).
    static QString TabTitle(int tab);
    int TabOfArea(const QWidget* area) const;
    double LookHeight() const { return lookHeight; }

signals:
    // A copy of the number: changing it in a handler has no effect.
    void TabClick(qint16& tabNum);

protected:
    void OnResize() override;
    void keyPressEvent(QKeyEvent* event) override;
    QAccessible::Role AccessibleRole() const override { return QAccessible::PageTabList; }
    QList<QWidget*> AccessibleChildren() const override;

private:
    QKPicture* picBack;
    QList<QKPicture*> areas;
    double lookHeight;
};
