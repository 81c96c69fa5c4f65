#pragma once

#include "controls/QKPictureButton.h"

// The delete button of a snippet row, on white. Three looks: normal, pressed,
// disabled. While Enable is False it ignores the mouse entirely and shows the
// disabled look; setting Enable shows the matching look at once.
class QKUI_EXPORT QKDelButton : public QKPictureButton
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKDelButton")
public:
    static constexpr int kDisabledLook = 2;

    explicit QKDelButton(QWidget* parent = nullptr);

    bool Enable() const { return enable; }
    void SetEnable(bool value);

protected:
    void OnInitProperties() override;
    void OnReadProperties(const PropertyBag& bag) override;
    void OnWriteProperties(PropertyBag& bag) const override;
    bool TakesClicks() const override { return enable; }
    int RestingLook() const override { return enable ? 0 : kDisabledLook; }

private:
    bool enable = true;
};
