#pragma once

#include "controls/ControlRegistry.h"
#include "controls/PropertyBag.h"
#include "controls/QKUserControl.h"
#include "controls/Twips.h"

#include <QMap>
#include <QPointer>
#include <functional>
#include <stdexcept>
#include <type_traits>

// A control array: elements sharing one name, told apart by an index.
// Element 0 is the template the host placed; Load(n) makes element n from it
// (same parent, name, twip geometry and Tag; for controls also their saved
// properties) and leaves it hidden for the host to place and show, as a
// freshly loaded element should not flash at the template's spot. Unload(n)
// removes element n; element 0 stays for the life of the array.
//
// A QKUserControl element is made through ControlRegistry by element 0's
// ProgId (so the program registers its own user controls) and gets element
// 0's saved properties through a PropertyBag. Other widgets need a clone
// function that makes the new widget; the array then copies the geometry.
// Loading an index that is already loaded, or a negative one, and unloading
// element 0 or an index that is not loaded, are the caller's mistakes and
// throw std::invalid_argument with the reason.
template <class T> class ControlArray
{
    static_assert(std::is_base_of_v<QWidget, T>, "control arrays hold widgets");

public:
    using CloneFunction = std::function<T*(T& element0)>;

    explicit ControlArray(T* element0, CloneFunction clone = CloneFunction())
        : clone(std::move(clone))
    {
        if (!element0)
            throw std::invalid_argument("a control array needs its element 0");
        element0->setProperty(kIndexProperty, 0);
        elements.insert(0, element0);
    }

    T* Load(int index)
    {
        if (index < 0)
            throw std::invalid_argument("control array index must not be negative");
        if (IsLoaded(index))
            throw std::invalid_argument(QString("control array element %1 is already loaded").arg(index).toStdString());
        T* element0 = elements.value(0);
        if (!element0)
            throw std::invalid_argument("element 0 of the control array no longer exists");
        T* made = Make(*element0);
        made->setObjectName(element0->objectName());
        made->setProperty(kIndexProperty, index);
        made->hide();
        elements.insert(index, made);
        return made;
    }

    void Unload(int index)
    {
        if (index == 0)
            throw std::invalid_argument("element 0 of a control array cannot be unloaded");
        if (!IsLoaded(index))
            throw std::invalid_argument(QString("control array element %1 is not loaded").arg(index).toStdString());
        T* element = elements.take(index);
        element->hide();
        // Deleted later: the element may be the one whose event handler is
        // running now.
        element->deleteLater();
    }

    bool IsLoaded(int index) const { return elements.contains(index) && !elements.value(index).isNull(); }
    // nullptr when the index is not loaded.
    T* Item(int index) const { return elements.value(index).data(); }
    T* operator[](int index) const { return Item(index); }
    QList<int> Indexes() const { return elements.keys(); }
    int Count() const { return int(elements.size()); }
    int UBound() const { return elements.isEmpty() ? -1 : elements.lastKey(); }

    // The index of an element that came from an array (0 for others).
    static int IndexOf(const QWidget* element) { return element->property(kIndexProperty).toInt(); }

private:
    static constexpr const char* kIndexProperty = "_qk_index";

    T* Make(T& element0)
    {
        T* made = nullptr;
        if (clone) {
            made = clone(element0);
        } else if constexpr (std::is_base_of_v<QKUserControl, T>) {
            QKUserControl* control =
                ControlRegistry::Create(element0.ProgId(), element0.parentWidget(), element0.Name());
            made = qobject_cast<T*>(control);
            if (!made) {
                delete control;
                throw std::invalid_argument("the registered control is not of the array's type");
            }
            PropertyBag bag;
            element0.WriteProperties(bag);
            made->ReadProperties(bag);
            made->SetTag(element0.Tag());
        }
        if (!made)
            throw std::invalid_argument("this control array has no way to make new elements");
        if (made->parentWidget() != element0.parentWidget())
            made->setParent(element0.parentWidget());
        const QRectF twips = Twips::Geometry(&element0);
        if constexpr (std::is_base_of_v<QKUserControl, T>)
            made->Move(twips.left(), twips.top(), twips.width(), twips.height());
        else
            Twips::SetGeometry(made, twips);
        return made;
    }

    CloneFunction clone;
    QMap<int, QPointer<T>> elements;
};
